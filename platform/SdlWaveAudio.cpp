#include "platform/SdlWaveAudio.h"

#include "platform/SdlWaveInput.h"

#include <SDL.h>

#include <QString>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <vector>

namespace {

// SDL's own lists of open devices are not guarded against two threads opening or closing
// at once, and players open on one thread and close on another.
std::mutex& sdlDeviceMutex()
{
    static std::mutex lock;
    return lock;
}

std::string sdlError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QString::fromUtf8(what), QString::fromUtf8(SDL_GetError())).toStdString();
}

class SdlWaveOutput : public WaveOutput
{
public:
    SdlWaveOutput(BlockDone blockDone) : m_blockDone(std::move(blockDone)) {}
    ~SdlWaveOutput() override { close(); }

    void open(const char* deviceName, const PcmFormat& format)
    {
        SDL_AudioSpec wanted{};
        wanted.freq = format.sampleRate;
        wanted.format = format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
        wanted.channels = static_cast<Uint8>(format.channels);
        wanted.samples = 1024;
        wanted.callback = &SdlWaveOutput::feed;
        wanted.userdata = this;
        SDL_AudioSpec obtained{};
        std::lock_guard lock(sdlDeviceMutex());
        // No changes allowed: SDL converts our format to the hardware's itself, so every
        // block is read in the layout it was written in.
        m_id = SDL_OpenAudioDevice(deviceName, 0, &wanted, &obtained, 0);
        if (m_id == 0) {
            throw WaveAudioError(sdlError("The sound output device cannot be opened"));
        }
        m_silence = obtained.silence;
        SDL_PauseAudioDevice(m_id, 0);
    }

    void write(WaveBlock* block) override
    {
        if (!block || !block->data || block->length == 0) {
            throw WaveAudioError("An empty block cannot be played.");
        }
        std::lock_guard lock(m_mutex);
        if (m_lost || m_id == 0) {
            throw WaveAudioError("The sound output device is no longer available.");
        }
        m_queue.push_back(block);
        ++m_written;
    }

    void setPaused(bool paused) override
    {
        std::lock_guard lock(sdlDeviceMutex());
        if (m_id != 0) {
            SDL_PauseAudioDevice(m_id, paused ? 1 : 0);
        }
    }

    bool lost() const override
    {
        std::lock_guard lock(m_mutex);
        return m_lost;
    }

    void close() override
    {
        if (m_id == 0) {
            return;
        }
        {
            std::unique_lock lock(m_mutex);
            // The callback wakes us as blocks come back. The timed wake only re-checks
            // that the device still exists, for a driver whose thread ends with the device.
            while (m_returned != m_written && !m_lost) {
                if (m_cv.wait_for(lock, std::chrono::milliseconds(250)) == std::cv_status::timeout &&
                    SDL_GetAudioDeviceStatus(m_id) == SDL_AUDIO_STOPPED) {
                    m_lost = true;
                }
            }
        }
        {
            // SDL plays out the buffer it was last given before its thread ends.
            std::lock_guard lock(sdlDeviceMutex());
            SDL_CloseAudioDevice(m_id);
            m_id = 0;
        }
        std::vector<WaveBlock*> rest;
        {
            std::lock_guard lock(m_mutex);
            rest.assign(m_queue.begin(), m_queue.end());
            m_queue.clear();
        }
        handBack(rest);
    }

private:
    static void SDLCALL feed(void* self, Uint8* stream, int length)
    {
        static_cast<SdlWaveOutput*>(self)->fill(stream, length);
    }

    void fill(Uint8* stream, int length)
    {
        m_done.clear();
        int filled = 0;
        const bool stopped = SDL_GetAudioDeviceStatus(m_id) == SDL_AUDIO_STOPPED;
        {
            std::lock_guard lock(m_mutex);
            // A device that went away keeps calling us with silence: nothing queued
            // will be heard any more, so every block goes back now.
            m_lost = m_lost || stopped;
            while (!m_lost && filled < length && !m_queue.empty()) {
                WaveBlock* block = m_queue.front();
                const int take = std::min<int>(length - filled, static_cast<int>(block->length - m_offset));
                std::memcpy(stream + filled, block->data + m_offset, static_cast<std::size_t>(take));
                filled += take;
                m_offset += static_cast<std::uint32_t>(take);
                if (m_offset == block->length) {
                    m_queue.pop_front();
                    m_offset = 0;
                    m_done.push_back(block);
                }
            }
            if (m_lost) {
                m_done.insert(m_done.end(), m_queue.begin(), m_queue.end());
                m_queue.clear();
                m_offset = 0;
            }
        }
        std::memset(stream + filled, m_silence, static_cast<std::size_t>(length - filled));
        handBack(m_done);
        if (stopped) {
            m_cv.notify_all();
        }
    }

    void handBack(const std::vector<WaveBlock*>& blocks)
    {
        if (blocks.empty()) {
            return;
        }
        {
            std::lock_guard lock(WaveAudio::callbackLock());
            for (WaveBlock* block : blocks) {
                if (m_blockDone) {
                    m_blockDone(block);
                }
            }
        }
        {
            std::lock_guard lock(m_mutex);
            m_returned += blocks.size();
        }
        m_cv.notify_all();
    }

    BlockDone m_blockDone;
    SDL_AudioDeviceID m_id = 0;
    Uint8 m_silence = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<WaveBlock*> m_queue;
    std::uint32_t m_offset = 0;
    std::uint64_t m_written = 0;
    std::uint64_t m_returned = 0;
    bool m_lost = false;
    // Used on SDL's thread only: the blocks finished in one call of the callback.
    std::vector<WaveBlock*> m_done;
};

// A count the system lists, or where it lists none, 1 when its default device opens.
int countDevices(int capture)
{
    const int listed = SDL_GetNumAudioDevices(capture);
    if (listed > 0) {
        return listed;
    }
    SDL_AudioSpec wanted{};
    wanted.freq = 44100;
    wanted.format = AUDIO_S16LSB;
    wanted.channels = 2;
    wanted.samples = 1024;
    SDL_AudioSpec obtained{};
    const SDL_AudioDeviceID id = SDL_OpenAudioDevice(nullptr, capture, &wanted, &obtained, 0);
    if (id == 0) {
        return 0;
    }
    SDL_CloseAudioDevice(id);
    return 1;
}

} // namespace

SdlWaveAudio::SdlWaveAudio()
{
    // Starting SDL's audio starts its event system too, which by default catches SIGINT
    // and SIGTERM to queue a quit event nobody here reads: the program would never end on
    // them. Stopping on a signal is the program's own business (StopSignals).
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    m_started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    if (m_started) {
        std::lock_guard lock(sdlDeviceMutex());
        m_outputs = countDevices(0);
        m_inputs = countDevices(1);
    }
}

SdlWaveAudio::~SdlWaveAudio()
{
    if (m_started) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

std::unique_ptr<WaveOutput> SdlWaveAudio::openOutput(int device, const PcmFormat& format,
                                                     WaveOutput::BlockDone blockDone)
{
    if (!m_started || m_outputs == 0) {
        throw WaveAudioError("No sound output device is available.");
    }
    if (device < 0 || device >= m_outputs) {
        throw WaveAudioError(QStringLiteral("Sound output device %1 does not exist.").arg(device).toStdString());
    }
    if (!format.isPlayable()) {
        throw WaveAudioError(QStringLiteral("The sound format %1 Hz, %2 channels, %3 bits cannot be played.")
                                 .arg(format.sampleRate)
                                 .arg(format.channels)
                                 .arg(format.bitsPerSample)
                                 .toStdString());
    }
    // Device 0 is the desktop's default output; the others are the ones SDL lists.
    QByteArray name;
    if (device > 0) {
        std::lock_guard lock(sdlDeviceMutex());
        const char* listed = SDL_GetAudioDeviceName(device, 0);
        if (!listed) {
            throw WaveAudioError(sdlError("The sound output device cannot be found"));
        }
        name = QByteArray(listed);
    }
    auto output = std::make_unique<SdlWaveOutput>(std::move(blockDone));
    output->open(device > 0 ? name.constData() : nullptr, format);
    return output;
}

std::unique_ptr<WaveInput> SdlWaveAudio::openInput(int device, const PcmFormat& format, WaveInput::Data data)
{
    if (!m_started || m_inputs == 0) {
        throw WaveAudioError("No sound input device is available.");
    }
    if (device != 0) {
        // Recording always uses the desktop's default input, chosen in its mixer.
        throw WaveAudioError(QStringLiteral("Sound input device %1 does not exist.").arg(device).toStdString());
    }
    if (!format.isPlayable()) {
        throw WaveAudioError(QStringLiteral("The sound format %1 Hz, %2 channels, %3 bits cannot be recorded.")
                                 .arg(format.sampleRate)
                                 .arg(format.channels)
                                 .arg(format.bitsPerSample)
                                 .toStdString());
    }
    return openSdlInput(format, std::move(data), sdlDeviceMutex());
}
