#include "meta/TrackComments.h"
#include "settings/TSettings.h"
#include "support/QtPrinters.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

TDiscInfo fullDisc()
{
    TDiscInfo disc;
    disc.Artist = QStringLiteral("Björk");
    disc.Album = QStringLiteral("Homogenic");
    disc.Year = QStringLiteral("1997");
    disc.Genre = 1; // "Acid", the second name of the list
    disc.Comment = QStringLiteral("first pressing");
    return disc;
}

TEST(TrackComments, aFullRecordGivesEveryFieldInOrder)
{
    EXPECT_EQ(TrackComments::forTrack(fullDisc(), QStringLiteral("Jóga"), 3),
              (QStringList{"ARTIST=Björk", "ALBUM=Homogenic", "TITLE=Jóga", "TRACKNUMBER=3", "DATE=1997", "GENRE=Acid",
                           "COMMENT=first pressing"}));
}

struct GenreCase
{
    int genre;
    const char* line; // nullptr: no GENRE line
};

class TrackCommentsGenre : public testing::TestWithParam<GenreCase>
{
};

TEST_P(TrackCommentsGenre, isTheNameAtTheRecordsPlace)
{
    TDiscInfo disc;
    disc.Genre = GetParam().genre;
    const QStringList lines = TrackComments::forTrack(disc, QStringLiteral("Song"), 1);
    const QStringList genres = lines.filter(QRegularExpression(QStringLiteral("^GENRE=")));
    if (GetParam().line == nullptr) {
        EXPECT_TRUE(genres.isEmpty()) << genres.join(',').toStdString();
    } else {
        EXPECT_EQ(genres, QStringList{QString::fromUtf8(GetParam().line)});
    }
}

INSTANTIATE_TEST_SUITE_P(Places, TrackCommentsGenre,
                         testing::Values(GenreCase{-1, nullptr}, GenreCase{0, "GENRE=A Cappella"},
                                         GenreCase{147, "GENRE=Vocal"}, GenreCase{148, nullptr},
                                         GenreCase{1000, nullptr}));

TEST(TrackComments, emptyFieldsAreLeftOut)
{
    TDiscInfo disc;
    disc.Artist = QStringLiteral("   ");
    EXPECT_EQ(TrackComments::forTrack(disc, QStringLiteral("Track01"), 1),
              (QStringList{"TITLE=Track01", "TRACKNUMBER=1"}));
    EXPECT_EQ(TrackComments::forTrack(disc, QString(), 0), QStringList{});
}

} // namespace
