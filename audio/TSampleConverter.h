#pragma once

#include "audio/TBlockConverter.h"

// 8-bit to 16-bit and 16-bit to 8-bit samples.
class TSampleConverter : public TBlockConverter
{
public:
    explicit TSampleConverter(QObject* owner = nullptr);
    ~TSampleConverter() override;

    std::int32_t SampleBits() override;
    std::int32_t ChannelCount() override;
    std::int32_t SampleRate() override;
    void OpenInput() override;

protected:
    std::int32_t convertChunk(std::int32_t bytes) override;

private:
    bool m_sixteenBitInput = false;
};
