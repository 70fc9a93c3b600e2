#include "support/ScriptedSound.h"

class ScriptedInput : public WaveInput
{
public:
    ScriptedInput(ScriptedSound& sound, std::shared_ptr<ScriptedSound::Microphone> microphone)
        : m_sound(sound), m_microphone(std::move(microphone))
    {
    }
    ~ScriptedInput() override { close(); }
    bool lost() const override
    {
        std::lock_guard lock(m_sound.m_mutex);
        return m_microphone->lost;
    }
    void close() override
    {
        std::lock_guard lock(m_sound.m_mutex);
        m_microphone->open = false;
    }

private:
    ScriptedSound& m_sound;
    std::shared_ptr<ScriptedSound::Microphone> m_microphone;
};

class InstantOutput : public WaveOutput
{
public:
    InstantOutput(ScriptedSound& sound, BlockDone blockDone) : m_sound(sound), m_blockDone(std::move(blockDone)) {}
    void write(WaveBlock* block) override
    {
        {
            std::lock_guard lock(m_sound.m_mutex);
            m_sound.m_played.append(reinterpret_cast<const char*>(block->data), block->length);
        }
        std::lock_guard lock(WaveAudio::callbackLock());
        m_blockDone(block);
    }
    void setPaused(bool) override {}
    bool lost() const override { return false; }
    void close() override {}

private:
    ScriptedSound& m_sound;
    BlockDone m_blockDone;
};

std::unique_ptr<WaveOutput> ScriptedSound::openOutput(int, const PcmFormat&, WaveOutput::BlockDone blockDone)
{
    return std::make_unique<InstantOutput>(*this, std::move(blockDone));
}

std::unique_ptr<WaveInput> ScriptedSound::openInput(int, const PcmFormat& format, WaveInput::Data data)
{
    if (!hasInput) {
        throw WaveAudioError("No sound input device is available.");
    }
    auto microphone = std::make_shared<Microphone>();
    microphone->data = std::move(data);
    microphone->open = true;
    std::lock_guard lock(m_mutex);
    m_microphone = microphone;
    m_inputFormat = format;
    ++m_inputOpens;
    return std::make_unique<ScriptedInput>(*this, microphone);
}

bool ScriptedSound::deliver(const QByteArray& bytes)
{
    std::shared_ptr<Microphone> microphone;
    {
        std::lock_guard lock(m_mutex);
        if (!m_microphone || !m_microphone->open || m_microphone->lost) {
            return false;
        }
        microphone = m_microphone;
    }
    std::lock_guard lock(WaveAudio::inputCallbackLock());
    microphone->data(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                     static_cast<std::uint32_t>(bytes.size()));
    return true;
}

void ScriptedSound::loseInput()
{
    std::lock_guard lock(m_mutex);
    if (m_microphone) {
        m_microphone->lost = true;
    }
}

bool ScriptedSound::inputOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_microphone && m_microphone->open;
}

PcmFormat ScriptedSound::inputFormat() const
{
    std::lock_guard lock(m_mutex);
    return m_inputFormat;
}

int ScriptedSound::inputOpens() const
{
    std::lock_guard lock(m_mutex);
    return m_inputOpens;
}

QByteArray ScriptedSound::played() const
{
    std::lock_guard lock(m_mutex);
    return m_played;
}
