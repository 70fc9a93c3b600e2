#include "audio/TSoundIndicator.h"
#include "MemorySource.h"
#include "StreamDoubles.h"
#include "audio/TAudioOut.h"
#include "support/FakeWaveAudio.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <thread>

namespace {

using Levels = std::array<double, 32>;

QByteArray samples16(const std::vector<int>& values)
{
    QByteArray bytes;
    for (int v : values) {
        bytes.append(char(v & 0xff));
        bytes.append(char((v >> 8) & 0xff));
    }
    return bytes;
}

QByteArray tone16(int rate, double frequency, int frames, int channels)
{
    std::vector<int> values;
    for (int i = 0; i < frames; ++i) {
        const int v = int(std::lround(16000.0 * std::sin(2.0 * std::numbers::pi * frequency * i / rate)));
        for (int c = 0; c < channels; ++c) {
            values.push_back(v);
        }
    }
    return samples16(values);
}

// Opens the indicator over `bytes`, passes them through in reads of `readBytes`, and
// checks that they come out unchanged.
void passThrough(TSoundIndicator& indicator, const QByteArray& bytes, int bits, int channels, int rate, int readBytes)
{
    MemorySource source(bytes, bits, channels, rate);
    indicator.SetInput(&source);
    indicator.OpenInput();
    QByteArray out;
    QByteArray buffer(readBytes, '\0');
    for (;;) {
        const std::int32_t got = indicator.ReadData(buffer.data(), readBytes);
        if (got <= 0) {
            break;
        }
        out += buffer.left(got);
        EXPECT_EQ(indicator.Position(), source.Position());
    }
    indicator.CloseInput();
    indicator.SetInput(nullptr);
    EXPECT_EQ(out, bytes);
}

Levels readLevels(TSoundIndicator& indicator)
{
    Levels levels;
    levels.fill(-1.0);
    indicator.ReadLevels(levels.data());
    return levels;
}

std::string raised(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EACSException& error) {
        return error.what();
    }
    return {};
}

} // namespace

TEST(TSoundIndicator, WithoutInputOrOpenPassItRaises)
{
    TSoundIndicator indicator;
    EXPECT_EQ(raised([&] { indicator.SampleRate(); }), "Input is not assigned.");
    EXPECT_EQ(raised([&] { indicator.ChannelCount(); }), "Input is not assigned.");
    EXPECT_EQ(raised([&] { indicator.SampleBits(); }), "Input is not assigned.");
    EXPECT_EQ(raised([&] { indicator.OpenInput(); }), "Input is not assigned.");
    char buffer[4];
    EXPECT_EQ(raised([&] { indicator.ReadData(buffer, 4); }), "The Stream is not opened");

    MemorySource source(QByteArray(8, '\0'), 8, 1, 11025);
    indicator.SetInput(&source);
    EXPECT_EQ(indicator.SampleBits(), 8);
    EXPECT_EQ(indicator.ChannelCount(), 1);
    EXPECT_EQ(indicator.SampleRate(), 11025);
}

TEST(TSoundIndicator, ShortBlocksPassUnmeasuredAndWholeGroupsAverage)
{
    const QByteArray a = tone16(44100, 3000.0, 64, 2);
    const QByteArray b = tone16(44100, 9000.0, 64, 2);
    TSoundIndicator indicator;

    passThrough(indicator, a, 16, 2, 44100, 64 * 4);
    const Levels levelsA = readLevels(indicator);
    passThrough(indicator, b, 16, 2, 44100, 64 * 4);
    const Levels levelsB = readLevels(indicator);
    ASSERT_NE(levelsA, levelsB);

    // 64 frames then 63 on one pass: the short read adds no group and leaves the levels.
    const QByteArray tail = tone16(44100, 500.0, 63, 2);
    MemorySource both(a + tail, 16, 2, 44100);
    indicator.SetInput(&both);
    indicator.OpenInput();
    QByteArray buffer(64 * 4, '\0');
    ASSERT_EQ(indicator.ReadData(buffer.data(), 64 * 4), 64 * 4);
    ASSERT_EQ(indicator.ReadData(buffer.data(), 64 * 4), 63 * 4);
    EXPECT_EQ(buffer.left(63 * 4), tail);
    indicator.CloseInput();
    indicator.SetInput(nullptr);
    EXPECT_EQ(readLevels(indicator), levelsA);

    // 128 frames in one read: two groups, summed and divided by two.
    passThrough(indicator, a + b, 16, 2, 44100, 128 * 4);
    const Levels both2 = readLevels(indicator);
    for (int band = 0; band < 32; ++band) {
        EXPECT_NEAR(both2[band], (levelsA[band] + levelsB[band]) / 2.0, 1e-9) << "band " << band;
    }
}

TEST(TSoundIndicator, ReadingTwiceWithoutSoundBetweenGivesZeros)
{
    TSoundIndicator indicator;
    passThrough(indicator, tone16(44100, 1000.0, 2048, 2), 16, 2, 44100, 8192);
    const Levels first = readLevels(indicator);
    EXPECT_GT(*std::max_element(first.begin(), first.end()), 0.0);
    EXPECT_EQ(readLevels(indicator), Levels{});
}

TEST(TSoundIndicator, SteadyLevelIsTheWindowedMeanOfBothChannels)
{
    // Left 1000, right 3000: the mix is 2000 in every frame, so only band 0 sees anything:
    // it is |sum of 2000 * w[i] over the first 64 window entries| / 64, in log10, times 20.
    std::vector<int> frames;
    for (int i = 0; i < 64; ++i) {
        frames.push_back(1000);
        frames.push_back(3000);
    }
    double windowSum = 0.0;
    for (int i = 0; i < 64; ++i) {
        windowSum += 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / 1023.0);
    }
    TSoundIndicator indicator;
    passThrough(indicator, samples16(frames), 16, 2, 44100, 256);
    const Levels levels = readLevels(indicator);
    EXPECT_NEAR(levels[0], 20.0 * std::log10(2000.0 * windowSum / 64.0), 1e-9);

    // 8-bit samples count from 0 to 255: a steady 200 is 200, not 72 or -56.
    TSoundIndicator eightBit;
    passThrough(eightBit, QByteArray(64, char(200)), 8, 1, 8000, 64);
    EXPECT_NEAR(readLevels(eightBit)[0], 20.0 * std::log10(200.0 * windowSum / 64.0), 1e-9);
}

struct ToneCase
{
    int rate;
    int band;
};

class TSoundIndicatorTone : public ::testing::TestWithParam<ToneCase>
{
};

// A 64-point transform at rate r has bands r / 64 Hz wide, so a 1 kHz tone falls into
// band 1000 * 64 / r: band 8 at 8000 Hz, 4 at 16000 Hz, 2 at 32000 Hz.
TEST_P(TSoundIndicatorTone, OneKilohertzPeaksInItsBand)
{
    TSoundIndicator indicator;
    passThrough(indicator, tone16(GetParam().rate, 1000.0, 4096, 1), 16, 1, GetParam().rate, 8192);
    const Levels levels = readLevels(indicator);
    const auto peak = std::max_element(levels.begin() + 1, levels.end());
    EXPECT_EQ(peak - levels.begin(), GetParam().band);
}

INSTANTIATE_TEST_SUITE_P(Rates, TSoundIndicatorTone,
                         ::testing::Values(ToneCase{8000, 8}, ToneCase{16000, 4}, ToneCase{32000, 2}));

// The window reads the levels on its timer while the sink's worker measures: the sound
// must come through whole whichever of the two gets the flag.
TEST(TSoundIndicator, LevelsReadDuringPlaybackNeverDisturbTheSound)
{
    auto fake = std::make_shared<FakeWaveAudio>();
    WaveAudio::install(fake);
    const QByteArray data = tone16(44100, 1000.0, 44100, 2);
    MemorySource source(data, 16, 2, 44100);
    TSoundIndicator indicator;
    indicator.SetInput(&source);
    TAudioOut out;
    out.SetInput(&indicator);
    std::atomic<bool> done{false};
    out.OnDone = [&](TACSOutput*) {
        done = true;
        done.notify_all();
    };
    out.Start();
    while (!done) {
        readLevels(indicator);
        std::this_thread::yield();
    }
    WaveAudio::install(nullptr);
    EXPECT_EQ(fake->lastDevice().played, data);
}
