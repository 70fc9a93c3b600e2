#include "audio/TStereoBalance.h"

#include "audio/EACSException.h"
#include "audio/SampleBytes.h"
#include "common/Rounding.h"

#include <cstring>

TStereoBalance::TStereoBalance(QObject* owner) : TACSConverter(owner) {}

TStereoBalance::~TStereoBalance()
{
    releaseHolders();
}

TACSInput& TStereoBalance::requireInput() const
{
    TACSInput* input = Input();
    if (!input) {
        throw EACSException("Input not assigned");
    }
    return *input;
}

std::int32_t TStereoBalance::SampleBits()
{
    return requireInput().SampleBits();
}

std::int32_t TStereoBalance::ChannelCount()
{
    requireInput();
    return 2;
}

std::int32_t TStereoBalance::SampleRate()
{
    return requireInput().SampleRate();
}

void TStereoBalance::SetBalance(float balance)
{
    if (balance >= 0.0f && balance <= 1.0f) {
        m_balance = balance;
    }
}

void TStereoBalance::OpenInput()
{
    TACSInput& input = requireInput();
    input.OpenInput();
    m_bits = input.SampleBits();
    m_monoInput = input.ChannelCount() == 1;
    m_busy = true;
    const std::int32_t inputSize = input.Size();
    m_size = (inputSize < 0 || !m_monoInput) ? inputSize : inputSize * 2;
    m_position = 0;
    m_link.unlock();
}

void TStereoBalance::CloseInput()
{
    if (TACSInput* input = Input()) {
        input->CloseInput();
    }
    m_busy = false;
}

std::int32_t TStereoBalance::ReadData(void* buffer, std::int32_t bufferSize)
{
    if (!Busy()) {
        throw EACSException("The Stream is not opened");
    }
    const std::int32_t sampleBytes = m_bits / 8;
    // Whole samples only, so a mono input's samples can be doubled in place.
    std::int32_t wanted = m_monoInput ? bufferSize / 2 : bufferSize;
    wanted -= wanted % (2 * sampleBytes);
    if (wanted <= 0) {
        return 0;
    }
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::int32_t got = readInput(bytes, wanted);
    if (got <= 0) {
        return 0;
    }
    got -= got % sampleBytes;
    if (m_monoInput) {
        // From the end, so no sample is overwritten before it is copied.
        for (std::int32_t i = got / sampleBytes - 1; i >= 0; --i) {
            std::memmove(bytes + 2 * i * sampleBytes, bytes + i * sampleBytes, size_t(sampleBytes));
            std::memmove(bytes + (2 * i + 1) * sampleBytes, bytes + i * sampleBytes, size_t(sampleBytes));
        }
        got *= 2;
    }
    const float balance = m_balance.load();
    if (balance != 0.5f) {
        // Linear: the far channel fades from full at the centre to silence at the end.
        const bool attenuateLeft = balance > 0.5f;
        const double gain = attenuateLeft ? 2.0 * (1.0 - balance) : 2.0 * balance;
        const std::int32_t frames = got / (2 * sampleBytes);
        const std::int32_t channel = attenuateLeft ? 0 : 1;
        for (std::int32_t f = 0; f < frames; ++f) {
            const std::int32_t index = 2 * f + channel;
            if (sampleBytes == 2) {
                putSample(bytes, index, std::int32_t(tarnwick::roundHalfEven(sampleAt(bytes, index) * gain)));
            } else {
                // 8-bit samples are unsigned around 128: scale the distance from silence.
                const double centred = double(bytes[index]) - 128.0;
                bytes[index] = std::uint8_t(tarnwick::roundHalfEven(centred * gain) + 128);
            }
        }
    }
    const TACSInput* input = Input();
    m_position = input ? (m_monoInput ? 2 : 1) * input->Position() : 0;
    return got;
}
