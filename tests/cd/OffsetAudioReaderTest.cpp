#include "cd/OffsetAudioReader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

namespace {

constexpr int Samples = OffsetAudioReader::SamplesPerSector;
constexpr int SectorBytes = OffsetAudioReader::SectorBytes;

// A disc of `sectors` sectors whose stereo sample k holds k + 1 in both channels
// (never 0, so silence cannot pass for audio), with a record of every read.
struct FakeDisc
{
    explicit FakeDisc(std::int32_t sectorCount) : sectors(sectorCount) {}

    static std::uint32_t sampleAt(std::int64_t k)
    {
        const auto v = static_cast<std::uint16_t>((k + 1) & 0xffff);
        return v == 0 ? 1u : v;
    }

    OffsetAudioReader::SectorRead reader()
    {
        return [this](std::int32_t position, int frames, std::uint8_t* dest) {
            reads.push_back({position, frames});
            if (position < 0 || position + frames > sectors || frames > 10 || position == failAt) {
                return false;
            }
            for (std::int64_t k = 0; k < std::int64_t{frames} * Samples; ++k) {
                const std::uint32_t v = sampleAt(std::int64_t{position} * Samples + k);
                const std::uint8_t bytes[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v),
                                               std::uint8_t(v >> 8)};
                std::memcpy(dest + 4 * k, bytes, 4);
            }
            return true;
        };
    }

    // The value a perfect drive gives for stereo sample k of the disc: silence off it.
    std::uint32_t expected(std::int64_t k) const
    {
        return (k < 0 || k >= std::int64_t{sectors} * Samples) ? 0u : sampleAt(k);
    }

    std::int32_t sectors;
    std::int32_t failAt = -1;
    std::vector<std::pair<std::int32_t, int>> reads;
};

std::uint32_t leftAt(const std::vector<std::uint8_t>& audio, std::int64_t k)
{
    return audio[4 * k] | (audio[4 * k + 1] << 8);
}

struct SweepCase
{
    const char* name;
    int offset;
    std::int32_t from;   // first sector read
    std::int32_t frames; // sectors read in all
};

class OffsetSweep : public ::testing::TestWithParam<SweepCase>
{
};

// Reads a stretch block by block as the extraction thread does and checks every sample
// against the disc moved by the offset, and that no sector of the drive is read twice.
TEST_P(OffsetSweep, GivesTheDiscsSamplesMovedByTheOffset)
{
    const SweepCase& c = GetParam();
    FakeDisc disc(200);
    OffsetAudioReader reader(disc.reader(), disc.sectors, c.offset, 10);
    std::vector<std::uint8_t> audio(static_cast<std::size_t>(c.frames) * SectorBytes);
    for (std::int32_t done = 0; done < c.frames; done += 10) {
        const int n = std::min(10, c.frames - done);
        ASSERT_TRUE(reader.read(c.from + done, n, audio.data() + std::size_t(done) * SectorBytes));
    }
    for (std::int64_t k = 0; k < std::int64_t{c.frames} * Samples; ++k) {
        const std::int64_t source = std::int64_t{c.from} * Samples + k + c.offset;
        ASSERT_EQ(leftAt(audio, k), disc.expected(source)) << "sample " << k;
        ASSERT_EQ(audio[4 * k + 2] | (audio[4 * k + 3] << 8), disc.expected(source)) << "right, sample " << k;
    }
    std::multiset<std::int32_t> sectorsRead;
    for (const auto& [position, frames] : disc.reads) {
        EXPECT_LE(frames, 10);
        for (int i = 0; i < frames; ++i) {
            sectorsRead.insert(position + i);
        }
    }
    for (const std::int32_t s : sectorsRead) {
        EXPECT_EQ(sectorsRead.count(s), 1u) << "sector " << s << " read more than once";
        EXPECT_GE(s, 0);
        EXPECT_LT(s, disc.sectors);
    }
    for (std::size_t i = 1; i < disc.reads.size(); ++i) {
        EXPECT_EQ(disc.reads[i].first, disc.reads[i - 1].first + disc.reads[i - 1].second) << "reads run on";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, OffsetSweep,
    ::testing::Values(SweepCase{"None", 0, 20, 35}, SweepCase{"Plus6", 6, 20, 35}, SweepCase{"Minus30", -30, 20, 35},
                      SweepCase{"Plus1000", 1000, 20, 35}, SweepCase{"WholeSectorForward", 588, 20, 35},
                      SweepCase{"WholeSectorsBack", -1176, 20, 35}, SweepCase{"Minus30AtTheStart", -30, 0, 25},
                      SweepCase{"Minus1000AtTheStart", -1000, 0, 12}, SweepCase{"Plus6AtTheEnd", 6, 170, 30},
                      SweepCase{"Plus1000AtTheEnd", 1000, 175, 25}, SweepCase{"WholeSectorPastTheEnd", 588, 190, 10},
                      SweepCase{"FarPastTheEnd", 9000, 190, 10}, SweepCase{"FarBeforeTheStart", -9000, 0, 10}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OffsetAudioReader, PlainReadIsOneReadOfTheBlockItself)
{
    FakeDisc disc(50);
    OffsetAudioReader reader(disc.reader(), disc.sectors, 0, 10);
    std::vector<std::uint8_t> audio(7 * SectorBytes);
    ASSERT_TRUE(reader.read(12, 7, audio.data()));
    ASSERT_EQ(disc.reads.size(), 1u);
    EXPECT_EQ(disc.reads[0], (std::pair<std::int32_t, int>{12, 7}));
}

struct FailCase
{
    const char* name;
    int offset;
    std::int32_t failAt;
};

class OffsetReadFailure : public ::testing::TestWithParam<FailCase>
{
};

TEST_P(OffsetReadFailure, FailsTheBlockAndReadsAgainAfterwards)
{
    FakeDisc disc(100);
    disc.failAt = GetParam().failAt;
    OffsetAudioReader reader(disc.reader(), disc.sectors, GetParam().offset, 10);
    std::vector<std::uint8_t> audio(10 * SectorBytes);
    ASSERT_TRUE(reader.read(0, 10, audio.data()));
    EXPECT_FALSE(reader.read(10, 10, audio.data()));
    disc.failAt = -1;
    // The sector kept from before the failure is not trusted: the next block reads afresh.
    disc.reads.clear();
    ASSERT_TRUE(reader.read(10, 10, audio.data()));
    EXPECT_EQ(leftAt(audio, 0), disc.expected(10 * Samples + GetParam().offset));
}

INSTANTIATE_TEST_SUITE_P(Offsets, OffsetReadFailure,
                         ::testing::Values(FailCase{"None", 0, 10}, FailCase{"Plus6", 6, 11},
                                           FailCase{"Minus30", -30, 10}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
