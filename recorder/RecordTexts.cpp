#include "recorder/RecordTexts.h"

#include "common/TextFormat.h"

#include <algorithm>

namespace RecordTexts {

QString duration(std::int64_t milliseconds)
{
    if (milliseconds < 60000) {
        return QString::number(static_cast<double>(milliseconds) / 1000.0, 'g', 3) + QStringLiteral(" Sec");
    }
    QString text;
    const std::int64_t hours = milliseconds / 3600000;
    const std::int64_t minutes = milliseconds / 60000 % 60;
    const std::int64_t seconds = milliseconds / 1000 % 60;
    if (hours != 0) {
        text += QString::number(hours) + QStringLiteral("Hour");
    }
    if (minutes != 0) {
        text += QString::number(minutes) + QStringLiteral(" Min");
    }
    if (seconds != 0) {
        text += QString::number(seconds) + QStringLiteral(" Sec");
    }
    return text;
}

QString recordClock(std::int64_t milliseconds)
{
    const auto ms = std::max<std::int64_t>(milliseconds, 0);
    const auto hours = static_cast<int>(ms / 3600000);
    const auto minutes = static_cast<int>(ms / 60000 % 60);
    const auto seconds = static_cast<int>(ms / 1000 % 60);
    return tarnwick::twoDigit(hours) + QLatin1Char(':') + tarnwick::twoDigit(minutes) + QLatin1Char(':') +
           tarnwick::twoDigit(seconds) + QLatin1Char('.') + QString::number(ms % 1000 / 100);
}

} // namespace RecordTexts
