#pragma once

#include "platform/WaveAudio.h"

// The sound card through SDL's audio subsystem (whatever driver SDL picks: PulseAudio,
// PipeWire, ALSA, or the "disk" driver that tests select with SDL_AUDIODRIVER).
class SdlWaveAudio : public WaveAudio
{
public:
    // Starts SDL's audio subsystem and reads the device counts.
    SdlWaveAudio();
    ~SdlWaveAudio() override;
    SdlWaveAudio(const SdlWaveAudio&) = delete;
    SdlWaveAudio& operator=(const SdlWaveAudio&) = delete;

    int outputDeviceCount() const override { return m_outputs; }
    int inputDeviceCount() const override { return m_inputs; }
    std::unique_ptr<WaveOutput> openOutput(int device, const PcmFormat& format,
                                           WaveOutput::BlockDone blockDone) override;
    std::unique_ptr<WaveInput> openInput(int device, const PcmFormat& format, WaveInput::Data data) override;

private:
    bool m_started = false;
    int m_outputs = 0;
    int m_inputs = 0;
};
