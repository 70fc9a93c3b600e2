#include "meta/Genres.h"

#include <array>

namespace Genres {

namespace {

// clang-format off
// Indexed by the genre number stored in a tag.
constexpr std::array<const char*, count> numbered = {
    "Blues", "Classic Rock", "Country", "Dance", "Disco", "Funk", "Grunge", "Hip-Hop", "Jazz", "Metal", "New Age",
    "Oldies", "Other", "Pop", "R&B", "Rap", "Reggae", "Rock", "Techno", "Industrial", "Alternative", "Ska",
    "Death Metal", "Pranks", "Soundtrack", "Euro-Techno", "Ambient", "Trip-Hop", "Vocal", "Jazz+Funk", "Fusion",
    "Trance", "Classical", "Instrumental", "Acid", "House", "Game", "Sound Clip", "Gospel", "Noise", "Alt. Rock",
    "Bass", "Soul", "Punk", "Space", "Meditative", "Instrumental Pop", "Instrumental Rock", "Ethnic", "Gothic",
    "Darkwave", "Techno-Industrial", "Electronic", "Pop-Folk", "Eurodance", "Dream", "Southern Rock", "Comedy",
    "Cult", "Gangsta Rap", "Top 40", "Christian Rap", "Pop/Funk", "Jungle", "Native American", "Cabaret",
    "New Wave", "Psychedelic", "Rave", "Showtunes", "Trailer", "Lo-Fi", "Tribal", "Acid Punk", "Acid Jazz", "Polka",
    "Retro", "Musical", "Rock & Roll", "Hard Rock", "Folk", "Folk/Rock", "National Folk", "Swing", "Fast-Fusion",
    "Bebob", "Latin", "Revival", "Celtic", "Bluegrass", "Avantgarde", "Gothic Rock", "Progressive Rock",
    "Psychedelic Rock", "Symphonic Rock", "Slow Rock", "Big Band", "Chorus", "Easy Listening", "Acoustic", "Humour",
    "Speech", "Chanson", "Opera", "Chamber Music", "Sonata", "Symphony", "Booty Bass", "Primus", "Porn Groove",
    "Satire", "Slow Jam", "Club", "Tango", "Samba", "Folklore", "Ballad", "Power Ballad", "Rhythmic Soul",
    "Freestyle", "Duet", "Punk Rock", "Drum Solo", "A Cappella", "Euro-House", "Dance Hall", "Goa", "Drum & Base",
    "Club-House", "Hardcore", "Terror", "Indie", "BritPop", "Negerpunk", "Polsk Punk", "Beat", "Christian Gangsta",
    "Heavy Metal", "Black Metal", "Crossover", "Contemporary Christian", "Christian Rock", "Merengue", "Salsa",
    "Thrash Metal", "Anime", "JPop", "Synthpop"};

// The order of the genre boxes, position 1 first.
constexpr std::array<const char*, count> listed = {
    "A Cappella", "Acid", "Acid Jazz", "Acid Punk", "Acoustic", "Alt. Rock", "Alternative", "Ambient", "Anime",
    "Avantgarde", "Ballad", "Bass", "Beat", "Bebob", "Big Band", "Black Metal", "Bluegrass", "Blues", "Booty Bass",
    "BritPop", "Cabaret", "Celtic", "Chamber Music", "Chanson", "Chorus", "Christian Gangsta", "Christian Rap",
    "Christian Rock", "Classic Rock", "Classical", "Club", "Club-House", "Comedy", "Contemporary Christian",
    "Country", "Crossover", "Cult", "Dance", "Dance Hall", "Darkwave", "Death Metal", "Disco", "Dream",
    "Drum & Base", "Drum Solo", "Duet", "Easy Listening", "Electronic", "Ethnic", "Eurodance", "Euro-House",
    "Euro-Techno", "Fast-Fusion", "Folk", "Folk/Rock", "Folklore", "Freestyle", "Funk", "Fusion", "Game",
    "Gangsta Rap", "Goa", "Gospel", "Gothic", "Gothic Rock", "Grunge", "Hard Rock", "Hardcore", "Heavy Metal",
    "Hip-Hop", "House", "Humour", "Indie", "Industrial", "Instrumental", "Instrumental Pop", "Instrumental Rock",
    "Jazz", "Jazz+Funk", "JPop", "Jungle", "Latin", "Lo-Fi", "Meditative", "Merengue", "Metal", "Musical",
    "National Folk", "Native American", "Negerpunk", "New Age", "New Wave", "Noise", "Oldies", "Opera", "Other",
    "Polka", "Polsk Punk", "Pop", "Pop/Funk", "Pop-Folk", "Porn Groove", "Power Ballad", "Pranks", "Primus",
    "Progressive Rock", "Psychedelic", "Psychedelic Rock", "Punk", "Punk Rock", "R&B", "Rap", "Rave", "Reggae",
    "Retro", "Revival", "Rhythmic Soul", "Rock", "Rock & Roll", "Salsa", "Samba", "Satire", "Showtunes", "Ska",
    "Slow Jam", "Slow Rock", "Sonata", "Soul", "Sound Clip", "Soundtrack", "Southern Rock", "Space", "Speech",
    "Swing", "Symphonic Rock", "Symphony", "Synthpop", "Tango", "Techno", "Techno-Industrial", "Terror",
    "Thrash Metal", "Top 40", "Trailer", "Trance", "Tribal", "Trip-Hop", "Vocal"};
// clang-format on

struct Tables
{
    std::array<std::uint8_t, count + 1> genreAt{}; // by list position; [0] is the empty entry
    std::array<int, count> positionOf{};           // by genre number
};

// The two tables are derived from the names so they cannot disagree with either list.
const Tables& tables()
{
    static const Tables built = [] {
        Tables t;
        t.genreAt.fill(none);
        t.positionOf.fill(0);
        for (int position = 1; position <= count; ++position) {
            for (int genre = 0; genre < count; ++genre) {
                if (QLatin1String(listed[position - 1]) == QLatin1String(numbered[genre])) {
                    t.genreAt[position] = static_cast<std::uint8_t>(genre);
                    t.positionOf[genre] = position;
                    break;
                }
            }
        }
        return t;
    }();
    return built;
}

} // namespace

QString nameOf(int genre)
{
    if (genre < 0 || genre >= count) {
        return QString();
    }
    return QString::fromLatin1(numbered[genre]);
}

const QStringList& listNames()
{
    static const QStringList names = [] {
        QStringList list;
        list.reserve(count);
        for (const char* name : listed) {
            list.append(QString::fromLatin1(name));
        }
        return list;
    }();
    return names;
}

QStringList listItems()
{
    return QStringList{QString()} + listNames();
}

std::uint8_t genreOfListPosition(int position)
{
    if (position < 1 || position > count) {
        return none;
    }
    return tables().genreAt[position];
}

int listPositionOfGenre(int genre)
{
    if (genre < 0 || genre >= count) {
        return 0;
    }
    return tables().positionOf[genre];
}

} // namespace Genres
