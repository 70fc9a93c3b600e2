#pragma once

#include "cd/CDRecords.h"

#include <cstdint>

// Reading a table of contents that was read with minute-second-frame addressing, the way
// the main window, the extraction thread and the terminal front end keep their handles.
namespace tarnwick::toc {

// What the track list shows as the title of a data track, which is never read as audio.
inline constexpr const char* DataTrackTitle = "Data track";

// Tracks the record holds (it has room for 99 before the lead-out).
int trackCount(const TOC& toc);
// Absolute frames of an entry (150 = 00:02:00).
std::int32_t frames(const TOCEntry& entry);
// Entry `index` (0-based, a track) holds data, not audio.
bool isData(const TOC& toc, int index);
// True when at least one track is audio: such a disc is an audio CD for every purpose.
bool holdsAudio(const TOC& toc);
// Where the audio of track entry `index` ends (absolute frames, exclusive): at the next
// entry, or a session gap earlier when the next entry is the data track of a later session.
std::int32_t audioEnd(const TOC& toc, int index);
// The end of the stretch of audio that track entry `index` belongs to: the end of the last
// audio track before the next data track or the lead-out. Reads near a track's edge (the
// read-offset correction) stay within it.
std::int32_t audioSessionEnd(const TOC& toc, int index);

} // namespace tarnwick::toc
