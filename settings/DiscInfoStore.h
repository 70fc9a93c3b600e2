#pragma once

#include "settings/TSettings.h"

#include <QString>

// cdinfo.dat: per disc (one section named by the disc key) the artist, album, year,
// genre, comment and titles the user typed or fetched, so a disc shows its titles again.
namespace DiscInfoStore {

QString defaultPath(); // cdinfo.dat in the program folder

// Both do nothing for an empty key. Load keeps titles above the stored TrackNumber.
void load(TDiscInfo& disc, const QString& key, const QString& path);
bool save(const TDiscInfo& disc, const QString& key, const QString& path, QString* error = nullptr);

QString defaultTitle(int n); // "Track" + two-digit n

} // namespace DiscInfoStore
