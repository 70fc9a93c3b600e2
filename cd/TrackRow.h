#pragma once

#include <QString>

// The texts of one row of the track list, from the minute and second bytes of the
// track's start and of the next entry (the following track or the lead-out). Frames are
// not used, so a track from 00:02:74 to 00:05:00 shows 00:03.
struct TrackRow
{
    QString number;
    QString length; // "mm:ss"
    QString size;   // "MB.hh"

    static TrackRow make(int track, int startMinutes, int startSeconds, int nextMinutes, int nextSeconds);
    // The same from absolute frame addresses of the start and the end: only the minute and
    // second parts of each count, as they do for the table's entries.
    static TrackRow fromFrames(int track, int startFrames, int endFrames);
};
