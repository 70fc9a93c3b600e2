#pragma once

#include "audio/TACSInput.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

// A source of a given format delivering bytes held in memory. Its Size is the number of
// bytes unless a test declares another, and reads can be capped to odd sizes so that a
// consumer's chunks fill from several reads.
class MemorySource : public TACSInput
{
public:
    MemorySource(QByteArray bytes, int bits, int channels, int rate)
        : m_bytes(std::move(bytes)), m_bits(bits), m_channels(channels), m_rate(rate)
    {
        m_size = static_cast<std::int32_t>(m_bytes.size());
    }
    ~MemorySource() override { releaseHolders(); }

    void declareSize(std::int32_t size) { m_declared = size; }
    void limitReads(int bytes) { m_readLimit = bytes; }

    std::int32_t SampleBits() override { return m_bits; }
    std::int32_t ChannelCount() override { return m_channels; }
    std::int32_t SampleRate() override { return m_rate; }
    void OpenInput() override
    {
        m_size = m_declared.value_or(static_cast<std::int32_t>(m_bytes.size()));
        m_position = 0;
        m_busy = true;
    }
    void CloseInput() override { m_busy = false; }
    std::int32_t ReadData(void* buffer, std::int32_t count) override
    {
        const int n = std::min({static_cast<int>(count), m_readLimit, static_cast<int>(m_bytes.size()) - Position()});
        std::memcpy(buffer, m_bytes.constData() + Position(), static_cast<size_t>(n));
        m_position += n;
        return n;
    }

private:
    QByteArray m_bytes;
    int m_bits;
    int m_channels;
    int m_rate;
    std::optional<std::int32_t> m_declared;
    int m_readLimit = std::numeric_limits<int>::max();
};
