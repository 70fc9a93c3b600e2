#pragma once

#include "wmaenc/WmaOptions.h"

#include <functional>
#include <string>

// Encodes one WAV (or any audio file libavformat reads) into a WMA version 2 stream in an
// ASF file, converted to the profile's sample rate and channel count.
class WmaEncoder
{
public:
    // The encoder refuses less than this; lower profiles are encoded at this rate.
    static constexpr int MinimumKbps = 24;

    using ProgressFunction = std::function<void(int percent)>;

    explicit WmaEncoder(WmaOptions options);

    // Reports 0..99 while working; the caller reports the end. On failure returns false,
    // leaves no partial output behind and error() says why.
    bool run(const ProgressFunction& progress);
    const std::string& error() const { return m_error; }

    // The bit rate handed to the codec, in bit/s.
    int effectiveBitRate() const;

private:
    WmaOptions m_options;
    std::string m_error;
};
