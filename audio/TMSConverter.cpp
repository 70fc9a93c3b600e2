#include "audio/TMSConverter.h"

#include "audio/SampleBytes.h"

TMSConverter::TMSConverter(QObject* owner) : TBlockConverter(owner) {}

TMSConverter::~TMSConverter()
{
    releaseHolders();
}

std::int32_t TMSConverter::SampleBits()
{
    requireInput();
    return 16;
}

std::int32_t TMSConverter::ChannelCount()
{
    return requireInput().ChannelCount() == 2 ? 1 : 2;
}

std::int32_t TMSConverter::SampleRate()
{
    return requireInput().SampleRate();
}

void TMSConverter::OpenInput()
{
    m_stereoInput = requireInput().ChannelCount() == 2;
    openWith(m_stereoInput ? 32768 : 16384, m_stereoInput ? 0.5 : 2.0);
    m_staging.assign(32768, 0);
}

std::int32_t TMSConverter::convertChunk(std::int32_t bytes)
{
    if (m_stereoInput) {
        const std::int32_t frames = bytes / 4;
        for (std::int32_t i = 0; i < frames; ++i) {
            const std::int32_t left = sampleAt(m_chunk.data(), 2 * i);
            const std::int32_t right = sampleAt(m_chunk.data(), 2 * i + 1);
            // Integer division truncates toward zero: (-3 + 0) / 2 is -1.
            putSample(m_staging.data(), i, (left + right) / 2);
        }
        return frames * 2;
    }
    const std::int32_t samples = bytes / 2;
    for (std::int32_t i = 0; i < samples; ++i) {
        const std::int16_t s = sampleAt(m_chunk.data(), i);
        putSample(m_staging.data(), 2 * i, m_mode == msmMonoToRight ? 0 : s);
        putSample(m_staging.data(), 2 * i + 1, m_mode == msmMonoToLeft ? 0 : s);
    }
    return samples * 4;
}
