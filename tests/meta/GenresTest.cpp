#include "meta/Genres.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// Every list position names a numbered genre and every genre appears exactly once, so a
// misspelt or missing name in either list shows here.
TEST(Genres, ListIsAPermutationOfTheNumberedGenres)
{
    ASSERT_EQ(Genres::listNames().size(), Genres::count);
    std::set<int> seen;
    for (int position = 1; position <= Genres::count; ++position) {
        const int genre = Genres::genreOfListPosition(position);
        ASSERT_LT(genre, Genres::count) << "position " << position << ": "
                                        << Genres::listNames().at(position - 1).toStdString();
        EXPECT_EQ(Genres::nameOf(genre), Genres::listNames().at(position - 1));
        EXPECT_EQ(Genres::listPositionOfGenre(genre), position);
        seen.insert(genre);
    }
    EXPECT_EQ(seen.size(), std::size_t(Genres::count));
}

TEST(Genres, ListItemsStartWithTheEmptyEntry)
{
    const QStringList items = Genres::listItems();
    ASSERT_EQ(items.size(), Genres::count + 1);
    EXPECT_TRUE(items.first().isEmpty());
    EXPECT_EQ(items.at(1), QStringLiteral("A Cappella"));
    EXPECT_EQ(items.last(), QStringLiteral("Vocal"));
}

struct Fixed
{
    int position;
    int genre;
    const char* name;
};

class GenreFixedPoints : public ::testing::TestWithParam<Fixed>
{
};

// Includes the places where the list is not in strict alphabetical order.
TEST_P(GenreFixedPoints, PositionGenreAndNameAgree)
{
    const Fixed& f = GetParam();
    EXPECT_EQ(Genres::genreOfListPosition(f.position), f.genre);
    EXPECT_EQ(Genres::listPositionOfGenre(f.genre), f.position);
    EXPECT_EQ(Genres::nameOf(f.genre), QString::fromLatin1(f.name));
}

INSTANTIATE_TEST_SUITE_P(Table, GenreFixedPoints,
                         ::testing::Values(Fixed{1, 123, "A Cappella"}, Fixed{18, 0, "Blues"}, Fixed{96, 12, "Other"},
                                           Fixed{148, 28, "Vocal"}, Fixed{50, 54, "Eurodance"},
                                           Fixed{51, 124, "Euro-House"}, Fixed{80, 146, "JPop"},
                                           Fixed{44, 127, "Drum & Base"}, Fixed{100, 62, "Pop/Funk"},
                                           Fixed{101, 53, "Pop-Folk"}, Fixed{137, 147, "Synthpop"}));

class PositionOutOfRange : public ::testing::TestWithParam<int>
{
};

TEST_P(PositionOutOfRange, GivesNoGenre)
{
    EXPECT_EQ(Genres::genreOfListPosition(GetParam()), Genres::none);
}

INSTANTIATE_TEST_SUITE_P(Edges, PositionOutOfRange, ::testing::Values(-1, 0, 149, 255));

class GenreOutOfRange : public ::testing::TestWithParam<int>
{
};

TEST_P(GenreOutOfRange, GivesTheEmptyEntryAndNoName)
{
    EXPECT_EQ(Genres::listPositionOfGenre(GetParam()), 0);
    EXPECT_TRUE(Genres::nameOf(GetParam()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Edges, GenreOutOfRange, ::testing::Values(-1, 148, 200, 255, 256));

} // namespace
