#pragma once

#include <cstdint>

// 16-bit little-endian samples in byte buffers, read and written without alignment
// assumptions.
inline std::int16_t sampleAt(const std::uint8_t* bytes, std::int32_t index)
{
    return std::int16_t(bytes[2 * index] | (bytes[2 * index + 1] << 8));
}

inline void putSample(std::uint8_t* bytes, std::int32_t index, std::int32_t value)
{
    bytes[2 * index] = std::uint8_t(value & 0xff);
    bytes[2 * index + 1] = std::uint8_t((value >> 8) & 0xff);
}
