#include "encoders/TMp3EncodeProcess.h"

#include "common/Messages.h"
#include "common/ProgramFolder.h"
#include "common/Rounding.h"
#include "common/TextFormat.h"
#include "encoders/TMp3EncodeThread.h"
#include "settings/TSettings.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString EncoderName = QStringLiteral("lame");

// A decimal number with blanks around it allowed ("( 9" leaves " 9"); `fallback` otherwise.
int decimal(const QString& text, int fallback)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : fallback;
}

// The percentage field of an encode line at `column`: "( 9", " 18" or "100".
int encodePercent(const QString& line, int column)
{
    QString field = line.mid(column - 1, 3).trimmed();
    if (field.startsWith(QLatin1Char('('))) {
        field.remove(0, 1);
    }
    return decimal(field, 0);
}

} // namespace

TMp3EncodeProcess::TMp3EncodeProcess(QObject* windowHandle) : TEncodeProcess(windowHandle) {}

EncoderCommand TMp3EncodeProcess::buildCommand(const TSettings& settings, bool encode, const QString& input,
                                               const QString& output, const QString& program)
{
    EncoderCommand command(EncoderName, program);
    if (!encode) {
        command.add(QStringLiteral("--decode")).addFile(input).addFile(output);
        return command;
    }
    command.add(QStringLiteral("-b")).add(QString::number(settings.BitRate));
    static const char* const stereoModes[] = {"s", "j", "f", "d", "m"};
    if (settings.StereoMode >= 0 && settings.StereoMode <= 4) {
        command.add(QStringLiteral("-m")).add(QLatin1String(stereoModes[settings.StereoMode]));
    }
    if (settings.MpegQuality == 1) {
        command.add(QStringLiteral("-f"));
    } else if (settings.MpegQuality == 2) {
        command.add(QStringLiteral("-h"));
    }
    if (settings.IsSelectVBR) {
        command.add(QStringLiteral("-V")).add(QString::number(settings.VBRQuality));
        command.add(QStringLiteral("-B")).add(QString::number(settings.MaxBitRate));
        if (settings.IsVBRHead) {
            command.add(QStringLiteral("-t"));
        }
    }
    command.addFile(input).addFile(output);
    return command;
}

QString TMp3EncodeProcess::findEncoder()
{
    const QFileInfo own(tarnwick::programFolder() + QLatin1Char('/') + EncoderName);
    if (own.isFile() && own.isExecutable()) {
        return own.absoluteFilePath();
    }
    const QString onPath = QStandardPaths::findExecutable(EncoderName);
    return onPath.isEmpty() ? EncoderName : onPath;
}

std::optional<TMp3EncodeProcess::ProgressLine> TMp3EncodeProcess::parseEncodeLine(const QString& line,
                                                                                  int& progressColumn)
{
    if (!line.contains(QLatin1Char('%'))) {
        return std::nullopt;
    }
    const QString elapsed = line.mid(20, 8).trimmed();
    if (progressColumn == 0) {
        // Only a line that reads as a progress line there (a number, a time) fixes the
        // column: the encoder also echoes the file names, and a name may hold a "%".
        const int candidate = static_cast<int>(line.indexOf(QLatin1Char('%'))) + 1 - 3;
        QString field = candidate >= 1 ? line.mid(candidate - 1, 3).trimmed() : QString();
        if (field.startsWith(QLatin1Char('('))) {
            field.remove(0, 1);
        }
        if (candidate < 1 || decimal(field, -1) < 0 || !elapsed.contains(QLatin1Char(':'))) {
            return std::nullopt;
        }
        progressColumn = candidate;
    }
    ProgressLine result;
    result.progress = encodePercent(line, progressColumn);
    if (result.progress < 1 || result.progress > 100) {
        return std::nullopt;
    }
    result.elapsed = elapsed;
    result.estimated = line.mid(29, 8).trimmed();
    return result;
}

std::optional<TMp3EncodeProcess::ProgressLine>
TMp3EncodeProcess::parseDecodeLine(const QString& line, int& progressColumn, std::int64_t elapsedSeconds)
{
    if (progressColumn == 0) {
        const qsizetype mark = line.indexOf(QLatin1Char('#'));
        if (mark < 0) {
            return std::nullopt;
        }
        // As for encoding: a "#" in an echoed file name must not fix the column.
        const int candidate = static_cast<int>(mark) + 1 + 1;
        if (decimal(line.mid(candidate - 1, 6), -1) == -1 || decimal(line.mid(candidate + 6, 6), -1) == -1) {
            return std::nullopt;
        }
        progressColumn = candidate;
    }
    const int frame = decimal(line.mid(progressColumn - 1, 6), -1);
    const int frames = decimal(line.mid(progressColumn + 6, 6), -1);
    // A total of 0 frames carries no progress (and must not divide).
    if (frame == -1 || frames <= 0) {
        return std::nullopt;
    }
    ProgressLine result;
    result.progress = static_cast<std::int32_t>(static_cast<std::int64_t>(frame) * 100 / frames);
    if (result.progress < 1 || result.progress > 100) {
        return std::nullopt;
    }
    result.elapsed = tarnwick::timeText(static_cast<int>(elapsedSeconds));
    result.estimated = tarnwick::timeText(
        static_cast<int>(tarnwick::roundHalfEven(static_cast<double>(elapsedSeconds) * 100.0 / result.progress)));
    return result;
}

bool TMp3EncodeProcess::asksBeforeOverwrite() const
{
    return jobMode() != 1 && jobMode() != 4;
}

std::optional<EncoderCommand> TMp3EncodeProcess::prepareCommand()
{
    return buildCommand(settings(), encodeFlag(), inputFile(), outputFile(), findEncoder());
}

void TMp3EncodeProcess::parseLine(const QString& line)
{
    int column = progressColumn();
    const std::optional<ProgressLine> parsed =
        encodeFlag() ? parseEncodeLine(line, column) : parseDecodeLine(line, column, elapsedSeconds());
    setProgressColumn(column);
    if (parsed) {
        postProgress(parsed->progress, parsed->elapsed, parsed->estimated);
    }
}

void TMp3EncodeProcess::deliverEnd(std::int32_t status)
{
    tarnwick::postProcessInfo(windowHandle(), ProgressCode::Mp3Finished,
                              status == StatusFailed ? failureText() : QString(), QString(), status);
}

TEncodeThread* TMp3EncodeProcess::createThread(std::shared_ptr<EncodeSession> session)
{
    return new TMp3EncodeThread(this, std::move(session));
}
