#pragma once

#include <QBuffer>
#include <QByteArray>
#include <array>
#include <cstdint>

// Compressed audio inside a WAV file (MPEG Layer-3), turned into PCM in memory: LoadWave
// takes the format and the data out of the file, ConvertData decodes the data (with
// libmpg123), SaveWave writes the result as a PCM WAV file.
class TWaveConverter : public QBuffer
{
public:
    static constexpr int formatBufferSize = 129;
    using FormatBuffer = std::array<std::uint8_t, formatBufferSize>;

    TWaveConverter();

    // Reads a RIFF/WAVE file: the "fmt " content becomes the source format, the "data"
    // content this buffer's content. Does nothing unless the stream starts with "RIFF",
    // a length and "WAVE".
    void LoadWave(QIODevice& stream);
    // Decodes the content into 16-bit PCM; the target format (PCM at the decoded rate
    // and channels) then becomes the source format. 0 on success.
    std::int32_t ConvertData();
    // Writes a 44-byte PCM header from the source format, then the content. 0, or 286
    // when writing failed.
    std::int32_t SaveWave(QIODevice& stream);

    const FormatBuffer& SourceFormat() const { return m_source; }
    FormatBuffer& TargetFormat() { return m_target; }

private:
    FormatBuffer m_source{};
    FormatBuffer m_target{};
};
