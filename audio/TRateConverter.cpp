#include "audio/TRateConverter.h"

#include "audio/SampleBytes.h"
#include "common/Rounding.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <immintrin.h>

namespace {

constexpr double twoPi = 6.28318530718;

// Stored without saturation: the low 16 bits of the rounded value.
inline std::int16_t store(double value)
{
    return std::int16_t(std::uint16_t(std::uint64_t(tarnwick::roundHalfEven(value)) & 0xffffu));
}

// Two or four doubles handled as one: the channels of a frame, or several outputs. Every
// lane does exactly the scalar operations, in the same order, so no result changes.
typedef double Pair __attribute__((vector_size(16)));
typedef double Quad __attribute__((vector_size(32)));

// Two stereo frames, from two places, side by side. (Filled through a reference: a
// 32-byte vector passed by value would change the calling convention between targets.)
inline void loadFrames(Quad& q, const double* first, const double* second)
{
    if (second == first + 2) {
        std::memcpy(&q, first, sizeof q); // adjacent outputs (going up): one load
        return;
    }
    Pair a;
    Pair b;
    std::memcpy(&a, first, sizeof a);
    std::memcpy(&b, second, sizeof b);
    q = __builtin_shufflevector(a, b, 0, 1, 2, 3);
}

// The window frame that term t of a sum reads: going down the newest frame comes first
// (frame n - 1 - t), going up the oldest value (frame t), which is the order in which an
// overlap-add into an accumulator collects them. Term t's tap is h[n - 1 - t] either way.
template <bool NewestFirst> inline std::int32_t frameOf(std::int32_t t, std::int32_t n)
{
    return NewestFirst ? n - 1 - t : t;
}

// The sums of stereo outputs, eight at a time: four independent chains of additions (each
// must stay in order) overlap in the processor, two outputs per operation.
inline __attribute__((always_inline)) std::int32_t stereoSumsNewestFirst(const double* window,
                                                                         const std::int32_t* starts, std::int32_t count,
                                                                         const double* h, std::int32_t n, double* sums)
{
    std::int32_t m = 0;
    for (; m + 8 <= count; m += 8) {
        const double* w[8];
        for (int q = 0; q < 8; ++q) {
            w[q] = window + 2 * size_t(starts[m + q]);
        }
        Quad s0 = {0, 0, 0, 0}, s1 = {0, 0, 0, 0}, s2 = {0, 0, 0, 0}, s3 = {0, 0, 0, 0};
        for (std::int32_t t = 0; t < n; ++t) {
            const std::int32_t i = 2 * frameOf<true>(t, n);
            const double tap = h[n - 1 - t];
            const Quad k = {tap, tap, tap, tap};
            Quad x0, x1, x2, x3;
            loadFrames(x0, w[0] + i, w[1] + i);
            loadFrames(x1, w[2] + i, w[3] + i);
            loadFrames(x2, w[4] + i, w[5] + i);
            loadFrames(x3, w[6] + i, w[7] + i);
            s0 += k * x0;
            s1 += k * x1;
            s2 += k * x2;
            s3 += k * x3;
        }
        std::memcpy(sums + 2 * m, &s0, sizeof s0);
        std::memcpy(sums + 2 * m + 4, &s1, sizeof s1);
        std::memcpy(sums + 2 * m + 8, &s2, sizeof s2);
        std::memcpy(sums + 2 * m + 12, &s3, sizeof s3);
    }
    return m;
}

// The tap in every lane (filled through a reference, as loadFrames is).
template <typename Vec> inline __attribute__((always_inline)) void broadcast(Vec& v, double tap)
{
    if constexpr (sizeof(Vec) == sizeof(Quad)) {
        v = Vec{tap, tap, tap, tap};
    } else {
        v = Vec{tap, tap};
    }
}

// Going up the outputs' windows follow each other frame by frame, so a run of outputs
// reads one run of the window through one pointer: no per-output addresses, no check
// whether two outputs are neighbours, and each multiplication takes its operand straight
// from memory. A vector holds one stereo output (Pair) or two (Quad). An addition waits
// for the previous one of its chain, so there must be more chains than the adders start
// per cycle times their latency (about six); eight leave room and still fit the sixteen
// vector registers.
template <typename Vec, int Chains>
inline __attribute__((always_inline)) std::int32_t stereoSumsAdjacent(const double* window, std::int32_t count,
                                                                      const double* h, std::int32_t n, double* sums)
{
    constexpr int Lanes = int(sizeof(Vec) / sizeof(double));
    constexpr int Outputs = Chains * Lanes / 2;
    std::int32_t m = 0;
    for (; m + Outputs <= count; m += Outputs) {
        const double* w = window + 2 * size_t(m);
        Vec s[Chains];
        for (int g = 0; g < Chains; ++g) {
            broadcast(s[g], 0.0);
        }
        for (std::int32_t t = 0; t < n; ++t) {
            Vec k;
            broadcast(k, h[n - 1 - t]);
            const double* row = w + 2 * size_t(t);
            for (int g = 0; g < Chains; ++g) {
                Vec x;
                std::memcpy(&x, row + Lanes * g, sizeof x);
                s[g] += k * x;
            }
        }
        for (int g = 0; g < Chains; ++g) {
            std::memcpy(sums + 2 * m + Lanes * g, &s[g], sizeof s[g]);
        }
    }
    return m;
}

// Built twice: for any x86-64, and for processors with AVX2, where four doubles go in one
// operation. The choice is made at run time (not through an ifunc, whose resolver would
// run before a sanitizer's runtime is ready).
__attribute__((target("avx2"))) std::int32_t stereoSumsDownWide(const double* window, const std::int32_t* starts,
                                                                std::int32_t count, const double* h, std::int32_t n,
                                                                double* sums)
{
    return stereoSumsNewestFirst(window, starts, count, h, n, sums);
}

__attribute__((target("avx2"))) std::int32_t stereoSumsUpWide(const double* window, std::int32_t count, const double* h,
                                                              std::int32_t n, double* sums)
{
    return stereoSumsAdjacent<Quad, 8>(window, count, h, n, sums);
}

// TARNWICK_NO_AVX2 (any value) takes the plain x86-64 sums on any processor, so their
// results and speed can be checked on a machine that has AVX2.
bool haveAvx2()
{
    static const bool have = __builtin_cpu_supports("avx2") && std::getenv("TARNWICK_NO_AVX2") == nullptr;
    return have;
}

// The sums as 16-bit samples, four at a time, exactly as store() makes them: rounded
// halves to even by the instruction's own rounding mode (never the processor's current
// one), converted, and their low 16 bits kept. A group holding a sum beyond 32 bits,
// which no real filter gives, is left to store(). Returns how many were stored.
__attribute__((target("avx2"))) std::int32_t storeWide(const double* sums, std::int32_t count, std::uint8_t* out)
{
    const __m256d limit = _mm256_set1_pd(2147483647.0);
    const __m256d sign = _mm256_set1_pd(-0.0);
    // The low two bytes of each 32-bit value, in order: little-endian 16-bit samples.
    const __m128i lowHalves = _mm_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
    std::int32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m256d rounded =
            _mm256_round_pd(_mm256_loadu_pd(sums + i), _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
        const __m256d inRange = _mm256_cmp_pd(_mm256_andnot_pd(sign, rounded), limit, _CMP_LE_OQ);
        if (_mm256_movemask_pd(inRange) != 0xf) {
            for (int k = 0; k < 4; ++k) {
                putSample(out, i + k, store(sums[i + k]));
            }
            continue;
        }
        const __m128i words = _mm_shuffle_epi8(_mm256_cvtpd_epi32(rounded), lowHalves);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 2 * size_t(i)), words);
    }
    return i;
}

// Going down without AVX2: one stereo output per two-wide vector, eight chains, each
// output read through its own pointer (kept outputs are not neighbours).
std::int32_t stereoSumsNewestFirstNarrow(const double* window, const std::int32_t* starts, std::int32_t count,
                                         const double* h, std::int32_t n, double* sums)
{
    constexpr int Chains = 8;
    std::int32_t m = 0;
    for (; m + Chains <= count; m += Chains) {
        const double* w[Chains];
        Pair s[Chains];
        for (int q = 0; q < Chains; ++q) {
            w[q] = window + 2 * size_t(starts[m + q]);
            s[q] = Pair{0, 0};
        }
        for (std::int32_t t = 0; t < n; ++t) {
            const std::int32_t i = 2 * frameOf<true>(t, n);
            const Pair k = {h[n - 1 - t], h[n - 1 - t]};
            for (int q = 0; q < Chains; ++q) {
                Pair x;
                std::memcpy(&x, w[q] + i, sizeof x);
                s[q] += k * x;
            }
        }
        for (int q = 0; q < Chains; ++q) {
            std::memcpy(sums + 2 * m + 2 * q, &s[q], sizeof s[q]);
        }
    }
    return m;
}

std::int32_t stereoSumsDown(const double* window, const std::int32_t* starts, std::int32_t count, const double* h,
                            std::int32_t n, double* sums)
{
    return haveAvx2() ? stereoSumsDownWide(window, starts, count, h, n, sums)
                      : stereoSumsNewestFirstNarrow(window, starts, count, h, n, sums);
}

// Without AVX2 the registers hold two doubles: four-wide vectors would be split into
// pairs, and eight chains of them no longer fit the registers.
std::int32_t stereoSumsUp(const double* window, std::int32_t count, const double* h, std::int32_t n, double* sums)
{
    return haveAvx2() ? stereoSumsUpWide(window, count, h, n, sums)
                      : stereoSumsAdjacent<Pair, 8>(window, count, h, n, sums);
}

// The FIR outputs of `count` outputs; output m's window starts at frame starts[m]; its
// sum is term t = 0 .. n - 1 in order: tap h[n - 1 - t] times window frame
// start + frameOf(t). Going up (oldest first) starts[m] is m. `sums` has room for
// count * Channels doubles.
template <int Channels, bool NewestFirst>
void filter(const double* window, const std::int32_t* starts, std::int32_t count, const double* h, std::int32_t n,
            double* sums, std::uint8_t* out)
{
    std::int32_t m = 0;
    if constexpr (Channels == 2) {
        m = NewestFirst ? stereoSumsDown(window, starts, count, h, n, sums) : stereoSumsUp(window, count, h, n, sums);
    } else {
        for (; m + 4 <= count; m += 4) {
            const double* w0 = window + starts[m];
            const double* w1 = window + starts[m + 1];
            const double* w2 = window + starts[m + 2];
            const double* w3 = window + starts[m + 3];
            Pair s01 = {0, 0}, s23 = {0, 0};
            for (std::int32_t t = 0; t < n; ++t) {
                const std::int32_t i = frameOf<NewestFirst>(t, n);
                const Pair k = {h[n - 1 - t], h[n - 1 - t]};
                s01 += k * Pair{w0[i], w1[i]};
                s23 += k * Pair{w2[i], w3[i]};
            }
            std::memcpy(sums + m, &s01, sizeof s01);
            std::memcpy(sums + m + 2, &s23, sizeof s23);
        }
    }
    for (; m < count; ++m) {
        const double* w = window + size_t(Channels) * size_t(starts[m]);
        double sum[Channels] = {};
        for (std::int32_t t = 0; t < n; ++t) {
            const size_t i = size_t(frameOf<NewestFirst>(t, n)) * Channels;
            for (int c = 0; c < Channels; ++c) {
                sum[c] += h[n - 1 - t] * w[i + size_t(c)];
            }
        }
        for (int c = 0; c < Channels; ++c) {
            sums[Channels * m + c] = sum[c];
        }
    }
    std::int32_t i = haveAvx2() ? storeWide(sums, count * Channels, out) : 0;
    for (; i < count * Channels; ++i) {
        putSample(out, i, store(sums[i]));
    }
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
    m_instantValues = InstantValues(std::max(1, m_inSampleRate), m_outSampleRate);
    m_phase = -1;
    m_window.assign(size_t(m_kernelWidth - 1) * size_t(m_channels), 0.0);
}

std::int32_t TRateConverter::convertChunk(std::int32_t bytes)
{
    const std::int32_t frames = bytes / (2 * m_channels);
    // An input without a rate (a source that is not valid) has no instants to convert.
    if (frames == 0 || m_inSampleRate <= 0) {
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
    // The frames that are kept; kept frame j of the chunk is window frame j + n - 1, the
    // newest of the n frames its output sums.
    m_starts.clear();
    for (std::int32_t j = 0; j < frames; ++j) {
        if (m_phase > out) {
            m_phase -= out;
            continue;
        }
        m_starts.push_back(j);
        m_phase += step;
    }
    const std::int32_t made = std::int32_t(m_starts.size());
    m_staging.resize(size_t(made) * Channels * 2);
    m_sums.resize(size_t(made) * Channels);
    filter<Channels, true>(m_window.data(), m_starts.data(), made, m_kernel.data(), n, m_sums.data(), m_staging.data());
    std::copy(m_window.end() - std::ptrdiff_t(history), m_window.end(), m_window.begin());
    m_window.resize(history);
    return made * Channels * 2;
}

template <int Channels> std::int32_t TRateConverter::upsample(std::int32_t frames)
{
    const std::int32_t n = m_kernelWidth;
    const size_t history = size_t(n - 1) * Channels;
    // The phase counts in the reduced rates' units.
    const InstantValues values = m_instantValues;
    const std::int64_t out = values.out();
    const std::int32_t in = std::int32_t(values.in());
    if (m_phase < 0) {
        m_phase = 0;
    }
    // The values at the output instants, interpolated from the previous chunk's last
    // frame to frame 0, then between each pair of this chunk's frames.
    const std::int64_t instants = (std::int64_t(frames) + 1) * out / in + 2;
    m_window.resize(history + size_t(instants) * Channels);
    size_t written = history;
    double previous[Channels];
    for (int c = 0; c < Channels; ++c) {
        previous[c] = m_lastFrame[c];
    }
    for (std::int32_t i = 0; i < frames; ++i) {
        double next[Channels];
        for (int c = 0; c < Channels; ++c) {
            next[c] = sampleAt(m_chunk.data(), i * Channels + c);
        }
        while (m_phase < out) {
            if (written + Channels > m_window.size()) {
                m_window.resize(m_window.size() * 2);
            }
            for (int c = 0; c < Channels; ++c) {
                // At phase 0 the instant is the previous frame itself.
                m_window[written++] = m_phase == 0 ? previous[c] : values.at(m_phase, previous[c], next[c]);
            }
            m_phase += in;
        }
        m_phase -= std::int32_t(out);
        for (int c = 0; c < Channels; ++c) {
            previous[c] = next[c];
        }
    }
    for (int c = 0; c < Channels; ++c) {
        m_lastFrame[c] = std::int32_t(previous[c]);
    }
    m_window.resize(written);
    const std::int32_t made = std::int32_t((written - history) / Channels);
    m_starts.resize(size_t(made));
    for (std::int32_t f = 0; f < made; ++f) {
        m_starts[size_t(f)] = f;
    }
    m_staging.resize(size_t(made) * Channels * 2);
    m_sums.resize(size_t(made) * Channels);
    filter<Channels, false>(m_window.data(), m_starts.data(), made, m_kernel.data(), n, m_sums.data(),
                            m_staging.data());
    std::copy(m_window.end() - std::ptrdiff_t(history), m_window.end(), m_window.begin());
    m_window.resize(history);
    return made * Channels * 2;
}
