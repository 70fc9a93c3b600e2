#pragma once

#include "audio/MsAdpcm.h"
#include "audio/TACSFileIn.h"
#include "audio/TWavType.h"

#include <memory>
#include <vector>

class QFile;
class QBuffer;

// Reads a RIFF WAVE file as 8- or 16-bit PCM: plain PCM, IMA ADPCM, Microsoft ADPCM, or
// MPEG Layer-3 inside the WAV file, which is decoded into memory first. A file that is not
// understood is not an error: Valid is false.
class TWaveIn : public TACSFileIn
{
public:
    explicit TWaveIn(QObject* owner = nullptr);
    ~TWaveIn() override;

    std::int32_t ReadData(void* buffer, std::int32_t bufferSize) override;
    void OpenInput() override;
    void OpenSource() override;
    void CloseSource() override;
    bool SeekToSample(std::int32_t sample) override;

    // Kind of the file; opens the source around the read.
    TWavType WavType();

private:
    static constexpr std::int32_t stagingSize = 16384;

    void parseHeader();
    void useConvertedStream();
    bool refill();
    bool refillPcm();
    bool refillAdpcm();
    std::int32_t decodeBlock(const std::uint8_t* block, std::int32_t bytes);
    // Back to the start of the chosen range, for Loop.
    void restart();
    std::int64_t frameBytes() const { return std::int64_t(m_bits / 8) * m_channels; }

    std::vector<std::uint8_t> m_staging;
    std::vector<std::uint8_t> m_block;
    TWavType m_kind = wtUnsupported;
    std::uint16_t m_blockSize = 0;
    std::uint16_t m_samplesPerBlock = 0;
    std::uint32_t m_factCount = 0;
    std::uint16_t m_coefficientCount = 0;
    MsAdpcm::Coefficients m_coefficients{};
    std::int64_t m_dataOffset = 0;

    std::unique_ptr<QFile> m_file;        // the file this component opened itself
    std::unique_ptr<QBuffer> m_converted; // PCM made from compressed data
    QIODevice* m_fileStream = nullptr;    // the caller's stream while m_converted stands in
    bool m_fileStreamAssigned = false;
};
