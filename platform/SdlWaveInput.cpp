#include "platform/SdlWaveInput.h"

#include <SDL.h>

#include <QString>

namespace {

class SdlWaveInput : public WaveInput
{
public:
    SdlWaveInput(WaveInput::Data data, std::mutex& deviceListLock)
        : m_data(std::move(data)), m_deviceListLock(deviceListLock)
    {
    }
    ~SdlWaveInput() override { close(); }

    void open(const PcmFormat& format)
    {
        SDL_AudioSpec wanted{};
        wanted.freq = format.sampleRate;
        wanted.format = format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
        wanted.channels = static_cast<Uint8>(format.channels);
        // About 25 ms a buffer: a Stop loses little, and the thread does not spin.
        int samples = 256;
        while (samples * 40 < format.sampleRate) {
            samples *= 2;
        }
        wanted.samples = static_cast<Uint16>(samples);
        wanted.callback = &SdlWaveInput::deliver;
        wanted.userdata = this;
        m_frame = format.blockAlign();
        std::lock_guard lock(m_deviceListLock);
        // No changes allowed: SDL converts to our format, so every byte lands where it belongs.
        m_id = SDL_OpenAudioDevice(nullptr, 1, &wanted, nullptr, 0);
        if (m_id == 0) {
            throw WaveAudioError(
                QStringLiteral("The sound input device cannot be opened: %1").arg(SDL_GetError()).toStdString());
        }
        SDL_PauseAudioDevice(m_id, 0);
    }

    bool lost() const override
    {
        std::lock_guard lock(m_deviceListLock);
        return m_id != 0 && SDL_GetAudioDeviceStatus(m_id) == SDL_AUDIO_STOPPED;
    }

    void close() override
    {
        std::lock_guard lock(m_deviceListLock);
        if (m_id != 0) {
            // Closing waits for SDL's capture thread, so no delivery follows.
            SDL_CloseAudioDevice(m_id);
            m_id = 0;
        }
    }

private:
    static void SDLCALL deliver(void* self, Uint8* stream, int length)
    {
        auto* input = static_cast<SdlWaveInput*>(self);
        const int whole = length - length % input->m_frame;
        if (whole > 0) {
            std::lock_guard lock(WaveAudio::inputCallbackLock());
            input->m_data(stream, static_cast<std::uint32_t>(whole));
        }
    }

    WaveInput::Data m_data;
    std::mutex& m_deviceListLock;
    SDL_AudioDeviceID m_id = 0;
    int m_frame = 1;
};

} // namespace

std::unique_ptr<WaveInput> openSdlInput(const PcmFormat& format, WaveInput::Data data, std::mutex& deviceListLock)
{
    auto input = std::make_unique<SdlWaveInput>(std::move(data), deviceListLock);
    input->open(format);
    return input;
}
