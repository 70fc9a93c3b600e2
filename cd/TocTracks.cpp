#include "cd/TocTracks.h"

#include "common/DiscSessions.h"

#include <algorithm>

namespace tarnwick::toc {

int trackCount(const TOC& toc)
{
    return std::clamp(int{toc.lastTrack} - int{toc.firstTrack} + 1, 0, TOC::MaxEntries - 1);
}

std::int32_t frames(const TOCEntry& entry)
{
    return (std::int32_t{entry.address[1]} * 60 + std::int32_t{entry.address[2]}) * cdaudio::FramesPerSecond +
           std::int32_t{entry.address[3]};
}

bool isData(const TOC& toc, int index)
{
    return index >= 0 && index < trackCount(toc) && (toc.entries[index].control & 0x04) != 0;
}

bool holdsAudio(const TOC& toc)
{
    for (int i = 0; i < trackCount(toc); ++i) {
        if (!isData(toc, i)) {
            return true;
        }
    }
    return false;
}

std::int32_t audioEnd(const TOC& toc, int index)
{
    return audioTrackEnd(frames(toc.entries[index]), !isData(toc, index), frames(toc.entries[index + 1]),
                         isData(toc, index + 1));
}

std::int32_t audioSessionEnd(const TOC& toc, int index)
{
    const int count = trackCount(toc);
    int last = index;
    while (last + 1 < count && !isData(toc, last + 1)) {
        ++last;
    }
    return audioEnd(toc, last);
}

} // namespace tarnwick::toc
