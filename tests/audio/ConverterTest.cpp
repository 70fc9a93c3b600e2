#include "MemorySource.h"
#include "WavFixtures.h"

#include "audio/EACSException.h"
#include "audio/TMSConverter.h"
#include "audio/TRateConverter.h"
#include "audio/TSampleConverter.h"
#include "audio/TStereoBalance.h"
#include "audio/TWaveIn.h"
#include "audio/TWaveOut.h"
#include "support/TempFolder.h"

#include <QBuffer>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>

using namespace fixtures;

namespace {

QByteArray drain(TACSInput& converter, int readSize = 3001)
{
    QByteArray all;
    QByteArray buffer(readSize, '\0');
    converter.OpenInput();
    for (int n; (n = converter.ReadData(buffer.data(), readSize)) > 0;) {
        all.append(buffer.constData(), n);
    }
    converter.CloseInput();
    return all;
}

std::vector<std::int16_t> samplesOf(const QByteArray& bytes)
{
    std::vector<std::int16_t> s(size_t(bytes.size() / 2));
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = std::int16_t(u16At(bytes, int(2 * i)));
    }
    return s;
}

QByteArray samples16(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values) {
        bytes += le16(std::uint16_t(v));
    }
    return bytes;
}

std::string errorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EACSException& e) {
        return e.what();
    }
    return {};
}

TEST(TRateConverter, blackmanKernelIsSymmetricAndSumsToOne)
{
    const std::vector<double> h = TRateConverter::makeKernel(30, 0.2f, fwBlackman);
    ASSERT_EQ(h.size(), 30u);
    for (int i = 1; i < 15; ++i) {
        // Up to the rounding of the 2π constant in the window.
        EXPECT_NEAR(h[size_t(15 - i)], h[size_t(15 + i)], 1e-12) << i;
    }
    EXPECT_NEAR(h[0], 0.0, 1e-12);
    double sum = 0;
    for (double v : h) {
        sum += v;
    }
    EXPECT_NEAR(sum, 1.0, 1e-12);
    EXPECT_GT(h[15], h[14]);
}

TEST(TRateConverter, settersIgnoreValuesOutOfRange)
{
    TRateConverter converter;
    converter.SetOutSampleRate(0);
    converter.SetOutSampleRate(-5);
    converter.SetKernelWidth(1);
    EXPECT_EQ(converter.OutSampleRate(), 22050);
    EXPECT_EQ(converter.KernelWidth(), 30);

    MemorySource source(QByteArray(400, '\0'), 16, 2, 44100);
    converter.SetInput(&source);
    converter.OpenInput();
    converter.SetOutSampleRate(11025);
    converter.SetKernelWidth(8);
    EXPECT_EQ(converter.OutSampleRate(), 22050);
    EXPECT_EQ(converter.KernelWidth(), 30);
    converter.CloseInput();
    converter.SetOutSampleRate(11025);
    EXPECT_EQ(converter.OutSampleRate(), 11025);
}

// Halving the rate keeps every second frame, filtered: an impulse at frame 40 shows the
// kernel, newest sample against the last tap, at the even frames only.
TEST(TRateConverter, halvingKeepsFilteredCopiesOfEvenFrames)
{
    std::vector<std::int16_t> input(2 * 44100, 0);
    input[2 * 40] = 10000;      // left
    input[2 * 40 + 1] = -20000; // right
    MemorySource source(samplesToBytes(input), 16, 2, 44100);
    TRateConverter converter;
    converter.SetInput(&source);
    converter.SetOutSampleRate(22050);
    converter.OpenInput();
    EXPECT_EQ(converter.Size(), 88200);
    converter.CloseInput();
    const std::vector<std::int16_t> out = samplesOf(drain(converter));
    ASSERT_EQ(out.size(), 44100u);
    const std::vector<double> h = TRateConverter::makeKernel(30, 0.2f, fwBlackman);
    for (int m = 0; m < 22050; ++m) {
        const int age = 2 * m - 40; // how far frame 2m is past the impulse
        const double tap = age >= 0 && age < 30 ? h[size_t(29 - age)] : 0.0;
        ASSERT_EQ(out[size_t(2 * m)], std::int16_t(std::lround(10000 * tap))) << m;
        ASSERT_EQ(out[size_t(2 * m + 1)], std::int16_t(std::lround(-20000 * tap))) << m;
    }
}

struct RateCase
{
    int from;
    int to;
};

class SteadySignal : public testing::TestWithParam<RateCase>
{
};

// A constant input comes out constant once the filter is filled, at the declared size,
// whatever the read sizes.
TEST_P(SteadySignal, passesUnchangedAtTheNewRate)
{
    const RateCase c = GetParam();
    const int frames = 20000;
    MemorySource source(samplesToBytes(std::vector<std::int16_t>(size_t(frames), 1234)), 16, 1, c.from);
    TRateConverter converter;
    converter.SetInput(&source);
    converter.SetOutSampleRate(c.to);
    const std::vector<std::int16_t> out = samplesOf(drain(converter, 777));
    const double expected = double(frames) * c.to / c.from;
    EXPECT_NEAR(double(out.size()), expected, 2.0);
    for (size_t i = 40; i < out.size(); ++i) {
        ASSERT_EQ(out[i], 1234) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(TRateConverter, SteadySignal,
                         testing::Values(RateCase{44100, 22050}, RateCase{22050, 44100}, RateCase{44100, 44100},
                                         RateCase{32000, 44100}, RateCase{48000, 44100}, RateCase{8000, 44100}));

TEST(TRateConverter, anInputWithoutARateGivesNothing)
{
    MemorySource source(QByteArray(4000, '\x01'), 16, 2, 0);
    TRateConverter converter;
    converter.SetInput(&source);
    converter.SetOutSampleRate(44100);
    EXPECT_EQ(drain(converter), QByteArray());
}

TEST(TRateConverter, outputBeyondSixteenBitsWrapsInsteadOfSaturating)
{
    // A full-scale square wave overshoots through the low-pass; stored values keep their
    // low 16 bits, so an overshoot above 32767 shows as a large negative sample.
    std::vector<std::int16_t> input;
    for (int i = 0; i < 4000; ++i) {
        input.push_back((i / 50) % 2 ? 32767 : -32768);
    }
    MemorySource source(samplesToBytes(input), 16, 1, 22050);
    TRateConverter converter;
    converter.SetInput(&source);
    converter.SetOutSampleRate(44100);
    const std::vector<std::int16_t> out = samplesOf(drain(converter));
    bool wrapped = false;
    for (size_t i = 1; i < out.size(); ++i) {
        wrapped = wrapped || (std::abs(int(out[i]) - int(out[i - 1])) > 40000);
    }
    EXPECT_TRUE(wrapped);
}

TEST(Converters, needAnInputAndAnOpenStream)
{
    TRateConverter rate;
    TMSConverter ms;
    TSampleConverter sample;
    TStereoBalance balance;
    for (TACSInput* converter : std::initializer_list<TACSInput*>{&rate, &ms, &sample, &balance}) {
        EXPECT_EQ(errorOf([&] { converter->SampleRate(); }), "Input not assigned");
        EXPECT_EQ(errorOf([&] { converter->OpenInput(); }), "Input not assigned");
        char buffer[4];
        EXPECT_EQ(errorOf([&] { converter->ReadData(buffer, 4); }), "The Stream is not opened");
    }
}

TEST(TMSConverter, stereoToMonoAveragesTowardZero)
{
    MemorySource source(samples16({-3, 0, 32767, 32767, -32768, -32768, 5, -2}), 16, 2, 44100);
    TMSConverter converter;
    converter.SetInput(&source);
    EXPECT_EQ(converter.ChannelCount(), 1);
    EXPECT_EQ(drain(converter), samples16({-1, 32767, -32768, 1}));
}

struct MonoCase
{
    TMSConverterMode mode;
    QByteArray expected;
};

class MonoToStereo : public testing::TestWithParam<MonoCase>
{
};

TEST_P(MonoToStereo, fillsTheChannelsTheModeNames)
{
    MemorySource source(samples16({100, -7}), 16, 1, 44100);
    TMSConverter converter;
    converter.SetInput(&source);
    converter.SetMode(GetParam().mode);
    EXPECT_EQ(converter.ChannelCount(), 2);
    converter.OpenInput();
    EXPECT_EQ(converter.Size(), 8);
    converter.CloseInput();
    EXPECT_EQ(drain(converter), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(TMSConverter, MonoToStereo,
                         testing::Values(MonoCase{msmMonoToBoth, samples16({100, 100, -7, -7})},
                                         MonoCase{msmMonoToLeft, samples16({100, 0, -7, 0})},
                                         MonoCase{msmMonoToRight, samples16({0, 100, 0, -7})}));

TEST(TSampleConverter, sixteenToEightAndBack)
{
    MemorySource sixteen(samples16({-32768, -1, 0, 32767}), 16, 1, 8000);
    TSampleConverter down;
    down.SetInput(&sixteen);
    EXPECT_EQ(down.SampleBits(), 8);
    EXPECT_EQ(drain(down), QByteArray("\x00\x7f\x80\xff", 4));

    MemorySource eight(QByteArray("\x00\xff\x80", 3), 8, 1, 8000);
    TSampleConverter up;
    up.SetInput(&eight);
    EXPECT_EQ(up.SampleBits(), 16);
    EXPECT_EQ(drain(up), samples16({-32768, 32512, 0}));
}

struct BalanceCase
{
    float balance;
    QByteArray expected; // from stereo (1000, -1000), (3, 3)
};

class Balance : public testing::TestWithParam<BalanceCase>
{
};

TEST_P(Balance, attenuatesTheFarChannel)
{
    MemorySource source(samples16({1000, -1000, 3, 3}), 16, 2, 44100);
    TStereoBalance balance;
    balance.SetInput(&source);
    balance.SetBalance(GetParam().balance);
    EXPECT_EQ(drain(balance), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(TStereoBalance, Balance,
                         testing::Values(BalanceCase{0.5f, samples16({1000, -1000, 3, 3})},
                                         BalanceCase{1.0f, samples16({0, -1000, 0, 3})},
                                         BalanceCase{0.0f, samples16({1000, 0, 3, 0})},
                                         BalanceCase{0.75f, samples16({500, -1000, 2, 3})},
                                         BalanceCase{0.25f, samples16({1000, -500, 3, 2})}));

TEST(TStereoBalance, doublesAMonoInputAndIgnoresBalancesOutOfRange)
{
    MemorySource source(samples16({1, 2, 3, 4, 5}), 16, 1, 44100);
    TStereoBalance balance;
    balance.SetInput(&source);
    balance.SetBalance(1.5f);
    balance.SetBalance(-0.1f);
    EXPECT_EQ(balance.Balance(), 0.5f);
    EXPECT_EQ(balance.ChannelCount(), 2);
    balance.OpenInput();
    EXPECT_EQ(balance.Size(), 20);
    balance.CloseInput();
    EXPECT_EQ(drain(balance, 8), samples16({1, 1, 2, 2, 3, 3, 4, 4, 5, 5}));
}

// The chain of the format converter window: 8-bit stereo 44100 Hz to 16-bit mono 22050 Hz
// and back to 8 bits, ending in a file.
TEST(ConverterChain, convertsAFileEndToEnd)
{
    TempFolder folder;
    QByteArray eightBit;
    for (int i = 0; i < 8000; ++i) {
        eightBit += char(128 + int(100 * std::sin(i / 10.0)));
    }
    ASSERT_TRUE(writeFileBytes(folder.file("in.wav"), pcmWav(eightBit, 8, 2, 44100)));
    TWaveIn in;
    in.SetFileName(folder.file("in.wav"));
    TSampleConverter up;
    up.SetInput(&in);
    TMSConverter ms;
    ms.SetInput(&up);
    TRateConverter rate;
    rate.SetInput(&ms);
    rate.SetOutSampleRate(22050);
    TSampleConverter down;
    down.SetInput(&rate);
    TWaveOut out;
    out.SetInput(&down);
    out.SetFileName(folder.file("out.wav"));

    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    out.OnDone = [&](TACSOutput*) {
        std::lock_guard guard(mutex);
        done = true;
        changed.notify_all();
    };
    out.Start();
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return done; });
    }
    EXPECT_EQ(out.Progress(), 100);
    TWaveIn result;
    result.SetFileName(folder.file("out.wav"));
    ASSERT_TRUE(result.Valid());
    EXPECT_EQ(result.SampleBits(), 8);
    EXPECT_EQ(result.ChannelCount(), 1);
    EXPECT_EQ(result.SampleRate(), 22050);
    EXPECT_EQ(readAll(result).size(), 2000);
}

} // namespace
