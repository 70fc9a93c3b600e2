#include "cd/CddbProtocol.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

using tarnwick::cddb::parseQueryAnswer;
using tarnwick::cddb::parseReadAnswer;

struct QueryCase
{
    const char* name;
    QByteArray body;
    int code;
    std::vector<std::pair<QByteArray, QByteArray>> matches; // category, disc ID
};

void PrintTo(const QueryCase& c, std::ostream* os)
{
    *os << c.name;
}

class CddbQueryAnswer : public ::testing::TestWithParam<QueryCase>
{
};

TEST_P(CddbQueryAnswer, GivesCodeAndMatchesInOrder)
{
    const tarnwick::cddb::QueryAnswer answer = parseQueryAnswer(GetParam().body);
    EXPECT_EQ(answer.code, GetParam().code);
    std::vector<std::pair<QByteArray, QByteArray>> got;
    for (const auto& match : answer.matches) {
        got.emplace_back(match.category, match.discId);
    }
    EXPECT_EQ(got, GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CddbQueryAnswer,
    ::testing::Values(
        QueryCase{"exact", "200 rock 08025603 Artist / Album\r\n", 200, {{"rock", "08025603"}}},
        QueryCase{"several",
                  "210 Found exact matches, list follows (until terminating `.')\r\n"
                  "misc 08025603 A / B\r\nrock 08025603 C / D\r\n.\r\n",
                  210,
                  {{"misc", "08025603"}, {"rock", "08025603"}}},
        QueryCase{"inexactLfOnly",
                  "211 Found inexact matches\nsoundtrack 0802560A X\n.\nrock 11111111 after end\n",
                  211,
                  {{"soundtrack", "0802560a"}}},
        QueryCase{"listWithoutEnd", "211 inexact\r\nrock 1 one\r\njazz 2 two", 211, {{"rock", "1"}, {"jazz", "2"}}},
        // Fields that would go into a read command as they stand must be plain.
        QueryCase{"hostileFields",
                  "210 list\r\n../etc 08025603 x\r\nrock 0802zz03 x\r\nrock&cmd=x 1 x\r\nRock 1 x\r\n"
                  "folk 123456789 x\r\nfolk 12345678\r\n.\r\n",
                  210,
                  {{"folk", "12345678"}}},
        QueryCase{"noMatch", "202 No match for disc ID 08025603.\r\n", 202, {}},
        QueryCase{"refused", "500 Unknown developer email\r\n", 500, {}},
        QueryCase{"notCddb", "<html>Not here</html>\r\n", 0, {}}, QueryCase{"codeRunOn", "2000 rock 1 x\r\n", 0, {}},
        QueryCase{"empty", "", 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CddbReadAnswer, TakesTheLinesUpToTheEndMarker)
{
    const auto answer = parseReadAnswer("210 rock 08025603 CD database entry follows\r\n"
                                        "DTITLE=A / B\r\n"
                                        "..dotted\r\n"
                                        "TTITLE0=One\r\n"
                                        ".\r\n"
                                        "TTITLE1=after the end\r\n");
    EXPECT_EQ(answer.code, 210);
    EXPECT_EQ(answer.entry, QByteArray("DTITLE=A / B\n.dotted\nTTITLE0=One\n"));

    EXPECT_EQ(parseReadAnswer("210 x\nDTITLE=cut short").entry, QByteArray("DTITLE=cut short\n"));
    const auto missing = parseReadAnswer("401 rock 08025603 No such CD entry in database.\r\nDTITLE=x\r\n");
    EXPECT_EQ(missing.code, 401);
    EXPECT_TRUE(missing.entry.isEmpty());
    EXPECT_EQ(missing.statusLine, QByteArray("401 rock 08025603 No such CD entry in database."));
}

TEST(CddbCleanLine, LeavesOnlyPrintableUtf8)
{
    EXPECT_EQ(tarnwick::cddb::cleanLine(QByteArray("a\0b\tc\x7f"
                                                   "d",
                                                   7)),
              QByteArray("a b c d"));
    EXPECT_EQ(tarnwick::cddb::cleanLine("K\xc3\xa4se"), QByteArray("K\xc3\xa4se"));
    EXPECT_EQ(QString::fromUtf8(tarnwick::cddb::cleanLine("x\xff\xc3y")), QStringLiteral("x\uFFFD\uFFFDy"));
    // A C1 control written as UTF-8 is no text either.
    EXPECT_EQ(tarnwick::cddb::cleanLine("a\xc2\x85z"), QByteArray("a z"));
}

TEST(CddbFitIntoBuffer, CutsAtTheLastLineEndThatFits)
{
    using tarnwick::cddb::fitIntoBuffer;
    EXPECT_EQ(fitIntoBuffer("ab\ncd\nef\n", 10), QByteArray("ab\ncd\nef\n")); // 9 bytes and the NUL
    EXPECT_EQ(fitIntoBuffer("ab\ncd\nef\n", 9), QByteArray("ab\ncd\n"));
    EXPECT_EQ(fitIntoBuffer("ab\ncd\nef\n", 3), QByteArray("ab")); // the first line alone does not fit
    EXPECT_EQ(fitIntoBuffer("ab\ncd\nef\n", 4), QByteArray("ab\n"));
    // One line longer than the buffer: cut before a character that does not fit whole.
    EXPECT_EQ(fitIntoBuffer("a\xc3\xa4\xc3\xa4", 4), QByteArray("a\xc3\xa4"));
    EXPECT_EQ(fitIntoBuffer("a\xc3\xa4\xc3\xa4", 5), QByteArray("a\xc3\xa4"));
    EXPECT_EQ(fitIntoBuffer("abc", 0), QByteArray());
}

TEST(CddbCommands, ReadNamesCategoryAndDiscId)
{
    EXPECT_EQ(tarnwick::cddb::readCommand("rock", "08025603"), QByteArray("cddb read rock 08025603"));
}

} // namespace
