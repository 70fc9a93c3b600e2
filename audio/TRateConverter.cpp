#include "audio/TRateConverter.h"

#include "audio/SampleBytes.h"
#include "common/Rounding.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double twoPi = 6.28318530718;

// Stored without saturation: the low 16 bits of the rounded value.
inline std::int16_t store(double value)
{
    return std::int16_t(std::uint16_t(std::uint64_t(tarnwick::roundHalfEven(value)) & 0xffffu));
}

// round(numerator / denominator), halves to even, for a positive denominator; done in
// integers so it is exact for any rate.
inline std::int32_t divideRounded(std::int64_t numerator, std::int64_t denominator)
{
    std::int64_t quotient = numerator / denominator;
    std::int64_t remainder = numerator % denominator;
    if (remainder < 0) {
        remainder += denominator;
        --quotient;
    }
    const std::int64_t twice = 2 * remainder;
    if (twice > denominator || (twice == denominator && (quotient & 1))) {
        ++quotient;
    }
    return std::int32_t(quotient);
}

} // namespace

TRateConverter::TRateConverter(QObject* owner) : TBlockConverter(owner) {}

TRateConverter::~TRateConverter()
{
    releaseHolders();
}

std::int32_t TRateConverter::SampleBits()
{
    requireInput();
    return 16;
}

std::int32_t TRateConverter::ChannelCount()
{
    return requireInput().ChannelCount();
}

std::int32_t TRateConverter::SampleRate()
{
    requireInput();
    return m_outSampleRate;
}

void TRateConverter::SetOutSampleRate(std::int32_t rate)
{
    if (rate > 0 && !Busy()) {
        m_outSampleRate = rate;
    }
}

void TRateConverter::SetKernelWidth(std::int32_t width)
{
    if (width > 1 && !Busy()) {
        m_kernelWidth = width;
    }
}

std::vector<double> TRateConverter::makeKernel(std::int32_t width, float cutoff, TFilterWindowType window)
{
    std::vector<double> h(static_cast<size_t>(width));
    const std::int32_t centre = width / 2;
    const double x = cutoff;
    for (std::int32_t i = 0; i < width; ++i) {
        const double a = twoPi * i / width;
        double w = 0;
        switch (window) {
        case fwHamming:
            w = 0.54 - 0.46 * std::cos(a);
            break;
        case fwHann:
            w = (1 - std::cos(a)) / 2;
            break;
        case fwBlackman:
            w = 0.42 - 0.5 * std::cos(a) + 0.08 * std::cos(2 * a);
            break;
        }
        const std::int32_t m = i - centre;
        h[size_t(i)] = m == 0 ? w * twoPi * x : w * std::sin(twoPi * x * m) / m;
    }
    double sum = 0;
    for (double v : h) {
        sum += v;
    }
    for (double& v : h) {
        v /= sum;
    }
    return h;
}

void TRateConverter::OpenInput()
{
    TACSInput& input = requireInput();
    m_inSampleRate = input.SampleRate();
    m_channels = input.ChannelCount() == 2 ? 2 : 1;
    const float ratio = float(m_outSampleRate) / float(std::max(1, m_inSampleRate));
    std::int32_t chunkSize = 32768;
    if (ratio > 1) {
        chunkSize = std::max(4, std::int32_t(32768 / double(ratio)) / 4 * 4);
    }
    openWith(chunkSize, double(ratio));
    float cutoff = 0.4f;
    if (ratio < 1) {
        cutoff = float(0.4 * double(ratio));
    } else if (ratio > 1) {
        cutoff = float(0.4 / double(ratio));
    }
    m_kernel = makeKernel(m_kernelWidth, cutoff, m_filterWindow);
    m_phase = -1;
    m_window.assign(size_t(m_kernelWidth - 1) * size_t(m_channels), 0.0);
}

std::int32_t TRateConverter::convertChunk(std::int32_t bytes)
{
    const std::int32_t frames = bytes / (2 * m_channels);
    if (frames == 0) {
        return 0;
    }
    if (m_outSampleRate < m_inSampleRate) {
        return m_channels == 2 ? downsample<2>(frames) : downsample<1>(frames);
    }
    return m_channels == 2 ? upsample<2>(frames) : upsample<1>(frames);
}

template <int Channels> std::int32_t TRateConverter::downsample(std::int32_t frames)
{
    const std::int32_t n = m_kernelWidth;
    const size_t history = size_t(n - 1) * Channels;
    m_window.resize(history + size_t(frames) * Channels);
    for (std::int32_t i = 0; i < frames * Channels; ++i) {
        m_window[history + size_t(i)] = sampleAt(m_chunk.data(), i);
    }
    const std::int32_t out = m_outSampleRate;
    const std::int32_t step = m_inSampleRate - out;
    if (m_phase < 0) {
        m_phase = out;
    }
    // At most every frame is kept.
    m_staging.resize(size_t(frames) * Channels * 2);
    std::int32_t made = 0;
    const double* h = m_kernel.data();
    for (std::int32_t j = 0; j < frames; ++j) {
        if (m_phase > out) {
            m_phase -= out;
            continue;
        }
        // Frame j of the chunk sits at window frame j + n - 1; the sum runs from it back
        // to the oldest, newest first.
        const double* x = m_window.data() + size_t(j) * Channels;
        double sum[Channels] = {};
        for (std::int32_t i = n - 1; i >= 0; --i) {
            for (int c = 0; c < Channels; ++c) {
                sum[c] += h[i] * x[size_t(i) * Channels + size_t(c)];
            }
        }
        for (int c = 0; c < Channels; ++c) {
            putSample(m_staging.data(), made * Channels + c, store(sum[c]));
        }
        ++made;
        m_phase += step;
    }
    std::copy(m_window.end() - std::ptrdiff_t(history), m_window.end(), m_window.begin());
    m_window.resize(history);
    return made * Channels * 2;
}

template <int Channels> std::int32_t TRateConverter::upsample(std::int32_t frames)
{
    const std::int32_t n = m_kernelWidth;
    const size_t history = size_t(n - 1) * Channels;
    const std::int64_t out = m_outSampleRate;
    const std::int32_t in = m_inSampleRate;
    if (m_phase < 0) {
        m_phase = 0;
    }
    // Interpolated values at the output instants: from the previous chunk's last frame
    // to frame 0, then between each pair of this chunk's frames.
    const std::int64_t instants = std::int64_t(frames) * out / std::max(1, in) + 2;
    m_window.reserve(history + size_t(instants) * Channels);
    auto interpolate = [&](const std::int32_t* from, std::int32_t fromIndex, bool fromLast) {
        while (m_phase < out) {
            for (int c = 0; c < Channels; ++c) {
                const std::int64_t a = fromLast ? from[c] : sampleAt(m_chunk.data(), fromIndex * Channels + c);
                const std::int64_t b = sampleAt(m_chunk.data(), (fromIndex + (fromLast ? 0 : 1)) * Channels + c);
                m_window.push_back(double(divideRounded((out - m_phase) * a + m_phase * b, out)));
            }
            m_phase += in;
        }
        m_phase -= std::int32_t(out);
    };
    interpolate(m_lastFrame, 0, true);
    for (std::int32_t i = 0; i + 1 < frames; ++i) {
        interpolate(nullptr, i, false);
    }
    for (int c = 0; c < Channels; ++c) {
        m_lastFrame[c] = sampleAt(m_chunk.data(), (frames - 1) * Channels + c);
    }
    // Output f is the sum of value f - n + 1 ... f with kernel taps n - 1 ... 0, taken
    // oldest value first: the order in which an overlap-add would have collected them.
    const std::int32_t made = std::int32_t((m_window.size() - history) / Channels);
    m_staging.resize(size_t(made) * Channels * 2);
    const double* h = m_kernel.data();
    for (std::int32_t f = 0; f < made; ++f) {
        const double* v = m_window.data() + size_t(f) * Channels;
        double sum[Channels] = {};
        for (std::int32_t i = 0; i < n; ++i) {
            for (int c = 0; c < Channels; ++c) {
                sum[c] += v[size_t(i) * Channels + size_t(c)] * h[n - 1 - i];
            }
        }
        for (int c = 0; c < Channels; ++c) {
            putSample(m_staging.data(), f * Channels + c, store(sum[c]));
        }
    }
    std::copy(m_window.end() - std::ptrdiff_t(history), m_window.end(), m_window.begin());
    m_window.resize(history);
    return made * Channels * 2;
}
