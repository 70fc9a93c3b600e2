#include "cd/AccurateRipDiscId.h"
#include "cd/CDDriveLibrary.h"

#include <gtest/gtest.h>

namespace {

using tarnwick::accuraterip::DiscIds;

struct DiscCase
{
    const char* name;
    std::vector<DiscTrack> tracks; // absolute frames (150 = 00:02:00)
    std::int32_t leadOut;
    DiscIds expected; // worked out by hand below
    const char* url;
};

void PrintTo(const DiscCase& c, std::ostream* os)
{
    *os << c.name;
}

class AccurateRipDiscIds : public ::testing::TestWithParam<DiscCase>
{
};

TEST_P(AccurateRipDiscIds, MatchTheHandComputedValues)
{
    const DiscCase& c = GetParam();
    DiscLayout layout;
    layout.firstTrack = c.tracks.front().number;
    layout.tracks = c.tracks;
    layout.leadOut = c.leadOut;

    const DiscIds ids = tarnwick::accuraterip::discIdsOf(layout);
    EXPECT_EQ(ids.trackCount, c.expected.trackCount);
    EXPECT_EQ(ids.id1, c.expected.id1) << std::hex << ids.id1;
    EXPECT_EQ(ids.id2, c.expected.id2) << std::hex << ids.id2;
    EXPECT_EQ(ids.cddbId, c.expected.cddbId) << std::hex << ids.cddbId;
    EXPECT_EQ(ids.trackNumbers, c.expected.trackNumbers);
    EXPECT_EQ(tarnwick::accuraterip::databaseUrl(QStringLiteral("http://db.example/ar/"), ids), QByteArray(c.url));

    // The same disc read back from the table of contents record the extraction thread holds.
    TOC toc;
    tarnwick::fillToc(layout, true, &toc);
    EXPECT_EQ(tarnwick::accuraterip::discIdsOf(tarnwick::accuraterip::layoutFromMsfToc(toc)), ids);
}

// Starts as blocks from 00:02:00 (absolute frame - 150); id1 = starts + audio lead-out,
// id2 = each start (1 for 0) x its audio position + lead-out x (audio tracks + 1).
// CDDB: digit sums of the starts in seconds mod 255, playing seconds, track count.
INSTANTIATE_TEST_SUITE_P(Discs, AccurateRipDiscIds,
                         ::testing::Values(
                             // Blocks 0, 14850, 29850, lead-out 44850.
                             // id1 = 0 + 14850 + 29850 + 44850 = 89550 = 0x15dce
                             // id2 = 1x1 + 14850x2 + 29850x3 + 44850x4 = 1 + 29700 + 89550 + 179400 = 298651 = 0x48e9b
                             // CDDB: 2 s, 200 s, 400 s: 2 + 2 + 4 = 8; 600 - 2 = 598 = 0x256; 3 tracks.
                             DiscCase{"audio",
                                      {{1, 150, true}, {2, 15000, true}, {3, 30000, true}},
                                      45000,
                                      {3, 0x15dceu, 0x48e9bu, 0x08025603u, {1, 2, 3}},
                                      "http://db.example/ar/e/c/d/dBAR-003-00015dce-00048e9b-08025603.bin"},
                             // A data session after two audio tracks: the sums take the audio tracks, but
                             // the lead-out term is the disc's own lead-out, block 59850.
                             // id1 = 0 + 19850 + 59850 = 79700 = 0x13754;
                             // id2 = 1x1 + 19850x2 + 59850x3 = 1 + 39700 + 179550 = 219251 = 0x35873.
                             // The CDDB ID counts the data track: 2 s, 266 s, 533 s: 2 + 14 + 11 = 27 = 0x1b;
                             // 800 - 2 = 798 = 0x31e; 3 tracks.
                             DiscCase{"enhanced",
                                      {{1, 150, true}, {2, 20000, true}, {3, 40000, false}},
                                      60000,
                                      {2, 0x13754u, 0x35873u, 0x1b031e03u, {1, 2}},
                                      "http://db.example/ar/4/5/7/dBAR-002-00013754-00035873-1b031e03.bin"},
                             // A published enhanced CD: ten audio tracks from LSN 0, 12617, 40337, 63075,
                             // 93260, 117965, 151715, 184190, 215110, 247305, the data session at 281585,
                             // lead-out 333651. This is the file the database's own clients ask for.
                             DiscCase{"publishedEnhanced",
                                      {{1, 150, true},
                                       {2, 12767, true},
                                       {3, 40487, true},
                                       {4, 63225, true},
                                       {5, 93410, true},
                                       {6, 118115, true},
                                       {7, 151865, true},
                                       {8, 184340, true},
                                       {9, 215260, true},
                                       {10, 247455, true},
                                       {11, 281735, false}},
                                      333801,
                                      {10, 0x164419u, 0xb9f6e2u, 0x9e11600bu, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
                                      "http://db.example/ar/9/1/4/dBAR-010-00164419-00b9f6e2-9e11600b.bin"},
                             // A data track first: the audio tracks 2 and 3 count as positions 1 and 2.
                             // Blocks 29850, 51850, lead-out 89850. id1 = 29850 + 51850 + 89850 = 171550 = 0x29e1e;
                             // id2 = 29850x1 + 51850x2 + 89850x3 = 29850 + 103700 + 269550 = 403100 = 0x6269c.
                             // CDDB: 2 s, 400 s, 693 s: 2 + 4 + 18 = 24 = 0x18; 1200 - 2 = 1198 = 0x4ae; 3 tracks.
                             DiscCase{"dataFirst",
                                      {{1, 150, false}, {2, 30000, true}, {3, 52000, true}},
                                      90000,
                                      {2, 0x29e1eu, 0x6269cu, 0x1804ae03u, {2, 3}},
                                      "http://db.example/ar/e/1/e/dBAR-002-00029e1e-0006269c-1804ae03.bin"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AccurateRipDiscIds, DiscWithoutAudioHasNone)
{
    DiscLayout data;
    data.tracks = {{1, 150, false}};
    data.leadOut = 30000;
    EXPECT_FALSE(tarnwick::accuraterip::discIdsOf(data).valid());
    EXPECT_FALSE(tarnwick::accuraterip::discIdsOf(DiscLayout{}).valid());
}

} // namespace
