#pragma once

#include "audio/InstantValues.h"
#include "audio/TBlockConverter.h"

#include <vector>

enum TFilterWindowType { fwHamming = 0, fwHann = 1, fwBlackman = 2 };

// Changes the sample rate of 16-bit PCM. Output frames sit on input frames when going
// down (a filtered copy of every kept frame) and on linearly interpolated instants when
// going up; both pass a windowed-sinc low-pass kernel.
//
// The arithmetic is fixed to the last rounding: each output is one double sum, taken in
// a fixed order, rounded half to even and stored as its low 16 bits (no saturation).
class TRateConverter : public TBlockConverter
{
public:
    explicit TRateConverter(QObject* owner = nullptr);
    ~TRateConverter() override;

    std::int32_t SampleBits() override;
    std::int32_t ChannelCount() override;
    std::int32_t SampleRate() override;
    void OpenInput() override;

    std::int32_t OutSampleRate() const { return m_outSampleRate; }
    void SetOutSampleRate(std::int32_t rate);
    std::int32_t KernelWidth() const { return m_kernelWidth; }
    void SetKernelWidth(std::int32_t width);
    TFilterWindowType FilterWindow() const { return m_filterWindow; }
    void SetFilterWindow(TFilterWindowType window) { m_filterWindow = window; }

    // The low-pass kernel of `width` taps with cutoff `cutoff` (cycles per sample),
    // summing to 1.
    static std::vector<double> makeKernel(std::int32_t width, float cutoff, TFilterWindowType window);

protected:
    std::int32_t convertChunk(std::int32_t bytes) override;

private:
    template <int Channels> std::int32_t downsample(std::int32_t frames);
    template <int Channels> std::int32_t upsample(std::int32_t frames);

    std::int32_t m_outSampleRate = 22050;
    std::int32_t m_kernelWidth = 30;
    TFilterWindowType m_filterWindow = fwBlackman;

    std::int32_t m_inSampleRate = 0;
    std::int32_t m_channels = 1;
    std::vector<double> m_kernel;
    InstantValues m_instantValues;
    std::int32_t m_phase = -1;
    // Going down: the previous N - 1 input frames, then this chunk's, as doubles.
    // Going up: the previous N - 1 interpolated values, then this chunk's.
    std::vector<double> m_window;
    // Window frames at which this chunk's outputs start, and their sums before rounding.
    std::vector<std::int32_t> m_starts;
    std::vector<double> m_sums;
    // The last input frame of the previous chunk; kept from run to run.
    std::int32_t m_lastFrame[2] = {0, 0};
};
