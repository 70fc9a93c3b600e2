#pragma once

#include <QString>

namespace tarnwick {

// A number of 9 or less gets a leading "0"; larger numbers are plain decimal
// (7 -> "07", 12 -> "12", 123 -> "123"). Negative numbers also get the "0".
QString twoDigit(int value);

// Whole seconds as two-digit minutes, ":", two-digit seconds (187 -> "03:07").
QString timeText(int seconds);

} // namespace tarnwick
