#pragma once

#include <QString>
#include <QStringList>

struct TDiscInfo;

// The Vorbis comments ("NAME=value" lines) that describe one track of the disc: the disc
// information record's artist, album, year, genre and comment, and the track's own title
// and number. Fields left empty in the record are left out rather than written empty.
namespace TrackComments {

QStringList forTrack(const TDiscInfo& disc, const QString& title, int track);

} // namespace TrackComments
