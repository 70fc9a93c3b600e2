#include "common/Rounding.h"

#include <cmath>

namespace tarnwick {

std::int64_t roundHalfEven(double value)
{
    // nearbyint follows the current rounding mode, which is round-to-nearest-even
    // unless someone changed it; do it by hand so a changed mode cannot leak in.
    const double floorValue = std::floor(value);
    const double diff = value - floorValue;
    auto result = static_cast<std::int64_t>(floorValue);
    if (diff > 0.5) {
        ++result;
    } else if (diff == 0.5) {
        if (result % 2 != 0) {
            ++result;
        }
    }
    return result;
}

} // namespace tarnwick
