#include "meta/CddbEntry.h"
#include "meta/Genres.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

namespace {

std::vector<QString> titles(std::initializer_list<const char*> texts)
{
    std::vector<QString> result;
    for (const char* text : texts) {
        result.push_back(QString::fromUtf8(text));
    }
    return result;
}

const QByteArray kEntry = "# comment = not a key\r\n"
                          "DISCID=08025603\r\n"
                          "DTITLE=  The Artist   /  The Album  \r\n"
                          "DYEAR=1999\r\n"
                          "DGENRE=Rock\r\n"
                          "TTITLE0=One\r\n"
                          "TTITLE1=Two\r\n"
                          "TTITLE2=Three\r\n"
                          "EXTD=\r\n";

TEST(CddbEntry, ReadsDiscFieldsAndTitlesFromTheFirstTrack)
{
    const CddbEntryFields fields = parseCddbEntry(kEntry, 1, 3, 3);
    EXPECT_EQ(fields.artist, QStringLiteral("The Artist"));
    EXPECT_EQ(fields.album, QStringLiteral("The Album"));
    EXPECT_EQ(fields.year, QStringLiteral("1999"));
    EXPECT_EQ(fields.genre, Genres::listNames().indexOf(QStringLiteral("Rock")));
    EXPECT_TRUE(fields.hasTitleKey);
    EXPECT_EQ(fields.titles, titles({"One", "Two", "Three"}));

    TDiscInfo disc;
    disc.Comment = QStringLiteral("kept");
    applyCddbEntry(fields, disc);
    EXPECT_EQ(disc.Artist, QStringLiteral("The Artist"));
    EXPECT_EQ(disc.Album, QStringLiteral("The Album"));
    EXPECT_EQ(disc.Year, QStringLiteral("1999"));
    EXPECT_EQ(disc.Genre, fields.genre);
    EXPECT_EQ(disc.Comment, QStringLiteral("kept"));
}

struct TitleCase
{
    const char* name;
    QByteArray entry;
    int first;
    int last;
    int rows;
    bool found;
    std::vector<QString> titles;
};

void PrintTo(const TitleCase& c, std::ostream* os)
{
    *os << c.name;
}

class CddbEntryTitles : public ::testing::TestWithParam<TitleCase>
{
};

TEST_P(CddbEntryTitles, TakeOneLinePerTrackFromTheTitleKey)
{
    const TitleCase& c = GetParam();
    const CddbEntryFields fields = parseCddbEntry(c.entry, c.first, c.last, c.rows);
    EXPECT_EQ(fields.hasTitleKey, c.found);
    EXPECT_EQ(fields.titles, c.titles);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, CddbEntryTitles,
    ::testing::Values(
        // A disc whose first track is 2 looks for TITLE1: the entry's second title line on.
        TitleCase{"firstTrackTwo", kEntry, 2, 3, 2, true, titles({"Two", "Three"})},
        TitleCase{"fewerLinesThanTracks", "TTITLE0=One\nTTITLE1=Two", 1, 5, 5, true, titles({"One", "Two"})},
        TitleCase{"fewerRowsThanTracks", kEntry, 1, 3, 2, true, titles({"One", "Two"})},
        TitleCase{"noTitleKey", "DTITLE=A / B\nTTITLE5=x\n", 1, 3, 3, false, {}},
        // A long title split over lines of the same key is one title; later tracks keep their place.
        TitleCase{"continuedTitle",
                  "TTITLE0=One\r\nTTITLE1=A long title, first part\r\nTTITLE1= and second part\r\nTTITLE2=Three\r\n", 1,
                  3, 3, true, titles({"One", "A long title, first part and second part", "Three"})},
        TitleCase{"continuedApart", "TTITLE0=O\nTTITLE1=T\nTTITLE0=ne\n", 1, 2, 2, true, titles({"One", "T"})},
        // Line ends of every kind, a CR LF pair being one.
        TitleCase{"mixedLineEnds", "TTITLE0=a\rTTITLE1=b\r\nTTITLE2=c\n", 1, 3, 3, true, titles({"a", "b", "c"})},
        // The keys after the title key are not checked: the next line is the next track.
        TitleCase{"keysNotChecked", "TTITLE0=a\nEXTD=b\n", 1, 2, 2, true, titles({"a", "b"})},
        // The text ends at the first NUL byte.
        TitleCase{"endsAtNul", QByteArray("TTITLE0=a\nTTITLE1=b\0TTITLE2=c\n", 30), 1, 3, 3, true, titles({"a", "b"})},
        TitleCase{"hostileValues", "TTITLE0=../../etc/passwd\nTTITLE1=a\\b/c\nTTITLE2=\xff\xc3(\x01z\n", 1, 3, 3, true,
                  titles({"../../etc/passwd", "a\\b/c", "\xef\xbf\xbd\xef\xbf\xbd( z"})}),
    [](const auto& info) { return std::string(info.param.name); });

struct DiscCase
{
    const char* name;
    QByteArray line;
    std::optional<QString> artist;
    std::optional<QString> album;
    std::optional<int> genre;
};

void PrintTo(const DiscCase& c, std::ostream* os)
{
    *os << c.name;
}

class CddbEntryDisc : public ::testing::TestWithParam<DiscCase>
{
};

TEST_P(CddbEntryDisc, SplitsTitleAndFindsGenre)
{
    const CddbEntryFields fields = parseCddbEntry(GetParam().line, 1, 1, 1);
    EXPECT_EQ(fields.artist, GetParam().artist);
    EXPECT_EQ(fields.album, GetParam().album);
    EXPECT_EQ(fields.genre, GetParam().genre);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, CddbEntryDisc,
    ::testing::Values(DiscCase{"blanksAroundSlash", "DTITLE=Artist / Album", QStringLiteral("Artist"),
                               QStringLiteral("Album"), std::nullopt},
                      DiscCase{"slashInArtistCuts", "DTITLE=AC/DC / Back in Black", QStringLiteral("AC"),
                               QStringLiteral("DC / Back in Black"), std::nullopt},
                      DiscCase{"noSlash", "DTITLE=Only a Title", QString(), QStringLiteral("Only a Title"),
                               std::nullopt},
                      DiscCase{"continuedDiscTitle", "DTITLE=Some Art\nDTITLE=ist / Album",
                               QStringLiteral("Some Artist"), QStringLiteral("Album"), std::nullopt},
                      DiscCase{"genreExact", "DGENRE=Rock", std::nullopt, std::nullopt,
                               static_cast<int>(Genres::listNames().indexOf(QStringLiteral("Rock")))},
                      DiscCase{"genreOtherCase", "DGENRE=rock", std::nullopt, std::nullopt, -1},
                      DiscCase{"genreUnknown", "DGENRE=Schlager", std::nullopt, std::nullopt, -1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
