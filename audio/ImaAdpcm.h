#pragma once

#include <cstdint>

// IMA ADPCM blocks as WAV files hold them: per channel a 4-byte header (first sample,
// step index, zero byte), then 4-bit codes, interleaved per channel in groups of 8 codes
// (4 bytes) when stereo.
class ImaAdpcm
{
public:
    struct Channel
    {
        std::int32_t predictor = 0;
        std::int32_t stepIndex = 0;
    };

    // Sample frames in a block of `blockSize` bytes: 2B - 7 mono, B - 7 stereo.
    static std::int32_t samplesPerBlock(std::int32_t blockSize, std::int32_t channels);

    // The sample a code gives; moves the channel's state on.
    static std::int32_t decodeCode(Channel& channel, std::int32_t code);
    // The code that comes closest to `sample`; moves the channel's state on as decoding would.
    static std::int32_t encodeSample(Channel& channel, std::int32_t sample);

    // Decodes the `bytes` bytes of one block (a short last block gives fewer frames) into
    // interleaved 16-bit frames; returns the frames written, 0 when not even the header is
    // there. `out` holds at least samplesPerBlock(bytes, channels) frames. A step index
    // above 88 in a header is taken as 88.
    static std::int32_t decodeBlock(const std::uint8_t* block, std::int32_t bytes, std::int32_t channels,
                                    std::int16_t* out);

    // Encodes samplesPerBlock(blockSize, channels) interleaved frames into one block. The
    // first frame becomes the headers' samples; the step indices carry over in `state`.
    static void encodeBlock(const std::int16_t* frames, std::int32_t channels, std::int32_t blockSize, Channel state[2],
                            std::uint8_t* block);

private:
    // Where code n of a channel sits, counted from the first code byte (after the headers).
    static std::int32_t codeByte(std::int32_t n, std::int32_t channel, std::int32_t channels)
    {
        return channels == 1 ? n / 2 : (n & ~7) + ((n >> 1) & 3) + 4 * channel;
    }
};
