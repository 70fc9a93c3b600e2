#pragma once

#include "cd/CDDevice.h"

#include <memory>
#include <vector>

// Where the drive library finds its drives: libcdio in the program, a stand-in in tests.
class CDDeviceSource
{
public:
    virtual ~CDDeviceSource() = default;

    // Every drive in list order: physical drives first, then disc images.
    virtual std::vector<CDDeviceInfo> devices() = 0;
    // nullptr when the drive cannot be opened.
    virtual std::unique_ptr<CDDevice> open(const CDDeviceInfo& info) = 0;
};
