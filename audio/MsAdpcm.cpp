#include "audio/MsAdpcm.h"

#include <algorithm>

namespace {

constexpr std::int32_t adaptationTable[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                              768, 614, 512, 409, 307, 230, 230, 230};

constexpr std::int32_t deltaCap = 0x7fffffff / 768;

struct State
{
    std::int32_t coefficient1 = 0;
    std::int32_t coefficient2 = 0;
    std::int32_t delta = 0;
    std::int32_t sample1 = 0;
    std::int32_t sample2 = 0;
};

std::int16_t le16(const std::uint8_t* at)
{
    return std::int16_t(at[0] | (at[1] << 8));
}

std::int16_t decodeCode(State& s, std::int32_t code)
{
    // C++ division truncates toward zero, which is the rule here.
    const auto prediction =
        std::int32_t((std::int64_t(s.sample1) * s.coefficient1 + std::int64_t(s.sample2) * s.coefficient2) / 256);
    const std::int32_t signedCode = code >= 8 ? code - 16 : code;
    const std::int32_t sample = std::clamp(prediction + signedCode * s.delta, -32768, 32767);
    // Real encoders keep delta far below the cap; it only stops a hostile block from
    // growing delta until the arithmetic overflows.
    s.delta = std::clamp((s.delta * adaptationTable[code]) / 256, 16, deltaCap);
    s.sample2 = s.sample1;
    s.sample1 = sample;
    return std::int16_t(sample);
}

} // namespace

std::int32_t MsAdpcm::decodeBlock(const std::uint8_t* block, std::int32_t bytes, std::int32_t channels,
                                  std::int32_t samplesPerBlock, const Coefficients& coefficients,
                                  std::int32_t coefficientCount, std::int16_t* out)
{
    const std::int32_t headerBytes = 7 * channels;
    if (bytes < headerBytes || samplesPerBlock < 2) {
        return 0;
    }
    State state[2];
    for (std::int32_t ch = 0; ch < channels; ++ch) {
        const std::int32_t predictor = block[ch];
        if (predictor >= coefficientCount) {
            return -1;
        }
        state[ch].coefficient1 = coefficients[predictor][0];
        state[ch].coefficient2 = coefficients[predictor][1];
        state[ch].delta = le16(block + channels + 2 * ch);
        state[ch].sample1 = le16(block + 3 * channels + 2 * ch);
        state[ch].sample2 = le16(block + 5 * channels + 2 * ch);
        out[ch] = std::int16_t(state[ch].sample2);
        out[channels + ch] = std::int16_t(state[ch].sample1);
    }
    // Every code byte gives one frame in stereo and two samples in mono.
    const std::int32_t codeBytes = bytes - headerBytes;
    const std::int32_t frames = std::min(samplesPerBlock, 2 + codeBytes * 2 / channels);
    std::int16_t* sample = out + 2 * channels;
    const std::uint8_t* code = block + headerBytes;
    const std::int32_t codeCount = (frames - 2) * channels;
    for (std::int32_t n = 0; n < codeCount; ++n) {
        const std::uint8_t byte = code[n / 2];
        const std::int32_t nibble = (n & 1) ? byte & 15 : byte >> 4;
        // Mono codes follow one channel; stereo codes alternate left (high) and right (low).
        *sample++ = decodeCode(state[channels == 1 ? 0 : n & 1], nibble);
    }
    return frames;
}
