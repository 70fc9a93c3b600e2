#include "settings/DiscInfoStore.h"

#include "common/ProgramFolder.h"
#include "common/TextFormat.h"
#include "platform/IniFile.h"

#include <algorithm>

namespace DiscInfoStore {

QString defaultPath()
{
    return tarnwick::programFolder() + QStringLiteral("/cdinfo.dat");
}

QString defaultTitle(int n)
{
    return QStringLiteral("Track") + tarnwick::twoDigit(n);
}

namespace {

// The highest title number that belongs to the disc, never more than the record holds.
int lastTitle(std::int32_t trackNumber, int firstTrack)
{
    const std::int64_t last = std::int64_t{std::max(firstTrack, 1)} - 1 + trackNumber;
    return static_cast<int>(std::clamp<std::int64_t>(last, 0, TDiscInfo::MaxTitles));
}

} // namespace

void load(TDiscInfo& disc, const QString& key, const QString& path, int firstTrack)
{
    if (key.isEmpty()) {
        return;
    }
    IniFile ini(path);
    ini.load();
    disc.Artist = ini.readString(key, QStringLiteral("Artist"));
    disc.Album = ini.readString(key, QStringLiteral("Album"));
    disc.Year = ini.readString(key, QStringLiteral("Year"));
    disc.Genre = ini.readInteger(key, QStringLiteral("Genre"), -1);
    disc.Comment = ini.readString(key, QStringLiteral("Comment"));
    disc.TrackNumber = ini.readInteger(key, QStringLiteral("TrackNumber"), TDiscInfo::MaxTitles);
    const int count = lastTitle(disc.TrackNumber, firstTrack);
    for (int n = 1; n <= count; ++n) {
        QString title = ini.readString(key, QString::number(n));
        disc.setTitle(n, title.isEmpty() ? defaultTitle(n) : title);
    }
}

bool save(const TDiscInfo& disc, const QString& key, const QString& path, QString* error, int firstTrack)
{
    if (key.isEmpty()) {
        return true;
    }
    IniFile ini(path);
    ini.load();
    ini.writeString(key, QStringLiteral("Artist"), disc.Artist);
    ini.writeString(key, QStringLiteral("Album"), disc.Album);
    ini.writeString(key, QStringLiteral("Year"), disc.Year);
    ini.writeInteger(key, QStringLiteral("Genre"), disc.Genre);
    ini.writeString(key, QStringLiteral("Comment"), disc.Comment);
    ini.writeInteger(key, QStringLiteral("TrackNumber"), disc.TrackNumber);
    // Never more titles than the record holds, whatever TrackNumber says.
    const int count = lastTitle(disc.TrackNumber, firstTrack);
    for (int n = 1; n <= count; ++n) {
        ini.writeString(key, QString::number(n), disc.title(n));
    }
    if (!ini.save()) {
        if (error != nullptr) {
            *error = QStringLiteral("Unable to write to %1").arg(path);
        }
        return false;
    }
    return true;
}

} // namespace DiscInfoStore
