#include "cd/AccurateRipDatabase.h"

#include "support/AccurateRipFiles.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace tarnwick::accuraterip;
using Status = TrackVerdict::Status;

DiscIds threeTracks()
{
    return {3, 0x15dceu, 0x48e9bu, 0x08025603u, {1, 2, 3}};
}

QByteArray pressing(const std::vector<AccurateRipEntry>& tracks, const DiscIds& ids = threeTracks())
{
    return accurateRipChunk(ids.id1, ids.id2, ids.cddbId, tracks);
}

const QByteArray kFirst = pressing({{10, 0x11111111, 1}, {9, 0x22222222, 2}, {8, 0x33333333, 3}});
const QByteArray kSecond = pressing({{2, 0xaaaaaaaa, 4}, {0, 0, 0}, {255, 0xcccccccc, 6}});

TEST(AccurateRipDatabaseFile, ReadsEveryPressing)
{
    const auto pressings = parseDatabaseFile(kFirst + kSecond, threeTracks());
    ASSERT_TRUE(pressings);
    ASSERT_EQ(pressings->size(), 2u);
    ASSERT_EQ((*pressings)[1].tracks.size(), 3u);
    EXPECT_EQ((*pressings)[0].tracks[1].confidence, 9);
    EXPECT_EQ((*pressings)[0].tracks[1].checksum, 0x22222222u);
    EXPECT_EQ((*pressings)[0].tracks[2].frame450, 3u);
    EXPECT_EQ((*pressings)[1].tracks[2].confidence, 255);
    EXPECT_EQ((*pressings)[1].tracks[0].checksum, 0xaaaaaaaau);
}

struct UnusableCase
{
    const char* name;
    std::function<QByteArray()> bytes;
};

void PrintTo(const UnusableCase& c, std::ostream* os)
{
    *os << c.name;
}

class UnusableDatabaseFile : public ::testing::TestWithParam<UnusableCase>
{
};

TEST_P(UnusableDatabaseFile, GivesNoPressings)
{
    EXPECT_FALSE(parseDatabaseFile(GetParam().bytes(), threeTracks()));
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnusableDatabaseFile,
    ::testing::Values(
        UnusableCase{"empty", [] { return QByteArray(); }},
        UnusableCase{"cutInTheHeader", [] { return kFirst + kSecond.left(7); }},
        UnusableCase{"cutInATrack", [] { return kFirst + kSecond.chopped(1); }},
        UnusableCase{"cutAfterTheHeader", [] { return kFirst.left(13); }},
        UnusableCase{"otherId1",
                     [] {
                         return kFirst + pressing({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, {3, 1, 0x48e9bu, 0x08025603u, {}});
                     }},
        UnusableCase{"otherId2",
                     [] {
                         return pressing({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, {3, 0x15dceu, 2, 0x08025603u, {}});
                     }},
        UnusableCase{"otherCddbId",
                     [] {
                         return pressing({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, {3, 0x15dceu, 0x48e9bu, 3, {}});
                     }},
        UnusableCase{"otherTrackCount",
                     [] {
                         return kFirst + pressing({{1, 1, 1}, {1, 1, 1}});
                     }},
        UnusableCase{"zeroTracks", [] { return pressing({}); }},
        UnusableCase{"text", [] { return QByteArray("<html><body>Not here</body></html>\n"); }},
        UnusableCase{"tooBig",
                     [] {
                         QByteArray file;
                         while (file.size() <= MaxDatabaseFileBytes) {
                             file += kFirst;
                         }
                         return file;
                     }}),
    [](const auto& info) { return std::string(info.param.name); });

struct VerdictCase
{
    const char* name;
    std::vector<TrackSums> sums;
    std::vector<TrackVerdict> expected;
};

void PrintTo(const VerdictCase& c, std::ostream* os)
{
    *os << c.name;
}

class AccurateRipVerdicts : public ::testing::TestWithParam<VerdictCase>
{
};

TEST_P(AccurateRipVerdicts, CombineThePressings)
{
    const VerdictCase& c = GetParam();
    EXPECT_EQ(verdictsFor(parseDatabaseFile(kFirst + kSecond, threeTracks()), c.sums), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rips, AccurateRipVerdicts,
    ::testing::Values(
        // v1 sums match the first pressing all through.
        VerdictCase{"firstPressing",
                    {{0x11111111, 5}, {0x22222222, 5}, {0x33333333, 5}},
                    {{Status::Accurate, 10}, {Status::Accurate, 9}, {Status::Accurate, 8}}},
        // v2 sums count as well; a track matching in both pressings adds both confidences.
        VerdictCase{"v2AndBothPressings",
                    {{5, 0xaaaaaaaa}, {5, 0x22222222}, {0x33333333, 0xcccccccc}},
                    {{Status::Accurate, 2}, {Status::Accurate, 9}, {Status::Accurate, 8 + 255}}},
        // A damaged second track: it alone is not accurate.
        VerdictCase{"oneDamaged",
                    {{0x11111111, 5}, {0x22222223, 0x22222224}, {0x33333333, 5}},
                    {{Status::Accurate, 10}, {Status::NotAccurate, 0}, {Status::Accurate, 8}}},
        // The second pressing's entry of confidence 0 holds no rip, so a sum of 0 does not match it.
        VerdictCase{"zeroConfidenceEntry",
                    {{1, 1}, {0, 0}, {1, 1}},
                    {{Status::NotAccurate, 0}, {Status::NotAccurate, 0}, {Status::NotAccurate, 0}}},
        // The disc has more tracks than the pressings list.
        VerdictCase{"trackBeyondThePressings",
                    {{0x11111111, 5}, {5, 5}, {5, 5}, {5, 5}},
                    {{Status::Accurate, 10}, {Status::NotAccurate, 0}, {Status::NotAccurate, 0}, {}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AccurateRipVerdict, WithoutPressingsNoTrackIsInTheDatabase)
{
    const std::vector<TrackVerdict> verdicts = verdictsFor(std::nullopt, {{1, 2}, {3, 4}});
    ASSERT_EQ(verdicts.size(), 2u);
    EXPECT_EQ(verdicts[0].status, Status::NotInDatabase);
    EXPECT_EQ(verdicts[1].text(), QStringLiteral("not in database"));
}

TEST(AccurateRipVerdict, TextsShowTheConfidence)
{
    EXPECT_EQ((TrackVerdict{Status::Accurate, 12}).text(), QStringLiteral("accurate (confidence 12)"));
    EXPECT_EQ((TrackVerdict{Status::NotAccurate, 0}).text(), QStringLiteral("not accurate"));
}

} // namespace
