#include "settings/TSettings.h"

#include <QStringList>
#include <utility>

namespace {

// Every format a job can write, by its stored value.
constexpr std::pair<OutputFormatKind, const char*> KnownOutputFormats[] = {
    {ofMP3, "MP3"}, {ofWAV, "WAV"}, {ofOGG, "OGG"}, {ofWMA, "WMA"}, {ofFLAC, "FLAC"}};

} // namespace

bool isKnownOutputFormat(std::int32_t format)
{
    for (const auto& [kind, name] : KnownOutputFormats) {
        if (kind == format) {
            return true;
        }
    }
    return false;
}

QString knownOutputFormatsText()
{
    QStringList parts;
    for (const auto& [kind, name] : KnownOutputFormats) {
        parts << QString::number(kind) + QLatin1Char(' ') + QLatin1String(name);
    }
    return parts.join(QStringLiteral(", "));
}

QString unknownOutputFormatText(std::int32_t format)
{
    return QStringLiteral("The output format %1 in options.ini is not one this version knows (%2). "
                          "Please choose the output format on the Options dialog.")
        .arg(format)
        .arg(knownOutputFormatsText());
}

int TSettings::portNumber() const
{
    bool ok = false;
    const int port = Port.trimmed().toInt(&ok);
    return ok ? port : 80;
}

TSettings& settings()
{
    static TSettings record;
    return record;
}
