#include "meta/TrackComments.h"

#include "meta/Genres.h"
#include "settings/TSettings.h"

namespace TrackComments {

QStringList forTrack(const TDiscInfo& disc, const QString& title, int track)
{
    QStringList lines;
    const auto add = [&lines](const char* name, const QString& value) {
        if (!value.trimmed().isEmpty()) {
            lines << QLatin1String(name) + QLatin1Char('=') + value;
        }
    };
    add("ARTIST", disc.Artist);
    add("ALBUM", disc.Album);
    add("TITLE", title);
    add("TRACKNUMBER", track > 0 ? QString::number(track) : QString());
    add("DATE", disc.Year);
    // The record keeps the genre's place in the list; the comment carries its name.
    const QStringList& genres = Genres::listNames();
    add("GENRE", disc.Genre >= 0 && disc.Genre < genres.size() ? genres[disc.Genre] : QString());
    add("COMMENT", disc.Comment);
    return lines;
}

} // namespace TrackComments
