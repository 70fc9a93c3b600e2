#include "cd/RipLog.h"

#include "platform/Files.h"

#include <QSaveFile>
#include <QStringList>

namespace {

using tarnwick::accuraterip::TrackVerdict;

QString hex(std::uint32_t value)
{
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

QString signedSamples(int samples)
{
    return (samples > 0 ? QStringLiteral("+") : QString()) + QString::number(samples);
}

QString safeName(const QString& text)
{
    QString name = text.simplified();
    for (QChar& c : name) {
        if (c.unicode() < 0x20 || QStringLiteral("\\/:*?\"<>|").contains(c)) {
            c = QLatin1Char('_');
        }
    }
    return name;
}

} // namespace

namespace RipLog {

QString summary(const RipLogInfo& info)
{
    if (info.tracks.empty()) {
        return QStringLiteral("No tracks were ripped");
    }
    QStringList failed;
    QStringList notAccurate;
    QStringList notFound;
    QStringList unchecked;
    for (const RipLogTrack& track : info.tracks) {
        const QString number = QString::number(track.number);
        if (track.file.isEmpty() || !track.problem.isEmpty()) {
            failed << number;
        } else if (!track.verdict || track.verdict->status == TrackVerdict::Status::Unchecked) {
            unchecked << number;
        } else if (track.verdict->status == TrackVerdict::Status::NotInDatabase) {
            notFound << number;
        } else if (track.verdict->status == TrackVerdict::Status::NotAccurate) {
            notAccurate << number;
        }
    }
    const auto list = [](const QString& what, const QStringList& numbers) {
        return what + (numbers.size() == 1 ? QStringLiteral(": track ") : QStringLiteral(": tracks ")) +
               numbers.join(QStringLiteral(", "));
    };
    QStringList parts;
    if (!failed.isEmpty()) {
        parts << list(QStringLiteral("not ripped whole"), failed);
    }
    if (!info.accurateRip) {
        return parts.isEmpty() ? QStringLiteral("All tracks ripped whole (AccurateRip verification off)")
                               : QStringLiteral("Not all tracks ripped; ") + parts.join(QStringLiteral("; "));
    }
    if (!notAccurate.isEmpty()) {
        parts << list(QStringLiteral("not accurate"), notAccurate);
    }
    if (!notFound.isEmpty()) {
        parts << list(QStringLiteral("not in database"), notFound);
    }
    if (!unchecked.isEmpty()) {
        parts << list(QStringLiteral("not checked"), unchecked);
    }
    return parts.isEmpty() ? QStringLiteral("All tracks accurately ripped")
                           : QStringLiteral("Not all tracks accurately ripped; ") + parts.join(QStringLiteral("; "));
}

QString text(const RipLogInfo& info)
{
    QString out;
    const auto line = [&out](const QString& text) { out += text + QLatin1Char('\n'); };
    line(info.program + QStringLiteral(" rip log"));
    if (!info.version.isEmpty()) {
        line(info.version);
    }
    if (info.when.isValid()) {
        line(QStringLiteral("Date: ") + info.when.toString(Qt::ISODate));
    }
    line(QString());
    line(QStringLiteral("Drive: ") + (info.drive.isEmpty() ? QStringLiteral("unknown") : info.drive));
    line(QStringLiteral("Read mode: ") +
         (info.secure ? QStringLiteral("secure (paranoia, re-read until sure)") : QStringLiteral("normal")));
    line(QStringLiteral("Read offset: %1 samples").arg(signedSamples(info.readOffset)));
    line(QStringLiteral("AccurateRip: ") + (info.accurateRip ? QStringLiteral("on") : QStringLiteral("off")));
    if (info.normalized) {
        line(QStringLiteral("Normalized: yes; the CRC32 and checksums are of the audio as read, before normalizing"));
    }
    if (info.accurateRip && !info.database.isEmpty()) {
        line(QStringLiteral("Database: ") + info.database);
    }
    for (const RipLogTrack& track : info.tracks) {
        line(QString());
        line(QStringLiteral("Track %1").arg(track.number, 2, 10, QLatin1Char('0')));
        line(QStringLiteral("  File: ") + (track.file.isEmpty() ? QStringLiteral("none") : track.file));
        if (!track.problem.isEmpty()) {
            line(QStringLiteral("  Problem: ") + track.problem);
        }
        if (track.crc) {
            line(QStringLiteral("  CRC32: ") + hex(*track.crc));
        }
        if (track.checksums) {
            line(
                QStringLiteral("  AccurateRip v1: %1  v2: %2").arg(hex(track.checksums->v1), hex(track.checksums->v2)));
        }
        if (track.verdict) {
            line(QStringLiteral("  AccurateRip: ") + track.verdict->text());
        }
        if (track.repairs) {
            line(QStringLiteral("  Read corrections: %1").arg(*track.repairs));
        }
        if (track.readErrors > 0 || track.unverified > 0) {
            line(QStringLiteral("  Read errors: %1, stretches not verified: %2")
                     .arg(track.readErrors)
                     .arg(track.unverified));
        }
    }
    line(QString());
    line(summary(info));
    return out;
}

QString fileName(const QString& album, const QString& discKey)
{
    for (const QString& candidate : {safeName(album), safeName(discKey)}) {
        const QString name = candidate + QStringLiteral(".log");
        if (!candidate.isEmpty() && Files::isValidFileName(name)) {
            return name;
        }
    }
    return QStringLiteral("rip.log");
}

bool write(const QString& path, const RipLogInfo& info, QString* error)
{
    const QByteArray bytes = text(info).toUtf8();
    QSaveFile file(path);
    // Unbuffered, so a short write (a full disk, a size limit) is seen here: a buffered
    // flush can take one for the whole and commit a cut file.
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (qsizetype done = 0; written && done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        written = n > 0;
        done += written ? n : 0;
    }
    if (!written || file.size() != bytes.size() || !file.commit()) {
        if (error != nullptr) {
            *error = file.error() == QFileDevice::NoError || file.errorString().isEmpty()
                         ? QStringLiteral("the disk is full")
                         : file.errorString();
        }
        file.cancelWriting();
        return false;
    }
    return true;
}

} // namespace RipLog
