#pragma once

#include "audio/TACSConverter.h"

#include <vector>

// The common part of the converters that work a chunk at a time (rate, channels, sample
// size): read a chunk from the input, convert it into the staging buffer, hand it out.
class TBlockConverter : public TACSConverter
{
public:
    explicit TBlockConverter(QObject* owner = nullptr);

    std::int32_t ReadData(void* buffer, std::int32_t bufferSize) override;
    void CloseInput() override;

protected:
    // The input, or "Input not assigned".
    TACSInput& requireInput() const;
    // Opens the input and resets the transfer state; `size` is the converted size the
    // input's size gives (an unknown input size stays unknown).
    void openWith(std::int32_t chunkSize, double sizeFactor);
    // Converts `bytes` bytes of m_chunk into m_staging and returns how many bytes it made.
    virtual std::int32_t convertChunk(std::int32_t bytes) = 0;

    std::vector<std::uint8_t> m_chunk;
    std::vector<std::uint8_t> m_staging;

private:
    bool refill();

    std::int32_t m_chunkSize = 0;
    bool m_endOfInput = false;
    std::int64_t m_delivered = 0;
};
