#pragma once

#include "platform/WaveAudio.h"

#include <QByteArray>
#include <memory>
#include <mutex>

// A sound system for recorder tests: a microphone that delivers exactly the bytes the test
// hands it, can go away on request or be missing, and an output that plays every block at
// once and keeps what it played.
class ScriptedSound : public WaveAudio
{
public:
    bool hasInput = true;

    int outputDeviceCount() const override { return 1; }
    int inputDeviceCount() const override { return hasInput ? 1 : 0; }
    std::unique_ptr<WaveOutput> openOutput(int device, const PcmFormat& format,
                                           WaveOutput::BlockDone blockDone) override;
    std::unique_ptr<WaveInput> openInput(int device, const PcmFormat& format, WaveInput::Data data) override;

    // Delivers bytes from the open microphone, on the caller's thread; false when none is open.
    bool deliver(const QByteArray& bytes);
    // The open microphone goes away: lost() turns true, and nothing more is delivered.
    void loseInput();
    bool inputOpen() const;
    PcmFormat inputFormat() const;
    int inputOpens() const;

    QByteArray played() const;

private:
    friend class ScriptedInput;
    friend class InstantOutput;
    struct Microphone
    {
        WaveInput::Data data;
        bool open = false;
        bool lost = false;
    };
    mutable std::mutex m_mutex;
    std::shared_ptr<Microphone> m_microphone;
    PcmFormat m_inputFormat;
    int m_inputOpens = 0;
    QByteArray m_played;
};
