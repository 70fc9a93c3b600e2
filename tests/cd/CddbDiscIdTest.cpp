#include "CdTestDoubles.h"

#include "cd/CDDriveLibrary.h"
#include "cd/CddbDiscId.h"
#include "cd/CddbProtocol.h"

#include <gtest/gtest.h>

namespace {

struct DiscIdCase
{
    const char* name;
    std::vector<std::int32_t> starts; // absolute frames
    std::int32_t leadOut;
    std::uint32_t expected; // worked out by hand below
    const char* command;
};

void PrintTo(const DiscIdCase& c, std::ostream* os)
{
    *os << c.name;
}

DiscLayout layoutAt(const std::vector<std::int32_t>& starts, std::int32_t leadOut)
{
    DiscLayout layout;
    for (std::size_t i = 0; i < starts.size(); ++i) {
        layout.tracks.push_back({1 + static_cast<int>(i), starts[i], true});
    }
    layout.leadOut = leadOut;
    return layout;
}

class CddbDiscIdOf : public ::testing::TestWithParam<DiscIdCase>
{
};

TEST_P(CddbDiscIdOf, MatchesTheHandComputedValue)
{
    const DiscIdCase& c = GetParam();
    const DiscLayout layout = layoutAt(c.starts, c.leadOut);
    EXPECT_EQ(tarnwick::cddbDiscId(layout), c.expected) << std::hex << tarnwick::cddbDiscId(layout);
    EXPECT_EQ(tarnwick::cddb::queryCommand(tarnwick::cddbDiscOf(layout)), QByteArray(c.command));

    // The same disc read back from a table of contents in minutes, seconds and frames.
    TOC toc;
    tarnwick::fillToc(layout, true, &toc);
    EXPECT_EQ(tarnwick::cddbDiscIdFromMsfToc(toc), c.expected);
}

// Starts in seconds and their digit sums; playing time = lead-out seconds - first start seconds.
INSTANTIATE_TEST_SUITE_P(
    Discs, CddbDiscIdOf,
    ::testing::Values(
        // 2 s, 200 s, 400 s: 2 + 2 + 4 = 8; 600 - 2 = 598 = 0x256; 3 tracks.
        DiscIdCase{"three", {150, 15000, 30000}, 45000, 0x08025603u, "cddb query 08025603 3 150 15000 30000 600"},
        // 2 s: 2; 182 - 2 = 180 = 0xb4; 1 track.
        DiscIdCase{"one", {150}, 13650, 0x0200b401u, "cddb query 0200b401 1 150 182"},
        // 182 frames is still 2 s; 266 s: 14; 440 s: 8; 901 s: 10; sum 34 = 0x22; 1200 - 2 = 1198 = 0x4ae.
        DiscIdCase{"frames",
                   {182, 20000, 33000, 67575},
                   90000,
                   0x2204ae04u,
                   "cddb query 2204ae04 4 182 20000 33000 67575 1200"},
        // Ten starts whose digit sums are 27 each: 270 mod 255 = 15; 3000 - 999 = 2001 = 0x7d1; 10 tracks.
        DiscIdCase{"modulo",
                   {999 * 75, 1899 * 75, 1989 * 75, 1998 * 75, 2799 * 75, 2889 * 75, 2898 * 75, 2979 * 75, 2988 * 75,
                    2997 * 75},
                   3000 * 75,
                   0x0f07d10au,
                   "cddb query 0f07d10a 10 74925 142425 149175 149850 209925 216675 217350 223425 224100 224775 "
                   "3000"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CddbDiscId, CountsDataTracksAndCutsAtNinetyNine)
{
    DiscLayout mixed = layoutAt({150, 15000, 30000}, 45000);
    mixed.tracks[2].audio = false;
    EXPECT_EQ(tarnwick::cddbDiscId(mixed), 0x08025603u);

    // 120 tracks of 1000 frames: the drive library reports 99, ending where track 100 starts.
    std::vector<std::int32_t> starts;
    for (int i = 0; i < 120; ++i) {
        starts.push_back(150 + 1000 * i);
    }
    const tarnwick::CddbDisc disc = tarnwick::cddbDiscOf(layoutAt(starts, 150 + 120000));
    EXPECT_EQ(disc.offsets.size(), 99u);
    EXPECT_EQ(disc.seconds, (150 + 99000) / 75);
    EXPECT_EQ(disc.discId & 0xff, 99u);

    EXPECT_EQ(tarnwick::cddbDiscOf(DiscLayout{}).discId, 0u);
    EXPECT_TRUE(tarnwick::cddbDiscOf(DiscLayout{}).offsets.empty());
}

// A published enhanced CD (ten audio tracks, the data session at LSN 281585, lead-out
// 333651): the CDDB ID and the query count the data track, and the playing time runs to
// the disc's own lead-out.
TEST(CddbDiscIdOf, EnhancedCdCountsItsDataTrack)
{
    DiscLayout layout =
        layoutAt({150, 12767, 40487, 63225, 93410, 118115, 151865, 184340, 215260, 247455, 281735}, 333801);
    layout.tracks.back().audio = false;
    EXPECT_EQ(tarnwick::cddbDiscId(layout), 0x9e11600bu) << std::hex << tarnwick::cddbDiscId(layout);
    EXPECT_EQ(tarnwick::cddb::queryCommand(tarnwick::cddbDiscOf(layout)),
              QByteArray("cddb query 9e11600b 11 150 12767 40487 63225 93410 118115 151865 184340 215260 247455 "
                         "281735 4450"));
}

} // namespace
