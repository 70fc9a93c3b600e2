#pragma once

#include <array>
#include <cstdint>

// Microsoft ADPCM blocks: a header per channel (predictor index, delta, two samples), then
// two 4-bit codes per byte, high nibble first.
class MsAdpcm
{
public:
    using Coefficients = std::array<std::array<std::int16_t, 2>, 32>;

    // Decodes one block of `bytes` bytes into interleaved 16-bit frames, at most
    // samplesPerBlock of them (fewer when the block is short). Returns the frames written,
    // 0 when the header is not all there, -1 when a predictor index is not below
    // coefficientCount (the block cannot be decoded).
    static std::int32_t decodeBlock(const std::uint8_t* block, std::int32_t bytes, std::int32_t channels,
                                    std::int32_t samplesPerBlock, const Coefficients& coefficients,
                                    std::int32_t coefficientCount, std::int16_t* out);
};
