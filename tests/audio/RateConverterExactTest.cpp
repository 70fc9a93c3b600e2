// TRateConverter's output against the resampling written out literally: a phase counter
// over the whole signal, the sum newest-first when going down, and a real overlap-add into
// an accumulator when going up. The converter works a chunk at a time and sums in a
// different loop structure for speed; every sample must still come out the same.
#include "MemorySource.h"
#include "WavFixtures.h"

#include "audio/TRateConverter.h"
#include "common/Rounding.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

std::int16_t low16(double value)
{
    return std::int16_t(std::uint16_t(std::uint64_t(tarnwick::roundHalfEven(value)) & 0xffff));
}

std::vector<std::int16_t> literal(const std::vector<std::int16_t>& x, int channels, int in, int out,
                                  const std::vector<double>& h)
{
    const int n = int(h.size());
    const int frames = int(x.size()) / channels;
    std::vector<std::int16_t> y;
    auto at = [&](int frame, int c) { return frame < 0 ? 0 : int(x[size_t(frame * channels + c)]); };
    if (out < in) {
        std::int64_t counter = out;
        for (int j = 0; j < frames; ++j) {
            if (counter > out) {
                counter -= out;
                continue;
            }
            for (int c = 0; c < channels; ++c) {
                double sum = 0;
                for (int k = 0; k < n; ++k) {
                    sum += h[size_t(n - 1 - k)] * at(j - k, c);
                }
                y.push_back(low16(sum));
            }
            counter += in - out;
        }
        return y;
    }
    std::vector<std::vector<double>> acc(static_cast<size_t>(channels));
    std::int64_t counter = 0;
    auto addValue = [&](int c, std::int64_t numerator, size_t f) {
        const double v = double(tarnwick::roundHalfEven(double(numerator) / out));
        acc[size_t(c)].resize(std::max(acc[size_t(c)].size(), f + size_t(n)), 0.0);
        for (int i = 0; i < n; ++i) {
            acc[size_t(c)][f + size_t(i)] += v * h[size_t(i)];
        }
    };
    size_t f = 0;
    for (int i = -1; i + 1 < frames; ++i) { // -1: from the last frame before the signal (0)
        while (counter < out) {
            for (int c = 0; c < channels; ++c) {
                addValue(c, (out - counter) * at(i, c) + counter * at(i + 1, c), f);
            }
            counter += in;
            ++f;
        }
        counter -= out;
    }
    for (size_t k = 0; k < f; ++k) {
        for (int c = 0; c < channels; ++c) {
            y.push_back(low16(acc[size_t(c)][k]));
        }
    }
    return y;
}

struct ExactCase
{
    int from;
    int to;
    int channels;
    int width;
    TFilterWindowType window;
};

class RateExact : public testing::TestWithParam<ExactCase>
{
};

TEST_P(RateExact, everySampleAsTheLiteralAlgorithmGives)
{
    const ExactCase c = GetParam();
    const std::vector<std::int16_t> input = testSignal(30000, c.channels);
    MemorySource source(samplesToBytes(input), 16, c.channels, c.from);
    source.limitReads(10006); // odd read sizes, so chunks fill from several reads
    TRateConverter converter;
    converter.SetInput(&source);
    converter.SetOutSampleRate(c.to);
    converter.SetKernelWidth(c.width);
    converter.SetFilterWindow(c.window);
    converter.OpenInput();
    QByteArray got;
    QByteArray buffer(4099, '\0');
    for (int n; (n = converter.ReadData(buffer.data(), 4099)) > 0;) {
        got.append(buffer.constData(), n);
    }
    converter.CloseInput();

    const float ratio = float(c.to) / float(c.from);
    const float cutoff = ratio < 1 ? float(0.4 * double(ratio)) : ratio > 1 ? float(0.4 / double(ratio)) : 0.4f;
    const std::vector<std::int16_t> expected =
        literal(input, c.channels, c.from, c.to, TRateConverter::makeKernel(c.width, cutoff, c.window));
    ASSERT_EQ(got.size(), qsizetype(expected.size() * 2));
    for (size_t i = 0; i < expected.size(); ++i) {
        ASSERT_EQ(std::int16_t(u16At(got, int(2 * i))), expected[i]) << "sample " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    TRateConverter, RateExact,
    testing::Values(ExactCase{44100, 22050, 2, 30, fwBlackman}, ExactCase{22050, 44100, 2, 30, fwBlackman},
                    ExactCase{44100, 22050, 1, 30, fwBlackman}, ExactCase{22050, 44100, 1, 30, fwBlackman},
                    ExactCase{48000, 44100, 2, 17, fwHann}, ExactCase{11025, 44100, 2, 31, fwHamming},
                    ExactCase{44100, 44100, 1, 2, fwBlackman}, ExactCase{44100, 8000, 1, 64, fwHamming}));

} // namespace
