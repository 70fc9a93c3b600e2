#include "jobs/core/TrackTag.h"

#include "meta/Genres.h"
#include "meta/Tid3tag.h"
#include "settings/TSettings.h"

std::uint16_t writeTrackTag(const QString& mp3File, const QString& title, int track, const TDiscInfo& disc)
{
    Tid3tag tag;
    tag.setTitle(title);
    tag.setArtist(disc.Artist);
    tag.setAlbum(disc.Album);
    tag.setYear(disc.Year);
    tag.setComment(disc.Comment);
    tag.setGenre(Genres::genreOfListPosition(disc.Genre + 1));
    tag.setTrack(static_cast<std::uint8_t>(track));
    return tag.save(mp3File);
}
