#pragma once

#include "audio/TACSConverter.h"

// Left/right balance; always stereo out (a mono input is doubled). It works in the
// caller's buffer and keeps no staging buffer.
class TStereoBalance : public TACSConverter
{
public:
    explicit TStereoBalance(QObject* owner = nullptr);
    ~TStereoBalance() override;

    std::int32_t SampleBits() override;
    std::int32_t ChannelCount() override;
    std::int32_t SampleRate() override;
    std::int32_t ReadData(void* buffer, std::int32_t bufferSize) override;
    void OpenInput() override;
    void CloseInput() override;

    float Balance() const { return m_balance.load(); }
    // 0 is right only, 1 left only, 0.5 both unchanged; other values are ignored. May be
    // changed while playing.
    void SetBalance(float balance);

private:
    TACSInput& requireInput() const;

    std::atomic<float> m_balance{0.5f};
    std::int32_t m_bits = 16;
    bool m_monoInput = false;
};
