#pragma once

#include <QString>
#include <cstdint>

// The recorder's time texts.
namespace RecordTexts {

// A length of d milliseconds: under a minute, d/1000 to three significant digits and
// " Sec" (5250 gives "5.25 Sec", 59999 gives "60 Sec"); otherwise the parts that are not
// zero, "1Hour5 Min3 Sec".
QString duration(std::int64_t milliseconds);

// The recording clock: "hh:mm:ss.t", tenths as one digit.
QString recordClock(std::int64_t milliseconds);

} // namespace RecordTexts
