#include "common/TextFormat.h"

namespace tarnwick {

QString twoDigit(int value)
{
    if (value <= 9) {
        return QStringLiteral("0") + QString::number(value);
    }
    return QString::number(value);
}

QString timeText(int seconds)
{
    return twoDigit(seconds / 60) + QLatin1Char(':') + twoDigit(seconds % 60);
}

} // namespace tarnwick
