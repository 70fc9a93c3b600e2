#include "cd/AudioDisc.h"

#include "cd/CDDriveLibrary.h"

namespace {

std::uint32_t addressWord(const TOCEntry& entry)
{
    return (std::uint32_t{entry.address[1]} << 16) + (std::uint32_t{entry.address[2]} << 8) + entry.address[3];
}

} // namespace

namespace tarnwick {

bool audioCDPresent()
{
    const std::shared_ptr<CDDeviceSource> source = cdDeviceSource();
    const std::vector<CDDeviceInfo> devices = source->devices();
    if (devices.empty()) {
        return false;
    }
    const std::unique_ptr<CDDevice> device = source->open(devices.front());
    return device && device->holdsAudioDisc();
}

QString discKey()
{
    const std::shared_ptr<CDDeviceSource> source = cdDeviceSource();
    for (const CDDeviceInfo& info : source->devices()) {
        const std::unique_ptr<CDDevice> device = source->open(info);
        if (!device || !device->holdsAudioDisc()) {
            continue;
        }
        DiscLayout layout;
        if (!device->readLayout(layout) || layout.tracks.empty()) {
            return QString();
        }
        TOC toc;
        fillToc(layout, true, &toc);
        return discKeyFromToc(toc);
    }
    return QString();
}

QString discKeyFromToc(const TOC& toc)
{
    const int tracks = std::min(int{toc.lastTrack} - int{toc.firstTrack} + 1, TOC::MaxEntries - 1);
    if (tracks < 1) {
        return QString();
    }
    std::uint32_t key = 0;
    if (tracks <= 2) {
        key = addressWord(toc.entries[tracks]);
    } else {
        for (int i = 0; i < tracks; ++i) {
            key += addressWord(toc.entries[i]);
        }
    }
    return QString::number(static_cast<std::int32_t>(key));
}

} // namespace tarnwick
