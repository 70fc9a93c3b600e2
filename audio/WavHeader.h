#pragma once

#include "audio/TWavType.h"

#include <array>
#include <cstdint>

class QIODevice;

// What the header of a WAV file says, as far as the components need it.
struct WavHeader
{
    bool valid = false;
    TWavType kind = wtUnsupported;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
    std::uint16_t samplesPerBlock = 0;
    std::uint16_t coefficientCount = 0;
    std::array<std::array<std::int16_t, 2>, 32> coefficients{};
    std::uint32_t factCount = 0;
    std::int64_t factCountOffset = -1; // file offset of the fact chunk's sample count
    std::int64_t dataLengthOffset = -1;
    std::uint32_t dataLength = 0;
    std::int64_t dataOffset = -1; // file offset of the first data byte

    enum class Reader { waveIn, waveOut };
    // Reads the header from the start of the stream: RIFF, WAVE, "fmt ", then "fact" for
    // the ADPCM kinds, then "data", skipping other chunks, tags in any letter case. The
    // whole walk stays inside the first 4096 bytes; a header that needs more, ends early,
    // or holds a format the reader does not take is not valid. The reader decides which
    // format tags count: the writer appends to PCM and IMA ADPCM only.
    static WavHeader parse(QIODevice& stream, Reader reader);
};
