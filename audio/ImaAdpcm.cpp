#include "audio/ImaAdpcm.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::int32_t stepTable[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::int32_t indexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

void putLe16(std::uint8_t* at, std::int32_t value)
{
    at[0] = std::uint8_t(value & 0xff);
    at[1] = std::uint8_t((value >> 8) & 0xff);
}

// The predictor and step index after a code, shared by both directions so the encoder
// tracks exactly what a decoder will reproduce.
void advance(ImaAdpcm::Channel& channel, std::int32_t code)
{
    const std::int32_t step = stepTable[channel.stepIndex];
    std::int32_t difference = step >> 3;
    if (code & 4) {
        difference += step;
    }
    if (code & 2) {
        difference += step >> 1;
    }
    if (code & 1) {
        difference += step >> 2;
    }
    channel.predictor += (code & 8) ? -difference : difference;
    channel.predictor = std::clamp(channel.predictor, -32767, 32767);
    channel.stepIndex = std::clamp(channel.stepIndex + indexTable[code & 15], 0, 88);
}

} // namespace

std::int32_t ImaAdpcm::samplesPerBlock(std::int32_t blockSize, std::int32_t channels)
{
    return (2 / channels) * (blockSize - 4 * channels) + 1;
}

std::int32_t ImaAdpcm::decodeCode(Channel& channel, std::int32_t code)
{
    advance(channel, code);
    return channel.predictor;
}

std::int32_t ImaAdpcm::encodeSample(Channel& channel, std::int32_t sample)
{
    const std::int32_t step = stepTable[channel.stepIndex];
    std::int32_t difference = sample - channel.predictor;
    std::int32_t code = 0;
    if (difference < 0) {
        code = 8;
        difference = -difference;
    }
    if (difference >= step) {
        code |= 4;
        difference -= step;
    }
    if (difference >= step / 2) {
        code |= 2;
        difference -= step / 2;
    }
    if (difference >= step / 4) {
        code |= 1;
    }
    advance(channel, code);
    return code;
}

std::int32_t ImaAdpcm::decodeBlock(const std::uint8_t* block, std::int32_t bytes, std::int32_t channels,
                                   std::int16_t* out)
{
    if (bytes < 4 * channels) {
        return 0;
    }
    Channel state[2];
    for (std::int32_t ch = 0; ch < channels; ++ch) {
        const std::uint8_t* header = block + 4 * ch;
        state[ch].predictor = std::int16_t(header[0] | (header[1] << 8));
        state[ch].stepIndex = std::min<std::int32_t>(header[2], 88);
        out[ch] = std::int16_t(state[ch].predictor);
    }
    const std::uint8_t* codes = block + 4 * channels;
    const std::int32_t codeBytes = bytes - 4 * channels;
    // Stereo codes come in groups of 4 bytes per channel; a partial group is not decoded.
    const std::int32_t codesPerChannel = channels == 1 ? 2 * codeBytes : (codeBytes / 8) * 8;
    for (std::int32_t ch = 0; ch < channels; ++ch) {
        std::int16_t* sample = out + channels + ch;
        for (std::int32_t n = 0; n < codesPerChannel; ++n) {
            const std::uint8_t byte = codes[codeByte(n, ch, channels)];
            const std::int32_t code = (n & 1) ? byte >> 4 : byte & 15;
            *sample = std::int16_t(decodeCode(state[ch], code));
            sample += channels;
        }
    }
    return codesPerChannel + 1;
}

void ImaAdpcm::encodeBlock(const std::int16_t* frames, std::int32_t channels, std::int32_t blockSize, Channel state[2],
                           std::uint8_t* block)
{
    std::memset(block, 0, size_t(blockSize));
    for (std::int32_t ch = 0; ch < channels; ++ch) {
        state[ch].predictor = frames[ch];
        std::uint8_t* header = block + 4 * ch;
        putLe16(header, frames[ch]);
        header[2] = std::uint8_t(state[ch].stepIndex);
    }
    std::uint8_t* codes = block + 4 * channels;
    const std::int32_t codeBytes = blockSize - 4 * channels;
    const std::int32_t codesPerChannel = channels == 1 ? 2 * codeBytes : (codeBytes / 8) * 8;
    for (std::int32_t ch = 0; ch < channels; ++ch) {
        const std::int16_t* sample = frames + channels + ch;
        for (std::int32_t n = 0; n < codesPerChannel; ++n) {
            const std::int32_t code = encodeSample(state[ch], *sample);
            sample += channels;
            codes[codeByte(n, ch, channels)] |= std::uint8_t((n & 1) ? code << 4 : code);
        }
    }
}
