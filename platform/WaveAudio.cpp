#include "platform/WaveAudio.h"

#include "platform/SdlWaveAudio.h"

namespace {

std::mutex g_serviceMutex;
std::shared_ptr<WaveAudio> g_installed;

} // namespace

bool PcmFormat::isPlayable() const
{
    return sampleRate > 0 && (channels == 1 || channels == 2) && (bitsPerSample == 8 || bitsPerSample == 16);
}

std::unique_ptr<WaveInput> WaveAudio::openInput(int, const PcmFormat&, WaveInput::Data)
{
    throw WaveAudioError("No sound input device is available.");
}

std::mutex& WaveAudio::callbackLock()
{
    static std::mutex lock;
    return lock;
}

std::mutex& WaveAudio::inputCallbackLock()
{
    static std::mutex lock;
    return lock;
}

WaveAudio& WaveAudio::instance()
{
    std::lock_guard lock(g_serviceMutex);
    if (g_installed) {
        return *g_installed;
    }
    // Made once and kept to the end: the device counts are read here, and outputs still
    // open when a test swaps services must keep their sound system.
    static SdlWaveAudio system;
    return system;
}

void WaveAudio::install(std::shared_ptr<WaveAudio> audio)
{
    std::lock_guard lock(g_serviceMutex);
    g_installed = std::move(audio);
}
