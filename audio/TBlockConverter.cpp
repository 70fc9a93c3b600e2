#include "audio/TBlockConverter.h"

#include "audio/EACSException.h"
#include "common/Rounding.h"

#include <algorithm>
#include <cstring>

TBlockConverter::TBlockConverter(QObject* owner) : TACSConverter(owner) {}

TACSInput& TBlockConverter::requireInput() const
{
    TACSInput* input = Input();
    if (!input) {
        throw EACSException("Input not assigned");
    }
    return *input;
}

void TBlockConverter::openWith(std::int32_t chunkSize, double sizeFactor)
{
    TACSInput& input = requireInput();
    input.OpenInput();
    m_link.unlock();
    m_busy = true;
    m_position = 0;
    m_delivered = 0;
    m_bufferStart = 1;
    m_bufferEnd = 0;
    m_endOfInput = false;
    m_chunkSize = chunkSize;
    m_chunk.assign(size_t(chunkSize), 0);
    const std::int32_t inputSize = input.Size();
    m_size = inputSize < 0 ? -1 : std::int32_t(tarnwick::roundHalfEven(sizeFactor * inputSize));
}

void TBlockConverter::CloseInput()
{
    if (TACSInput* input = Input()) {
        input->CloseInput();
    }
    m_chunk = {};
    m_staging = {};
    m_busy = false;
}

bool TBlockConverter::refill()
{
    if (m_endOfInput) {
        return false;
    }
    std::int32_t filled = 0;
    while (filled < m_chunkSize) {
        const std::int32_t got = readInput(m_chunk.data() + filled, m_chunkSize - filled);
        if (got <= 0) {
            if (filled == 0) {
                return false;
            }
            m_endOfInput = true;
            break;
        }
        filled += got;
    }
    const std::int32_t made = convertChunk(filled);
    m_bufferStart = 1;
    m_bufferEnd = made;
    return true;
}

std::int32_t TBlockConverter::ReadData(void* buffer, std::int32_t bufferSize)
{
    if (!Busy()) {
        throw EACSException("The Stream is not opened");
    }
    // A chunk may convert to nothing (a few frames that a downsampler skips); read on.
    while (stagedBytes() <= 0) {
        if (!refill()) {
            return 0;
        }
    }
    const std::int32_t count = std::min(bufferSize, stagedBytes());
    std::memcpy(buffer, m_staging.data() + m_bufferStart - 1, size_t(count));
    m_bufferStart += count;
    m_delivered += count;
    // Progress in the converted size follows the input's.
    const TACSInput* input = Input();
    const std::int32_t inputSize = input ? input->Size() : 0;
    if (inputSize > 0 && Size() >= 0) {
        m_position = std::int32_t(tarnwick::roundHalfEven(double(Size()) / inputSize * input->Position()));
    } else {
        m_position = std::int32_t(std::min<std::int64_t>(m_delivered, 0x7fffffff));
    }
    return count;
}
