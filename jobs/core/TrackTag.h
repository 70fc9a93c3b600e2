#pragma once

#include <QString>
#include <cstdint>

struct TDiscInfo;

// The ID3v1 tag of an MP3 file made from a CD track: the track's title and number, and
// the artist, album, year, comment and genre of the disc record. The result is the
// tag's save code (above 255: the tag was not saved).
std::uint16_t writeTrackTag(const QString& mp3File, const QString& title, int track, const TDiscInfo& disc);
