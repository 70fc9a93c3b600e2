// The values at output instants from the reduced rates (a multiplication where the reduced
// output rate is a power of two) against the plain quotient with the full rates, for every
// phase a counter reaches and for samples at and near the extremes.
#include "audio/InstantValues.h"

#include "common/Rounding.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct RatePair
{
    std::int64_t in;
    std::int64_t out;
    bool multiplies; // the reduced output rate is a power of two
};

class InstantValuesExact : public testing::TestWithParam<RatePair>
{
};

std::vector<std::int64_t> samples()
{
    std::vector<std::int64_t> values = {-32768, -32767, -32766, -16385, -16384, -3,    -2,    -1,   0,
                                        1,      2,      3,      16383,  16384,  32765, 32766, 32767};
    std::uint32_t noise = 2463534242u;
    for (int i = 0; i < 48; ++i) {
        noise ^= noise << 13;
        noise ^= noise >> 17;
        noise ^= noise << 5;
        values.push_back(std::int64_t(noise % 65536u) - 32768);
    }
    return values;
}

TEST_P(InstantValuesExact, EveryPhaseGivesThePlainQuotient)
{
    const RatePair rates = GetParam();
    const InstantValues values(rates.in, rates.out);
    EXPECT_EQ(rates.out / values.out(), rates.in / values.in());
    EXPECT_EQ(rates.out % values.out(), 0);
    EXPECT_EQ((values.out() & (values.out() - 1)) == 0, rates.multiplies);
    const std::int64_t g = rates.out / values.out();
    const std::vector<std::int64_t> x = samples();
    // The phases a counter stepping by the input rate reaches: a whole cycle of them, or
    // its first 600 where the cycle is longer.
    std::int64_t phase = 0;
    for (std::int64_t step = 0; step < std::min<std::int64_t>(values.out(), 600); ++step) {
        for (std::int64_t previous : x) {
            for (std::int64_t next : x) {
                const double plain = double(
                    tarnwick::roundHalfEven(double((rates.out - phase) * previous + phase * next) / double(rates.out)));
                ASSERT_EQ(values.at(phase / g, previous, next), plain)
                    << "phase " << phase << " between " << previous << " and " << next;
            }
        }
        phase = (phase + rates.in) % rates.out;
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, InstantValuesExact,
                         testing::Values(RatePair{22050, 44100, true}, RatePair{11025, 44100, true},
                                         RatePair{24000, 48000, true}, RatePair{8000, 44100, false},
                                         RatePair{32000, 44100, false}, RatePair{44100, 48000, false},
                                         RatePair{7, 44100, false}, RatePair{1, 65536, true}));

} // namespace
