#pragma once

#include <cstdint>

namespace tarnwick {

// The one rounding rule of the program: to the nearest integer, halves to even.
// Every place that "rounds" (sizes in the track list, normalisation, resampling,
// sample conversion) goes through this, so results never differ by a half.
//
// Inline and without floor(): the resampler rounds every sample twice, and a call into
// the maths library per sample cost more than its filter. Truncation toward zero ignores
// the processor's rounding mode, so a changed mode cannot leak in either. Exact for every
// value whose integer part fits 64 bits.
inline std::int64_t roundHalfEven(double value)
{
    const auto truncated = static_cast<std::int64_t>(value);
    const std::int64_t floorValue = truncated - std::int64_t(static_cast<double>(truncated) > value);
    const double diff = value - static_cast<double>(floorValue);
    // Without branches: which way a sample rounds is random, and a mispredicted branch
    // per sample costs the resampler more than its filter does.
    return floorValue + std::int64_t((diff > 0.5) | ((diff == 0.5) & ((floorValue & 1) != 0)));
}

} // namespace tarnwick
