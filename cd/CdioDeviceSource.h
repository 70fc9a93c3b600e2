#pragma once

#include "cd/CDDeviceSource.h"

// The drives libcdio finds, then every disc image named in TARNWICK_DISC_IMAGES
// (colon-separated): CUE/BIN, cdrdao TOC or NRG, chosen by the file's extension.
class CdioDeviceSource : public CDDeviceSource
{
public:
    CdioDeviceSource();

    std::vector<CDDeviceInfo> devices() override;
    std::unique_ptr<CDDevice> open(const CDDeviceInfo& info) override;

    // libcdio's own messages go to the logging category "tarnwick.cd" instead of the
    // terminal; called by the constructor, and safe to call again.
    static void routeLibraryMessages();
};
