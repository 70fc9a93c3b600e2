#include "audio/TSoundIndicator.h"

#include "audio/EACSException.h"
#include "audio/SampleBytes.h"

#include <cmath>
#include <complex>
#include <numbers>

namespace {

// In-place radix-2 transform of a power-of-two number of values.
void transform(std::complex<double>* values, int count)
{
    for (int i = 1, j = 0; i < count; ++i) {
        int bit = count >> 1;
        for (; j & bit; bit >>= 1) {
            j ^= bit;
        }
        j ^= bit;
        if (i < j) {
            std::swap(values[i], values[j]);
        }
    }
    for (int length = 2; length <= count; length <<= 1) {
        const double angle = -2.0 * std::numbers::pi / length;
        const std::complex<double> step(std::cos(angle), std::sin(angle));
        for (int start = 0; start < count; start += length) {
            std::complex<double> twiddle(1.0, 0.0);
            for (int k = 0; k < length / 2; ++k) {
                const std::complex<double> even = values[start + k];
                const std::complex<double> odd = values[start + k + length / 2] * twiddle;
                values[start + k] = even + odd;
                values[start + k + length / 2] = even - odd;
                twiddle *= step;
            }
        }
    }
}

} // namespace

TSoundIndicator::TSoundIndicator(QObject* owner) : TACSConverter(owner)
{
    for (std::size_t i = 0; i < m_window.size(); ++i) {
        m_window[i] = (1.0 - std::cos(2.0 * std::numbers::pi * double(i) / 1023.0)) / 2.0;
    }
}

TSoundIndicator::~TSoundIndicator()
{
    releaseHolders();
}

TACSInput& TSoundIndicator::requireInput() const
{
    TACSInput* input = Input();
    if (!input) {
        throw EACSException("Input is not assigned.");
    }
    return *input;
}

std::int32_t TSoundIndicator::SampleBits()
{
    return requireInput().SampleBits();
}

std::int32_t TSoundIndicator::ChannelCount()
{
    return requireInput().ChannelCount();
}

std::int32_t TSoundIndicator::SampleRate()
{
    return requireInput().SampleRate();
}

void TSoundIndicator::OpenInput()
{
    TACSInput& input = requireInput();
    m_busy = true;
    try {
        input.OpenInput();
    } catch (...) {
        m_busy = false;
        throw;
    }
    m_bits = input.SampleBits();
    m_channels = input.ChannelCount();
    m_size = input.Size();
    m_levels.fill(0.0);
    releaseFlag();
    m_position = 0;
}

void TSoundIndicator::CloseInput()
{
    if (TACSInput* input = Input()) {
        input->CloseInput();
    }
    m_busy = false;
    releaseFlag();
}

std::int32_t TSoundIndicator::ReadData(void* buffer, std::int32_t bufferSize)
{
    if (!Busy()) {
        throw EACSException("The Stream is not opened");
    }
    const std::int32_t got = readInput(buffer, bufferSize);
    if (const TACSInput* input = Input()) {
        m_position = input->Position();
    }
    if (got <= 0 || m_flag.exchange(true)) {
        return got;
    }
    analyse(static_cast<const std::uint8_t*>(buffer), got);
    releaseFlag();
    return got;
}

void TSoundIndicator::analyse(const std::uint8_t* bytes, std::int32_t length)
{
    const std::int32_t frameBytes = m_channels * (m_bits / 8);
    if (frameBytes <= 0) {
        return;
    }
    const std::int32_t groups = length / frameBytes / groupFrames;
    if (groups == 0) {
        return;
    }
    const auto sample = [&](std::int32_t index) {
        return m_bits == 8 ? double(bytes[index]) : double(sampleAt(bytes, index));
    };
    std::array<std::complex<double>, groupFrames> values;
    for (std::int32_t group = 0; group < groups; ++group) {
        const std::int32_t first = group * groupFrames;
        for (std::int32_t i = 0; i < groupFrames; ++i) {
            const std::int32_t frame = first + i;
            const double value = m_channels == 1 ? sample(frame) : (sample(2 * frame) + sample(2 * frame + 1)) / 2.0;
            values[std::size_t(i)] = value * m_window[std::size_t(i)];
        }
        transform(values.data(), groupFrames);
        for (int band = 0; band < bands; ++band) {
            const double magnitude = std::abs(values[std::size_t(band)] / double(groupFrames));
            const double level = magnitude != 0.0 ? std::log10(magnitude) : 0.0;
            m_levels[std::size_t(band)] += level >= 0.0 ? level : 0.0;
        }
    }
    for (double& level : m_levels) {
        level /= groups;
    }
}

void TSoundIndicator::takeFlag()
{
    while (m_flag.exchange(true)) {
        m_flag.wait(true);
    }
}

void TSoundIndicator::releaseFlag()
{
    m_flag = false;
    m_flag.notify_all();
}

void TSoundIndicator::ReadLevels(double* levels)
{
    takeFlag();
    for (int band = 0; band < bands; ++band) {
        levels[band] = 20.0 * m_levels[std::size_t(band)];
    }
    m_levels.fill(0.0);
    releaseFlag();
}
