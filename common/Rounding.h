#pragma once

#include <cstdint>

namespace tarnwick {

// The one rounding rule of the program: to the nearest integer, halves to even.
// Every place that "rounds" (sizes in the track list, normalisation, resampling,
// sample conversion) goes through this, so results never differ by a half.
std::int64_t roundHalfEven(double value);

} // namespace tarnwick
