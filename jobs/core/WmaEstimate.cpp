#include "jobs/core/WmaEstimate.h"

#include "common/Rounding.h"

#include <array>

namespace {

constexpr std::array<int, 33> kRatios{7315,  8770,  10949, 7316,  8772,  10954,  14581,  17471,  21790,  28963, 43174,
                                      28963, 43134, 28999, 34720, 43214, 68873,  43134,  62208,  68264,  68264, 84458,
                                      67963, 84150, 84150, 110460, 131113, 133765, 165296, 113717, 167692, 220395, 261485};

} // namespace

int WmaEstimate::ratio(int profile)
{
    return profile >= 0 && profile < static_cast<int>(kRatios.size()) ? kRatios[static_cast<std::size_t>(profile)]
                                                                       : kRatios[8];
}

std::optional<WmaEstimate> WmaEstimate::compute(std::int64_t elapsed, std::int64_t inputSize, std::int64_t currentSize,
                                                int profile)
{
    WmaEstimate result;
    if (inputSize < 2000000) {
        result.estimate = 2;
    } else {
        std::int64_t expected = tarnwick::roundHalfEven(static_cast<double>(inputSize) * 1000.0 / ratio(profile));
        if (currentSize > expected) {
            expected = currentSize;
        }
        if (currentSize == 0) {
            return std::nullopt;
        }
        // A missing output (-1) gives a negative estimate, which the rule below lifts to
        // one second past the elapsed time.
        result.estimate = expected * elapsed / currentSize;
    }
    if (elapsed >= result.estimate) {
        result.estimate = elapsed + 1;
    }
    result.gauge = static_cast<int>(tarnwick::roundHalfEven(static_cast<double>(elapsed) * 100.0 /
                                                            static_cast<double>(result.estimate)));
    return result;
}
