#include "cd/TrackRow.h"

#include "common/Rounding.h"
#include "common/TextFormat.h"

#include <cstdint>

using tarnwick::twoDigit;

TrackRow TrackRow::make(int track, int startMinutes, int startSeconds, int nextMinutes, int nextSeconds)
{
    int m = nextMinutes - startMinutes;
    int s = nextSeconds - startSeconds;
    if (s < 0) {
        s += 60;
        m -= 1;
    }
    // 44100 samples a second, two channels of two bytes; kept in 32 bits as the sizes
    // shown have always been.
    const auto bytes = static_cast<std::int32_t>(static_cast<std::uint32_t>(m * 60 + s) * 176400u);
    const auto v = static_cast<int>(tarnwick::roundHalfEven(bytes / 1048576.0 * 100.0));
    TrackRow row;
    row.number = QString::number(track);
    row.length = twoDigit(m) + QLatin1Char(':') + twoDigit(s);
    row.size = twoDigit(v / 100) + QLatin1Char('.') + twoDigit(v % 100);
    return row;
}

TrackRow TrackRow::fromFrames(int track, int startFrames, int endFrames)
{
    constexpr int PerSecond = 75;
    constexpr int PerMinute = 60 * PerSecond;
    return make(track, startFrames / PerMinute, (startFrames / PerSecond) % 60, endFrames / PerMinute,
                (endFrames / PerSecond) % 60);
}
