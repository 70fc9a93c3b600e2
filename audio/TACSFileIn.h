#pragma once

#include "audio/TACSStreamedInput.h"

#include <QString>

// A source that reads a file, or a stream the caller hands in.
//
// OpenSource and CloseSource nest: only the first OpenSource opens the file and parses its
// header, only the CloseSource that brings OpenCount back to 0 closes it. The format
// queries open the source around the read, so they can be asked before a transfer.
class TACSFileIn : public TACSStreamedInput
{
public:
    explicit TACSFileIn(QObject* owner = nullptr);

    std::int32_t SampleBits() override;
    std::int32_t ChannelCount() override;
    std::int32_t SampleRate() override;
    std::int32_t DurationSeconds() override;
    void ResetInput() override;
    void OpenInput() override;
    void CloseInput() override;

    virtual void OpenSource() = 0;
    virtual void CloseSource() = 0;
    virtual bool SeekToSample(std::int32_t sample) = 0;

    QString FileName() const { return m_fileName; }
    void SetFileName(const QString& fileName) { m_fileName = fileName; }
    bool Loop() const { return m_loop; }
    void SetLoop(bool loop) { m_loop = loop; }
    std::int32_t StartSample() const { return m_startSample; }
    void SetStartSample(std::int32_t sample) { m_startSample = sample; }
    std::int32_t EndSample() const { return m_endSample; }
    void SetEndSample(std::int32_t sample) { m_endSample = sample; }

    // Whether the source is understood; false without a stream and a file name.
    bool Valid();
    // Stores a jump by a signed percentage of the source's length; the next refill of the
    // staging buffer makes it. May be called from any thread.
    void Jump(std::int32_t percent) { m_jump = percent; }

    std::int32_t TotalSamples() const { return m_totalSamples; }
    std::int32_t OpenCount() const { return m_openCount; }

protected:
    std::int32_t formatField(const std::int32_t& field);
    std::int32_t takeJump() { return m_jump.exchange(0); }

    std::int32_t m_bits = 0;
    std::int32_t m_sampleRate = 0;
    std::int32_t m_channels = 0;
    std::int32_t m_totalSamples = 0;
    bool m_valid = false;
    std::int32_t m_openCount = 0;
    std::atomic<std::int32_t> m_jump{0};

private:
    QString m_fileName;
    bool m_loop = false;
    std::int32_t m_startSample = 0;
    std::int32_t m_endSample = -1;
};
