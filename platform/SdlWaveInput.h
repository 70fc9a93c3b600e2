#pragma once

#include "platform/WaveAudio.h"

#include <memory>
#include <mutex>

// Recording from SDL's default capture device, opened in exactly the asked format (SDL
// converts from whatever the hardware delivers). SDL's audio subsystem must be running;
// `deviceListLock` guards SDL's opening and closing of devices against other threads.
// Throws WaveAudioError when no device opens.
std::unique_ptr<WaveInput> openSdlInput(const PcmFormat& format, WaveInput::Data data, std::mutex& deviceListLock);
