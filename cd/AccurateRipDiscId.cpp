#include "cd/AccurateRipDiscId.h"

#include "cd/CddbDiscId.h"

#include <algorithm>

namespace tarnwick::accuraterip {

namespace {

// Block addresses count from 00:02:00; the layout's addresses from 00:00:00.
constexpr std::int32_t FirstTrackPregap = 150;

std::uint32_t blockOf(std::int32_t address)
{
    return static_cast<std::uint32_t>(std::max(address - FirstTrackPregap, 0));
}

} // namespace

DiscIds discIdsOf(const DiscLayout& layout)
{
    DiscIds ids;
    // The table of contents holds 99 tracks; the CDDB ID and the drive library cut there too.
    const std::size_t count = std::min<std::size_t>(layout.tracks.size(), TOC::MaxEntries - 1);
    std::uint32_t position = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const DiscTrack& track = layout.tracks[i];
        if (!track.audio) {
            continue;
        }
        const std::uint32_t start = blockOf(track.address);
        ++position;
        ids.id1 += start;
        ids.id2 += std::max<std::uint32_t>(start, 1) * position;
        ids.trackNumbers.push_back(track.number);
    }
    if (position == 0) {
        return {};
    }
    const std::int32_t leadOut = count < layout.tracks.size() ? layout.tracks[count].address : layout.leadOut;
    const std::uint32_t end = blockOf(leadOut);
    ids.trackCount = static_cast<int>(position);
    ids.id1 += end;
    ids.id2 += std::max<std::uint32_t>(end, 1) * (position + 1);
    ids.cddbId = cddbDiscId(layout);
    return ids;
}

DiscLayout layoutFromMsfToc(const TOC& toc)
{
    DiscLayout layout;
    const int tracks = std::min(int{toc.lastTrack} - int{toc.firstTrack} + 1, TOC::MaxEntries - 1);
    if (tracks < 1) {
        return layout;
    }
    auto frames = [](const TOCEntry& entry) {
        return (std::int32_t{entry.address[1]} * 60 + std::int32_t{entry.address[2]}) * cdaudio::FramesPerSecond +
               std::int32_t{entry.address[3]};
    };
    layout.firstTrack = toc.firstTrack;
    for (int i = 0; i < tracks; ++i) {
        layout.tracks.push_back({toc.firstTrack + i, frames(toc.entries[i]), (toc.entries[i].control & 0x04) == 0});
    }
    layout.leadOut = frames(toc.entries[tracks]);
    return layout;
}

QByteArray databaseUrl(const QString& baseUrl, const DiscIds& ids)
{
    QByteArray base = baseUrl.trimmed().toUtf8();
    while (base.endsWith('/')) {
        base.chop(1);
    }
    const auto hex = [](std::uint32_t value, int width) {
        return QByteArray::number(value, 16).rightJustified(width, '0');
    };
    return base + '/' + hex(ids.id1 & 0xf, 1) + '/' + hex((ids.id1 >> 4) & 0xf, 1) + '/' +
           hex((ids.id1 >> 8) & 0xf, 1) + "/dBAR-" + QByteArray::number(ids.trackCount).rightJustified(3, '0') + '-' +
           hex(ids.id1, 8) + '-' + hex(ids.id2, 8) + '-' + hex(ids.cddbId, 8) + ".bin";
}

} // namespace tarnwick::accuraterip
