#include "audio/TACSFileIn.h"
#include "audio/EACSException.h"

#include <gtest/gtest.h>

namespace {

// A file source whose "file" is a header-only description: 16-bit stereo 44100 Hz of a
// given number of frames. It counts how often it is really opened.
class FakeFileIn : public TACSFileIn
{
public:
    explicit FakeFileIn(std::int32_t frames) : m_frames(frames) {}
    ~FakeFileIn() override { releaseHolders(); }

    void OpenSource() override
    {
        m_valid = true;
        if (m_openCount++ == 0) {
            ++realOpens;
            m_bits = 16;
            m_channels = 2;
            m_sampleRate = 44100;
            m_totalSamples = m_frames;
            m_size = m_frames * 4;
        }
    }
    void CloseSource() override
    {
        if (m_openCount > 0) {
            --m_openCount;
        }
    }
    bool SeekToSample(std::int32_t sample) override
    {
        seekedTo = sample;
        return true;
    }
    std::int32_t ReadData(void*, std::int32_t) override { return 0; }

    int realOpens = 0;
    std::int32_t seekedTo = -1;

private:
    std::int32_t m_frames;
};

struct RangeCase
{
    std::int32_t start;
    std::int32_t end;
    std::int32_t size;
};

class FileInRange : public testing::TestWithParam<RangeCase>
{
};

TEST_P(FileInRange, sizeCoversTheChosenFrames)
{
    const RangeCase c = GetParam();
    FakeFileIn in(5000);
    in.SetFileName("x.wav");
    in.SetStartSample(c.start);
    in.SetEndSample(c.end);
    in.OpenInput();
    EXPECT_EQ(in.Size(), c.size);
    EXPECT_EQ(in.seekedTo, c.start == 0 ? -1 : c.start);
    EXPECT_TRUE(in.Busy());
    EXPECT_EQ(in.Position(), 0);
    in.CloseInput();
    EXPECT_EQ(in.OpenCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(TACSFileIn, FileInRange,
                         testing::Values(RangeCase{0, -1, 20000}, RangeCase{1000, -1, 16000},
                                         RangeCase{1000, 2000, 4000}, RangeCase{0, 10, 40}, RangeCase{3000, 2000, 0}));

std::string openError(TACSFileIn& in)
{
    try {
        in.OpenInput();
    } catch (const EACSException& e) {
        return e.what();
    }
    return {};
}

TEST(TACSFileIn, openInputRefusesABusySourceAndAMissingName)
{
    FakeFileIn in(10);
    EXPECT_EQ(openError(in), "The file name is not assigned");
    in.SetFileName("x.wav");
    EXPECT_EQ(openError(in), "");
    EXPECT_EQ(openError(in), "The component is buisy");
}

TEST(TACSFileIn, queriesOpenTheSourceAroundTheReadOnlyWhenNotAlreadyOpen)
{
    FakeFileIn in(44100 * 3 + 22050);
    EXPECT_FALSE(in.Valid());
    in.SetFileName("x.wav");
    EXPECT_TRUE(in.Valid());
    EXPECT_EQ(in.SampleRate(), 44100);
    EXPECT_EQ(in.DurationSeconds(), 4); // 3.5 rounds to even
    EXPECT_EQ(in.realOpens, 3);
    EXPECT_EQ(in.OpenCount(), 0);

    in.OpenInput();
    EXPECT_EQ(in.ChannelCount(), 2);
    EXPECT_EQ(in.realOpens, 4);
    EXPECT_EQ(in.OpenCount(), 1);
    in.ResetInput();
    EXPECT_FALSE(in.Busy());
    EXPECT_EQ(in.OpenCount(), 0);
}

} // namespace
