#pragma once

#include "cd/CDDevice.h"

#include <cdio/cdio.h>

// A drive or disc image opened through libcdio.
class CdioDevice : public CDDevice
{
public:
    explicit CdioDevice(CdIo_t* cdio);
    ~CdioDevice() override;
    CdioDevice(const CdioDevice&) = delete;
    CdioDevice& operator=(const CdioDevice&) = delete;

    bool readLayout(DiscLayout& layout) override;
    bool holdsAudioDisc() override;
    bool readAudio(std::int32_t lsn, int frames, std::uint8_t* dest) override;

private:
    bool readOnce(std::int32_t lsn, int frames, std::uint8_t* dest, std::uint8_t marker);

    CdIo_t* m_cdio;
};
