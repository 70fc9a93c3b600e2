#include "cd/CddbDiscId.h"

#include <algorithm>

namespace {

int digitSum(std::int32_t value)
{
    int sum = 0;
    for (std::int32_t n = std::max(value, 0); n > 0; n /= 10) {
        sum += static_cast<int>(n % 10);
    }
    return sum;
}

} // namespace

namespace tarnwick {

CddbDisc cddbDiscOf(const DiscLayout& layout)
{
    CddbDisc disc;
    // The table of contents has room for 99 tracks before the lead-out; the drive library
    // cuts longer lists there, and so does the ID so it matches what the drive reports.
    const std::size_t count = std::min<std::size_t>(layout.tracks.size(), TOC::MaxEntries - 1);
    if (count == 0) {
        return disc;
    }
    const std::int32_t leadOut =
        count < layout.tracks.size() ? layout.tracks[count].address : std::max(layout.leadOut, 0);
    std::uint32_t sums = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t offset = std::max(layout.tracks[i].address, 0);
        disc.offsets.push_back(offset);
        sums += static_cast<std::uint32_t>(digitSum(offset / cdaudio::FramesPerSecond));
    }
    disc.seconds = leadOut / cdaudio::FramesPerSecond;
    const std::int32_t playing = std::max(disc.seconds - disc.offsets.front() / cdaudio::FramesPerSecond, 0);
    disc.discId = ((sums % 255) << 24) | ((static_cast<std::uint32_t>(playing) & 0xffff) << 8) |
                  static_cast<std::uint32_t>(count);
    return disc;
}

std::uint32_t cddbDiscId(const DiscLayout& layout)
{
    return cddbDiscOf(layout).discId;
}

std::uint32_t cddbDiscIdFromMsfToc(const TOC& toc)
{
    const int tracks = std::min(int{toc.lastTrack} - int{toc.firstTrack} + 1, TOC::MaxEntries - 1);
    if (tracks < 1) {
        return 0;
    }
    auto frames = [](const TOCEntry& entry) {
        return (std::int32_t{entry.address[1]} * 60 + std::int32_t{entry.address[2]}) * cdaudio::FramesPerSecond +
               std::int32_t{entry.address[3]};
    };
    DiscLayout layout;
    layout.firstTrack = toc.firstTrack;
    for (int i = 0; i < tracks; ++i) {
        layout.tracks.push_back({toc.firstTrack + i, frames(toc.entries[i]), (toc.entries[i].control & 0x04) == 0});
    }
    layout.leadOut = frames(toc.entries[tracks]);
    return cddbDiscId(layout);
}

QString cddbDiscIdText(std::uint32_t discId)
{
    return QStringLiteral("%1").arg(discId, 8, 16, QLatin1Char('0'));
}

} // namespace tarnwick
