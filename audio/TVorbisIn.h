#pragma once

#include "audio/TACSFileIn.h"

#include <QStringList>
#include <array>
#include <memory>

class QFile;

// Decodes an Ogg Vorbis file (or a stream the caller hands in) into 16-bit signed PCM.
//
// A file that cannot be opened, is not Ogg Vorbis, or has more than two channels is not
// Valid; reading it gives nothing.
class TVorbisIn : public TACSFileIn
{
public:
    explicit TVorbisIn(QObject* owner = nullptr);
    ~TVorbisIn() override;

    std::int32_t DurationSeconds() override;
    std::int32_t ReadData(void* buffer, std::int32_t bufferSize) override;

    void OpenSource() override;
    void CloseSource() override;
    bool SeekToSample(std::int32_t sample) override;

    // What the last opening found in the file: its user comments ("NAME=value"), the bit
    // rates of its identification header (bit/s, -1 or 0 when unset) and its length in
    // whole seconds.
    QStringList Comments() const { return m_comments; }
    std::int32_t UpperBitrate() const { return m_upperBitrate; }
    std::int32_t NominalBitrate() const { return m_nominalBitrate; }
    std::int32_t LowerBitrate() const { return m_lowerBitrate; }
    std::int32_t TotalTime() const { return m_totalTime; }

private:
    struct Decoder;
    friend struct Decoder;

    void applyJump();
    void fillBuffer();
    void resetFormat();
    std::int32_t frameBytes() const { return 2 * m_channels; }

    std::unique_ptr<Decoder> m_decoder;
    std::unique_ptr<QFile> m_file;
    bool m_open = false;
    std::int32_t m_section = -1;
    bool m_endOfFile = false;
    QStringList m_comments;
    std::int32_t m_upperBitrate = 0;
    std::int32_t m_nominalBitrate = 0;
    std::int32_t m_lowerBitrate = 0;
    std::int32_t m_totalTime = 0;
    std::array<char, 8192> m_staging{};
};
