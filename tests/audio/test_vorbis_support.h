#pragma once

#include "audio/EACSException.h"
#include "audio/TACSInput.h"
#include "audio/TACSOutput.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace vorbistest {

// PCM held in memory in any of the formats the stream components carry, handed out in
// reads of at most `chunk` bytes (to imitate sources whose reads end inside a frame).
class PcmSource : public TACSInput
{
public:
    PcmSource(QByteArray data, std::int32_t bits, std::int32_t channels, std::int32_t rate,
              std::int32_t chunk = 1 << 30)
        : m_data(std::move(data)), m_bits(bits), m_channels(channels), m_rate(rate), m_chunk(chunk)
    {
        m_size = std::int32_t(m_data.size());
    }
    ~PcmSource() override { releaseHolders(); }

    std::int32_t SampleBits() override { return m_bits; }
    std::int32_t ChannelCount() override { return m_channels; }
    std::int32_t SampleRate() override { return m_rate; }
    void OpenInput() override
    {
        if (Busy()) {
            throw EACSException("The component is buisy");
        }
        m_offset = 0;
        m_position = 0;
        m_busy = true;
        ++m_opens;
    }
    void CloseInput() override
    {
        m_busy = false;
        ++m_closes;
    }
    std::int32_t ReadData(void* buffer, std::int32_t bufferSize) override
    {
        const std::int32_t n = std::min({bufferSize, m_chunk, std::int32_t(m_data.size()) - m_offset});
        std::memcpy(buffer, m_data.constData() + m_offset, size_t(n));
        m_offset += n;
        m_position = m_offset;
        return n;
    }

    int opens() const { return m_opens; }
    int closes() const { return m_closes; }

private:
    QByteArray m_data;
    std::int32_t m_bits;
    std::int32_t m_channels;
    std::int32_t m_rate;
    std::int32_t m_chunk;
    std::int32_t m_offset = 0;
    int m_opens = 0;
    int m_closes = 0;
};

// Collects the end of one transfer of an output: OnDone, or the text of OnThreadException.
class TransferEnd
{
public:
    explicit TransferEnd(TACSOutput& output);
    // Waits for the end of the transfer; the error text, or empty after OnDone.
    std::string wait();
    int dones() const;
    std::vector<int> progress() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_dones = 0;
    std::vector<std::string> m_errors;
    std::vector<int> m_progress;
};

// 16-bit signed PCM of a sine tone; the right channel at twice the frequency so a swap or
// a dropped channel shows.
QByteArray sineBytes(std::int64_t frames, int rate, int channels, double frequency, double amplitude = 0.5);
// The same tone as 8-bit unsigned PCM.
QByteArray sineBytes8(std::int64_t frames, int rate, int channels, double frequency);

// Writes PCM as a WAV file with a plain 44-byte header; false when it cannot.
bool writePcmWav(const QString& path, const QByteArray& pcm, int rate, int channels, int bits = 16);
// A WAV file of the tone of sineBytes.
bool writeSineWav(const QString& path, std::int64_t frames, int rate, int channels, double frequency = 440.0);

struct Decoded
{
    bool ok = false;
    int channels = 0;
    int rate = 0;
    std::vector<std::int16_t> samples; // interleaved
    std::int64_t frames() const { return channels ? std::int64_t(samples.size()) / channels : 0; }
};

// The PCM of a 16-bit WAV file (first fmt and data chunks).
Decoded readWav(const QString& path);
// Decodes an Ogg file with oggdec into a scratch WAV next to it.
Decoded decodeWithOggdec(const QString& oggPath);
// Interleaved 16-bit bytes as samples.
std::vector<std::int16_t> samplesOf(const QByteArray& bytes);

// Frequency of the strongest tone in one channel, from its rising zero crossings.
double toneFrequency(const Decoded& pcm, int channel);

struct ProcessResult
{
    bool started = false;
    int exitCode = -1;
    QString output; // standard output and error together
};
ProcessResult runTool(const QString& program, const QStringList& arguments);
// A value of `ffprobe -show_entries stream=<entry>` for the first audio stream.
QString ffprobeStreamValue(const QString& path, const QString& entry);

} // namespace vorbistest
