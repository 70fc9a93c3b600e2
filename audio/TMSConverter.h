#pragma once

#include "audio/TBlockConverter.h"

enum TMSConverterMode { msmMonoToBoth = 0, msmMonoToLeft = 1, msmMonoToRight = 2 };

// Mono to stereo and stereo to mono, for 16-bit input.
class TMSConverter : public TBlockConverter
{
public:
    explicit TMSConverter(QObject* owner = nullptr);
    ~TMSConverter() override;

    std::int32_t SampleBits() override;
    std::int32_t ChannelCount() override;
    std::int32_t SampleRate() override;
    void OpenInput() override;

    TMSConverterMode Mode() const { return m_mode; }
    void SetMode(TMSConverterMode mode) { m_mode = mode; }

protected:
    std::int32_t convertChunk(std::int32_t bytes) override;

private:
    TMSConverterMode m_mode = msmMonoToBoth;
    bool m_stereoInput = false;
};
