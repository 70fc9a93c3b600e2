#include "common/Rounding.h"

#include <cmath>

namespace tarnwick {

std::int64_t roundHalfEven(double value)
{
    // nearbyint follows the current rounding mode, which is round-to-nearest-even
    // unless someone changed it; do it by hand so a changed mode cannot leak in.
    const double floorValue = std::floor(value);
    const double diff = value - floorValue;
    const auto result = static_cast<std::int64_t>(floorValue);
    // Without branches: which way a sample rounds is random, and a mispredicted branch
    // per sample costs the resampler more than its filter does.
    return result + std::int64_t((diff > 0.5) | ((diff == 0.5) & ((result & 1) != 0)));
}

} // namespace tarnwick
