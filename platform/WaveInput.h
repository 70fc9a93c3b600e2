#pragma once

#include <cstdint>
#include <functional>

// One open recording device, delivering sound in the format it was opened with. Made by
// the audio service (openInput); closing it, or destroying it, ends delivery.
//
// When the device goes away while open (a microphone unplugged, the sound server ended),
// it turns lost(): nothing more arrives, and what came before stays delivered.
class WaveInput
{
public:
    // Runs on the sound system's own thread, under WaveAudio::inputCallbackLock(), with
    // whole frames. Keep it short: append to a buffer.
    using Data = std::function<void(const std::uint8_t* data, std::uint32_t length)>;

    virtual ~WaveInput() = default;

    virtual bool lost() const = 0;
    // Stops the device; the data callback is not called any more once this returns.
    // Idempotent.
    virtual void close() = 0;
};
