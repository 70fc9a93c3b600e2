#include "encoders/TWMAEncodeProcess.h"

#include "common/Messages.h"
#include "common/ProgramFolder.h"
#include "common/TextFormat.h"
#include "encoders/TWMAEncodeThread.h"
#include "platform/Prompt.h"
#include "settings/TSettings.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <array>

namespace {

// Indexed by the WMA bit-rate setting, in the order the options dialog lists them.
constexpr std::array<const char*, TWMAEncodeProcess::ProfileCount> Profiles = {
    "192_48_2", "160_48_2", "128_48_2", "192_44_2", "160_44_2", "128_44_2", "96_44_2", "80_44_2", "64_44_2",
    "48_44_2",  "32_44_2",  "48_44_1",  "32_44_1",  "48_32_2",  "40_32_2",  "32_32_2", "20_32_1", "32_22_2",
    "22_22_2",  "20_22_2",  "20_22_1",  "16_22_1",  "20_16_2",  "16_16_2",  "16_16_1", "12_16_1", "10_16_1",
    "10_11_1",  "8_11_1",   "12_8_2",   "8_8_1",    "6_8_1",    "5_8_1"};

} // namespace

const QString TWMAEncodeProcess::EncoderName = QStringLiteral("wmaenc");
const QString TWMAEncodeProcess::SupportAddress = QStringLiteral("support@tarnwick.example");

TWMAEncodeProcess::TWMAEncodeProcess(QObject* windowHandle) : TEncodeProcess(windowHandle) {}

QString TWMAEncodeProcess::profile(int index)
{
    if (index < 0 || index >= ProfileCount) {
        return {};
    }
    return QString::fromLatin1(Profiles[static_cast<std::size_t>(index)]);
}

QStringList TWMAEncodeProcess::encoderFolders()
{
    const QString home = tarnwick::programFolder();
    return {home, QDir::cleanPath(home + QStringLiteral("/../lib/tarnwick")),
            QDir::cleanPath(home + QStringLiteral("/../libexec/tarnwick"))};
}

QString TWMAEncodeProcess::findEncoder()
{
    for (const QString& folder : encoderFolders()) {
        const QFileInfo candidate(folder + QLatin1Char('/') + EncoderName);
        if (candidate.isFile()) {
            return candidate.absoluteFilePath();
        }
    }
    return {};
}

EncoderCommand TWMAEncodeProcess::buildCommand(TSettings& settings, const QString& encoderPath, const QString& input,
                                               const QString& output)
{
    EncoderCommand command(encoderPath, encoderPath);
    command.add(QStringLiteral("-input")).addFile(input);
    command.add(QStringLiteral("-output")).addFile(output);
    if (settings.WMABitRate < 0 || settings.WMABitRate >= ProfileCount) {
        settings.WMABitRate = DefaultProfile;
    }
    command.add(QStringLiteral("-a_setting")).add(profile(settings.WMABitRate));
    if (settings.UseID3) {
        // As they stand, unquoted in the text; each is one argument for the encoder.
        if (!settings.Disc.Artist.isEmpty()) {
            command.add(QStringLiteral("-author")).add(settings.Disc.Artist);
        }
        if (!settings.Disc.Comment.isEmpty()) {
            command.add(QStringLiteral("-description")).add(settings.Disc.Comment);
        }
    }
    return command;
}

bool TWMAEncodeProcess::asksBeforeOverwrite() const
{
    return jobMode() != 1;
}

std::optional<EncoderCommand> TWMAEncodeProcess::prepareCommand()
{
    const QString encoder = findEncoder();
    if (encoder.isEmpty()) {
        Prompt::instance().information(QStringLiteral("Can not find WMA encoder,please contact with ") +
                                       SupportAddress + QLatin1Char('!'));
        deliverEnd(0);
        return std::nullopt;
    }
    return buildCommand(settings(), encoder, inputFile(), outputFile());
}

void TWMAEncodeProcess::parseLine(const QString& line)
{
    if (line.contains(QLatin1String("ERROR"))) {
        // End the failed encoder first: the window moves on when it gets the record and
        // may start the next item from inside this call.
        finishRun(0);
        tarnwick::sendProcessInfo(windowHandle(), ProgressCode::WmaFinished, line, QString(), 8);
        return;
    }
    if (line.contains(QLatin1String("100%"))) {
        const int elapsed = static_cast<int>(std::max<std::int64_t>(1, elapsedSeconds()));
        postProgress(100, tarnwick::timeText(elapsed), tarnwick::timeText(elapsed));
    }
}

void TWMAEncodeProcess::deliverEnd(std::int32_t status)
{
    tarnwick::sendProcessInfo(windowHandle(), ProgressCode::WmaFinished,
                              status == StatusFailed ? failureText() : QString(), QString(), status);
}

TEncodeThread* TWMAEncodeProcess::createThread(std::shared_ptr<EncodeSession> session)
{
    return new TWMAEncodeThread(this, std::move(session));
}
