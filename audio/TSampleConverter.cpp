#include "audio/TSampleConverter.h"

#include "audio/SampleBytes.h"

TSampleConverter::TSampleConverter(QObject* owner) : TBlockConverter(owner) {}

TSampleConverter::~TSampleConverter()
{
    releaseHolders();
}

std::int32_t TSampleConverter::SampleBits()
{
    return requireInput().SampleBits() == 16 ? 8 : 16;
}

std::int32_t TSampleConverter::ChannelCount()
{
    return requireInput().ChannelCount();
}

std::int32_t TSampleConverter::SampleRate()
{
    return requireInput().SampleRate();
}

void TSampleConverter::OpenInput()
{
    m_sixteenBitInput = requireInput().SampleBits() == 16;
    openWith(m_sixteenBitInput ? 32768 : 16384, m_sixteenBitInput ? 0.5 : 2.0);
    m_staging.assign(32768, 0);
}

std::int32_t TSampleConverter::convertChunk(std::int32_t bytes)
{
    if (m_sixteenBitInput) {
        const std::int32_t samples = bytes / 2;
        for (std::int32_t i = 0; i < samples; ++i) {
            // Arithmetic shift: -1 becomes -1, so 127 after the offset.
            m_staging[size_t(i)] = std::uint8_t((sampleAt(m_chunk.data(), i) >> 8) + 128);
        }
        return samples;
    }
    for (std::int32_t i = 0; i < bytes; ++i) {
        putSample(m_staging.data(), i, m_chunk[size_t(i)] * 256 - 32768);
    }
    return bytes * 2;
}
