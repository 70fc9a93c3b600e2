#pragma once

#include <cstdint>

namespace tarnwick {

// On a disc with a data session after the audio (an enhanced CD), the audio session ends
// this many frames before the data track starts: the first session's lead-out (6750),
// the second session's lead-in (4500) and the data track's pregap (150) lie between them.
// Those frames hold no audio and a drive cannot read them, so no track runs into them.
constexpr std::int32_t SessionGapFrames = 11400;

// Where the audio of a track that starts at `start` ends, when the next entry of the table
// (a track or the lead-out) starts at `next`: a data track right after audio lies in a
// later session, so the audio stops a session gap before it. A gap that would leave the
// track nothing (a table no real disc has) keeps the plain end.
constexpr std::int32_t audioTrackEnd(std::int32_t start, bool audio, std::int32_t next, bool nextIsData)
{
    if (audio && nextIsData && next - SessionGapFrames > start) {
        return next - SessionGapFrames;
    }
    return next;
}

} // namespace tarnwick
