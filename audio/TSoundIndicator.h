#pragma once

#include "audio/TACSConverter.h"

#include <array>
#include <atomic>

// Passes its input through unchanged and measures a 32-band spectrum of it on the way,
// for a level display that a window timer reads. The sound never waits for the display:
// a block that arrives while the window reads the levels goes unmeasured.
class TSoundIndicator : public TACSConverter
{
public:
    static constexpr int bands = 32;
    static constexpr int groupFrames = 64;

    explicit TSoundIndicator(QObject* owner = nullptr);
    ~TSoundIndicator() override;

    std::int32_t SampleBits() override;
    std::int32_t ChannelCount() override;
    std::int32_t SampleRate() override;
    std::int32_t ReadData(void* buffer, std::int32_t bufferSize) override;
    void OpenInput() override;
    void CloseInput() override;

    // The levels measured since the last call, scaled by 20; they start again from 0.
    void ReadLevels(double* levels);

private:
    TACSInput& requireInput() const;
    void takeFlag();
    void releaseFlag();
    void analyse(const std::uint8_t* bytes, std::int32_t length);

    std::array<double, 1024> m_window{};
    std::array<double, bands> m_levels{};
    // Shared by the analysis (the sink's worker) and ReadLevels (the window's timer).
    std::atomic<bool> m_flag{false};
    std::int32_t m_bits = 16;
    std::int32_t m_channels = 2;
};
