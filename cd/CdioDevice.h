#pragma once

#include "cd/CDDevice.h"

#include <QTemporaryDir>
#include <cdio/cdio.h>
#include <memory>

class ParanoiaReader;

// A drive or disc image opened through libcdio.
class CdioDevice : public CDDevice
{
public:
    // `imageFolder` holds what the image was opened through (see DiscImageFiles); it outlives
    // the handle, which reads its files lazily.
    explicit CdioDevice(CdIo_t* cdio, std::unique_ptr<QTemporaryDir> imageFolder = nullptr);
    ~CdioDevice() override;
    CdioDevice(const CdioDevice&) = delete;
    CdioDevice& operator=(const CdioDevice&) = delete;

    bool readLayout(DiscLayout& layout) override;
    bool holdsAudioDisc() override;
    bool readAudio(std::int32_t lsn, int frames, std::uint8_t* dest) override;
    bool readAudioSecure(std::int32_t lsn, int frames, std::uint8_t* dest, SecureReadStats& stats) override;

private:
    bool readOnce(std::int32_t lsn, int frames, std::uint8_t* dest, std::uint8_t marker);

    std::unique_ptr<QTemporaryDir> m_imageFolder;
    CdIo_t* m_cdio;
    // Made on the first verified read, so plain reading never pays for it; goes before
    // the libcdio handle it works over.
    std::unique_ptr<ParanoiaReader> m_paranoia;
};
