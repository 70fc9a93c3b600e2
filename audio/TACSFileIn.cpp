#include "audio/TACSFileIn.h"

#include "audio/EACSException.h"
#include "common/Rounding.h"

#include <algorithm>

TACSFileIn::TACSFileIn(QObject* owner) : TACSStreamedInput(owner) {}

std::int32_t TACSFileIn::formatField(const std::int32_t& field)
{
    if (!m_seekable) {
        return field;
    }
    OpenSource();
    const std::int32_t value = field;
    CloseSource();
    return value;
}

std::int32_t TACSFileIn::SampleBits()
{
    return formatField(m_bits);
}

std::int32_t TACSFileIn::ChannelCount()
{
    return formatField(m_channels);
}

std::int32_t TACSFileIn::SampleRate()
{
    return formatField(m_sampleRate);
}

std::int32_t TACSFileIn::DurationSeconds()
{
    OpenSource();
    std::int32_t result = 0;
    if (m_sampleRate != 0 && m_channels != 0 && m_bits != 0) {
        const double bytesPerSecond = double(m_sampleRate) * m_channels * (m_bits / 8);
        result = bytesPerSecond > 0 ? std::int32_t(tarnwick::roundHalfEven(Size() / bytesPerSecond)) : 0;
    }
    CloseSource();
    return result;
}

bool TACSFileIn::Valid()
{
    if (!m_streamAssigned && m_fileName.isEmpty()) {
        return false;
    }
    if (!m_seekable) {
        return m_valid;
    }
    OpenSource();
    const bool valid = m_valid;
    CloseSource();
    return valid;
}

void TACSFileIn::OpenInput()
{
    if (Busy()) {
        throw EACSException("The component is buisy");
    }
    if (!m_streamAssigned && m_fileName.isEmpty()) {
        throw EACSException("The file name is not assigned");
    }
    OpenSource();
    if (m_startSample != 0) {
        SeekToSample(m_startSample);
    }
    if (m_startSample != 0 || m_endSample != -1) {
        const std::int64_t frames = m_endSample == -1 ? std::int64_t(m_totalSamples) - m_startSample
                                                      : std::int64_t(m_endSample) - m_startSample;
        // An end before the start would give a negative length; such a range is empty.
        m_size = std::int32_t(std::max<std::int64_t>(0, frames * (m_bits / 8) * m_channels));
    }
    m_busy = true;
    m_bufferStart = 1;
    m_bufferEnd = 0;
    m_position = 0;
}

void TACSFileIn::CloseInput()
{
    CloseSource();
    m_busy = false;
}

void TACSFileIn::ResetInput()
{
    TACSInput::ResetInput();
    m_openCount = 0;
}
