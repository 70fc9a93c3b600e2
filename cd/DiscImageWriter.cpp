#include "cd/DiscImageWriter.h"

#include "common/DiscSessions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr int SampleRate = 44100;

// One period of a sine over a whole second, so tone(f, i) = table[(i * f) mod 44100] for
// any whole frequency f.
const std::vector<std::int16_t>& sineTable()
{
    static const std::vector<std::int16_t> table = [] {
        std::vector<std::int16_t> t(SampleRate);
        for (int i = 0; i < SampleRate; ++i) {
            t[i] = static_cast<std::int16_t>(std::lround(32767.0 * std::sin(2.0 * std::numbers::pi * i / SampleRate)));
        }
        return t;
    }();
    return table;
}

// Loudness of second s of a track, in 1/256: varies from second to second so that audio
// taken from the wrong second of a track differs too.
int loudness(std::int64_t second)
{
    return 48 + static_cast<int>((second * 7919) % 160);
}

QString msfText(std::int64_t frames)
{
    const std::int64_t minutes = frames / (60 * DiscImageWriter::FramesPerSecond);
    const std::int64_t seconds = frames / DiscImageWriter::FramesPerSecond % 60;
    const std::int64_t rest = frames % DiscImageWriter::FramesPerSecond;
    return QStringLiteral("%1:%2:%3")
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(seconds, 2, 10, QLatin1Char('0'))
        .arg(rest, 2, 10, QLatin1Char('0'));
}

// Mode 1 sectors as a drive returns them raw: sync pattern, header with the sector's
// address, then a user data pattern that is plainly not silence (the error correction
// bytes are left zero: no reader of these images checks them).
bool writeDataTrack(QSaveFile& bin, std::int64_t firstSector, std::int64_t frames)
{
    QByteArray raw(DiscImageWriter::FrameBytes, '\0');
    for (int i = 1; i <= 10; ++i) {
        raw[i] = static_cast<char>(0xff);
    }
    auto bcd = [](std::int64_t v) { return static_cast<char>(((v / 10) << 4) | (v % 10)); };
    for (std::int64_t f = 0; f < frames; ++f) {
        const std::int64_t address = firstSector + f + 150;
        raw[12] = bcd(address / (60 * 75));
        raw[13] = bcd(address / 75 % 60);
        raw[14] = bcd(address % 75);
        raw[15] = 1;
        for (int i = 16; i < 16 + 2048; ++i) {
            raw[i] = static_cast<char>((i * 31 + f) & 0xff);
        }
        if (bin.write(raw) != raw.size()) {
            return false;
        }
    }
    return true;
}

// The frames between the sessions: the image driver places tracks by their INDEX 01 in
// the file and takes no PREGAP into account, so the gap has to be there.
bool writeGap(QSaveFile& bin, std::int64_t frames)
{
    const QByteArray empty(DiscImageWriter::FrameBytes * DiscImageWriter::FramesPerSecond, '\0');
    for (std::int64_t f = 0; f < frames; f += DiscImageWriter::FramesPerSecond) {
        const qint64 size = std::min<std::int64_t>(DiscImageWriter::FramesPerSecond, frames - f) * DiscImageWriter::FrameBytes;
        if (bin.write(empty.constData(), size) != size) {
            return false;
        }
    }
    return true;
}

void setError(QString* error, const QString& text)
{
    if (error != nullptr) {
        *error = text;
    }
}

} // namespace

std::int64_t DiscImageWriter::gapBefore(int index) const
{
    if (index <= 0 || index >= static_cast<int>(m_lengths.size())) {
        return 0;
    }
    return m_data[index] && !m_data[index - 1] ? tarnwick::SessionGapFrames : 0;
}

std::int64_t DiscImageWriter::trackStart(int index) const
{
    std::int64_t start = 0;
    const int count = std::min(index, static_cast<int>(m_lengths.size()));
    for (int i = 0; i < count; ++i) {
        start += m_lengths[i] + gapBefore(i + 1);
    }
    return start;
}

std::int64_t DiscImageWriter::totalFrames() const
{
    return trackStart(static_cast<int>(m_lengths.size()));
}

QString DiscImageWriter::binPath(const QString& cuePath) const
{
    if (m_binName.isEmpty()) {
        return binPathFor(cuePath);
    }
    return QFileInfo(cuePath).dir().filePath(m_binName);
}

int DiscImageWriter::toneFrequency(int index)
{
    int frequency = 220 + 37 * index;
    if (frequency % 75 == 0) {
        ++frequency;
    }
    return frequency;
}

QString DiscImageWriter::binPathFor(const QString& cuePath)
{
    const QFileInfo info(cuePath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".bin"));
}

bool DiscImageWriter::write(const QString& cuePath, QString* error) const
{
    if (m_lengths.empty()) {
        setError(error, QStringLiteral("an image needs at least one track"));
        return false;
    }
    if (m_firstTrack < 1 || m_firstTrack + static_cast<int>(m_lengths.size()) - 1 > 99) {
        setError(error, QStringLiteral("track numbers must lie between 1 and 99"));
        return false;
    }
    for (const std::int64_t frames : m_lengths) {
        if (frames < 1) {
            setError(error, QStringLiteral("every track needs at least one frame"));
            return false;
        }
    }
    if (m_binName.contains(QLatin1Char('/')) || m_binName.contains(QLatin1Char('"'))) {
        setError(error, QStringLiteral("the BIN name must be a plain file name"));
        return false;
    }
    const QString bin = binPath(cuePath);
    if (!writeBin(bin, error)) {
        return false;
    }
    QSaveFile cue(cuePath);
    if (!cue.open(QIODevice::WriteOnly) || cue.write(cueText(QFileInfo(bin).fileName()).toUtf8()) < 0 ||
        !cue.commit()) {
        setError(error, QStringLiteral("cannot write %1: %2").arg(cuePath, cue.errorString()));
        return false;
    }
    return true;
}

QString DiscImageWriter::cueText(const QString& binName) const
{
    QString text = QStringLiteral("FILE \"%1\" BINARY\n").arg(binName);
    for (int i = 0; i < static_cast<int>(m_lengths.size()); ++i) {
        text += QStringLiteral("  TRACK %1 %2\n")
                    .arg(m_firstTrack + i, 2, 10, QLatin1Char('0'))
                    .arg(m_data[i] ? QStringLiteral("MODE1/2352") : QStringLiteral("AUDIO"));
        if (gapBefore(i) > 0) {
            text += QStringLiteral("    INDEX 00 %1\n").arg(msfText(trackStart(i) - gapBefore(i)));
        }
        text += QStringLiteral("    INDEX 01 %1\n").arg(msfText(trackStart(i)));
    }
    return text;
}

bool DiscImageWriter::writeBin(const QString& binPath, QString* error) const
{
    QSaveFile bin(binPath);
    if (!bin.open(QIODevice::WriteOnly)) {
        setError(error, QStringLiteral("cannot create %1: %2").arg(binPath, bin.errorString()));
        return false;
    }
    const std::vector<std::int16_t>& sine = sineTable();
    std::vector<std::int16_t> second(2 * SampleRate);
    std::int64_t sector = 0;
    for (int track = 0; track < static_cast<int>(m_lengths.size()); ++track) {
        if (!writeGap(bin, gapBefore(track))) {
            setError(error, QStringLiteral("cannot write %1: %2").arg(binPath, bin.errorString()));
            return false;
        }
        sector += gapBefore(track);
        if (m_data[track]) {
            if (!writeDataTrack(bin, sector, m_lengths[track])) {
                setError(error, QStringLiteral("cannot write %1: %2").arg(binPath, bin.errorString()));
                return false;
            }
            sector += m_lengths[track];
            continue;
        }
        sector += m_lengths[track];
        const std::int64_t frequency = toneFrequency(track);
        const std::int64_t samples = m_lengths[track] * (FrameBytes / 4);
        for (std::int64_t begin = 0; begin < samples; begin += SampleRate) {
            const std::int64_t count = std::min<std::int64_t>(SampleRate, samples - begin);
            const int gain = loudness(begin / SampleRate);
            for (std::int64_t i = 0; i < count; ++i) {
                const std::int64_t phase = (begin + i) * frequency % SampleRate;
                // The right channel is a quieter cosine, so swapped channels show.
                const std::int64_t right = (phase + SampleRate / 4) % SampleRate;
                const std::int16_t left = static_cast<std::int16_t>(sine[phase] * gain / 256);
                const std::int16_t rightSample = static_cast<std::int16_t>(sine[right] * gain / 512);
                // Little-endian whatever the host: build the bytes explicitly.
                auto* bytes = reinterpret_cast<unsigned char*>(&second[2 * i]);
                bytes[0] = static_cast<unsigned char>(left & 0xff);
                bytes[1] = static_cast<unsigned char>((left >> 8) & 0xff);
                bytes[2] = static_cast<unsigned char>(rightSample & 0xff);
                bytes[3] = static_cast<unsigned char>((rightSample >> 8) & 0xff);
            }
            const qint64 size = count * 4;
            if (bin.write(reinterpret_cast<const char*>(second.data()), size) != size) {
                setError(error, QStringLiteral("cannot write %1: %2").arg(binPath, bin.errorString()));
                return false;
            }
        }
    }
    if (!bin.commit()) {
        setError(error, QStringLiteral("cannot write %1: %2").arg(binPath, bin.errorString()));
        return false;
    }
    return true;
}

std::int64_t DiscImageWriter::parseLength(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    if (parts.size() != 1 && parts.size() != 3) {
        return 0;
    }
    std::int64_t values[3] = {0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        bool ok = false;
        values[i] = parts[i].toLongLong(&ok);
        if (!ok || values[i] < 0 || values[i] > 1000000) {
            return 0;
        }
    }
    if (parts.size() == 1) {
        return values[0] * FramesPerSecond;
    }
    if (values[1] >= 60 || values[2] >= FramesPerSecond) {
        return 0;
    }
    return (values[0] * 60 + values[1]) * FramesPerSecond + values[2];
}

bool DiscImageWriter::parseArguments(const QStringList& args, DiscImageWriter& writer, QString& cuePath, QString& error)
{
    int first = 1;
    int tracks = -1;
    QStringList lengths;
    QString dataFirst;
    QString dataLast;
    QString binName;
    cuePath.clear();
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (arg == QLatin1String("--first") && hasValue) {
            first = args[++i].toInt(&ok);
        } else if (arg == QLatin1String("--tracks") && hasValue) {
            tracks = args[++i].toInt(&ok);
            ok = ok && tracks >= 1;
        } else if (arg == QLatin1String("--seconds") && hasValue) {
            lengths = args[++i].split(QLatin1Char(','), Qt::SkipEmptyParts);
        } else if (arg == QLatin1String("--data-first") && hasValue) {
            dataFirst = args[++i];
        } else if (arg == QLatin1String("--data-last") && hasValue) {
            dataLast = args[++i];
        } else if (arg == QLatin1String("--bin") && hasValue) {
            binName = args[++i];
        } else if (!arg.startsWith(QLatin1String("--")) && cuePath.isEmpty()) {
            cuePath = arg;
        } else {
            error = QStringLiteral("unexpected argument %1").arg(arg);
            return false;
        }
        if (!ok) {
            error = QStringLiteral("%1 needs a positive number").arg(arg);
            return false;
        }
    }
    if (cuePath.isEmpty()) {
        error = QStringLiteral("no output file given");
        return false;
    }
    if (lengths.isEmpty()) {
        lengths << QStringLiteral("30");
    }
    if (tracks < 0) {
        tracks = static_cast<int>(lengths.size());
    }
    writer = DiscImageWriter();
    writer.setFirstTrack(first);
    writer.setBinName(binName);
    auto addData = [&](const QString& text) {
        const std::int64_t frames = parseLength(text);
        if (frames < 1) {
            error = QStringLiteral("%1 is not a length (whole seconds or m:s:f, at least one frame)").arg(text);
            return false;
        }
        writer.addDataTrack(frames);
        return true;
    };
    if (!dataFirst.isEmpty() && !addData(dataFirst)) {
        return false;
    }
    for (int i = 0; i < tracks; ++i) {
        const QString& text = lengths[std::min<qsizetype>(i, lengths.size() - 1)];
        const std::int64_t frames = parseLength(text);
        if (frames < 1) {
            error = QStringLiteral("%1 is not a length (whole seconds or m:s:f, at least one frame)").arg(text);
            return false;
        }
        writer.addTrack(frames);
    }
    return dataLast.isEmpty() || addData(dataLast);
}
