#pragma once

#include "settings/TSettings.h"

#include <QString>

// cdinfo.dat: per disc (one section named by the disc key) the artist, album, year,
// genre, comment and titles the user typed or fetched, so a disc shows its titles again.
namespace DiscInfoStore {

QString defaultPath(); // cdinfo.dat in the program folder

// Both do nothing for an empty key. Load keeps titles above the stored TrackNumber.
// TrackNumber counts the disc's tracks; a disc whose first track is `firstTrack` keeps its
// titles under the track numbers, so titles 1 to firstTrack - 1 + TrackNumber are stored.
void load(TDiscInfo& disc, const QString& key, const QString& path, int firstTrack = 1);
bool save(const TDiscInfo& disc, const QString& key, const QString& path, QString* error = nullptr, int firstTrack = 1);

QString defaultTitle(int n); // "Track" + two-digit n

} // namespace DiscInfoStore
