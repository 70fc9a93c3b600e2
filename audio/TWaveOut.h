#pragma once

#include "audio/ImaAdpcm.h"
#include "audio/TACSFileOut.h"
#include "audio/TWavType.h"

#include <memory>
#include <vector>

class QFile;

// Writes a RIFF WAVE file as PCM or IMA ADPCM, as a new file or appended to an existing
// one of the same kind and format.
class TWaveOut : public TACSFileOut
{
public:
    explicit TWaveOut(QObject* owner = nullptr);
    ~TWaveOut() override;

    TWavType WavType() const { return m_wavType; }
    // Only while idle, and only wtPCM or wtDVIADPCM.
    void SetWavType(TWavType type);
    std::uint16_t BlockSize() const { return m_blockSize; }
    // Only while idle, and only a non-zero multiple of 4.
    void SetBlockSize(std::uint16_t size);
    void SetFileMode(TFileOutputMode mode) override;

    void FinishOutput() override;

protected:
    void PrepareOutput() override;
    bool ProduceBlock(bool abort) override;

private:
    static constexpr std::int32_t transferSize = 16384;

    // Closes the file (unless it is the caller's stream) and raises `message`.
    [[noreturn]] void refuse(const char* message);
    void writeHeader();
    bool producePcm();
    bool produceAdpcm();
    void fixUpHeader();
    void closeTarget();
    // Writes all of it or throws EACSWriteError with the system's reason.
    void writeOrFail(const char* data, qint64 size);

    TWavType m_wavType = wtPCM;
    std::uint16_t m_blockSize = 512;
    std::vector<std::uint8_t> m_transfer;
    bool m_endOfInput = false;
    ImaAdpcm::Channel m_encoder[2];

    std::unique_ptr<QFile> m_file;
    QIODevice* m_target = nullptr; // the file or the caller's stream during a transfer
    // What an existing file to append to holds; appending is false for a new or empty file.
    bool m_appending = false;
    std::uint32_t m_fileRate = 0;
    std::uint16_t m_fileChannels = 0;
    std::uint16_t m_fileBits = 0;
    std::int64_t m_factCountOffset = -1;
    std::int64_t m_dataLengthOffset = -1;
    std::int64_t m_dataOffset = 0;
    std::int32_t m_channels = 1;
    std::int64_t m_framesRead = 0; // IMA ADPCM: frames that came from the input
};
