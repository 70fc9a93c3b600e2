#include "platform/PcmWave.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace PcmWave {

bool isSupported(const PcmFormat& format)
{
    return format.isPlayable() && format.sampleRate >= 1000 && format.sampleRate <= 384000;
}

namespace {

void put32(QByteArray& out, std::uint32_t value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void put16(QByteArray& out, std::uint16_t value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    out.append(bytes, 2);
}

bool fail(QString* error, const QString& text)
{
    if (error) {
        *error = text;
    }
    return false;
}

bool writeAll(QSaveFile& file, const QByteArray& bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            return false;
        }
        done += written;
    }
    return true;
}

// The largest data chunk whose RIFF size still fits in 32 bits.
constexpr std::int64_t maxDataBytes = 0xFFFFFFFFll - 36;

} // namespace

QByteArray header(const PcmFormat& format, std::uint32_t dataBytes)
{
    QByteArray out;
    out.reserve(44);
    out.append("RIFF", 4);
    put32(out, 36 + dataBytes);
    out.append("WAVEfmt ", 8);
    put32(out, 16);
    put16(out, 1);
    put16(out, static_cast<std::uint16_t>(format.channels));
    put32(out, static_cast<std::uint32_t>(format.sampleRate));
    put32(out, static_cast<std::uint32_t>(format.bytesPerSecond()));
    put16(out, static_cast<std::uint16_t>(format.blockAlign()));
    put16(out, static_cast<std::uint16_t>(format.bitsPerSample));
    out.append("data", 4);
    put32(out, dataBytes);
    return out;
}

std::optional<Contents> read(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, file.errorString());
        return std::nullopt;
    }
    char riff[12];
    if (file.read(riff, 12) != 12 || memcmp(riff, "RIFF", 4) != 0 || memcmp(riff + 8, "WAVE", 4) != 0) {
        fail(error, QStringLiteral("not a WAV file"));
        return std::nullopt;
    }
    std::optional<PcmFormat> format;
    while (true) {
        char chunk[8];
        if (file.read(chunk, 8) != 8) {
            fail(error, QStringLiteral("no data chunk"));
            return std::nullopt;
        }
        const std::uint32_t size = qFromLittleEndian<std::uint32_t>(chunk + 4);
        if (memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16) {
                fail(error, QStringLiteral("format chunk too short"));
                return std::nullopt;
            }
            const QByteArray fmt = file.read(16);
            if (fmt.size() != 16) {
                fail(error, QStringLiteral("format chunk too short"));
                return std::nullopt;
            }
            const char* f = fmt.constData();
            const auto tag = qFromLittleEndian<std::uint16_t>(f);
            PcmFormat found;
            found.channels = qFromLittleEndian<std::uint16_t>(f + 2);
            found.sampleRate = static_cast<int>(qFromLittleEndian<std::uint32_t>(f + 4));
            found.bitsPerSample = qFromLittleEndian<std::uint16_t>(f + 14);
            const auto align = qFromLittleEndian<std::uint16_t>(f + 12);
            if (tag != 1 || !isSupported(found) || align != found.blockAlign()) {
                fail(error, QStringLiteral("not 8 or 16-bit PCM in one or two channels"));
                return std::nullopt;
            }
            format = found;
            // Chunks are padded to an even length.
            if (!file.seek(file.pos() + (size - 16) + (size & 1))) {
                fail(error, QStringLiteral("format chunk cut short"));
                return std::nullopt;
            }
        } else if (memcmp(chunk, "data", 4) == 0) {
            if (!format) {
                fail(error, QStringLiteral("data before the format"));
                return std::nullopt;
            }
            Contents contents;
            contents.format = *format;
            const std::int64_t available = std::min<std::int64_t>(size, file.size() - file.pos());
            const std::int64_t whole = available - available % format->blockAlign();
            contents.data = file.read(whole);
            if (contents.data.size() != whole) {
                fail(error, file.errorString());
                return std::nullopt;
            }
            return contents;
        } else if (!file.seek(file.pos() + size + (size & 1)) || file.atEnd()) {
            fail(error, QStringLiteral("no data chunk"));
            return std::nullopt;
        }
    }
}

bool write(const QString& path, const PcmFormat& format, const QByteArray& data, QString* error)
{
    if (!isSupported(format)) {
        return fail(error, QStringLiteral("unsupported sample format"));
    }
    if (data.size() > maxDataBytes) {
        return fail(error, QStringLiteral("the sound is too long for a WAV file"));
    }
    QSaveFile file(path);
    // Unbuffered, so a short write (a full disk, a size limit) is seen here: a buffered
    // flush can take one for the whole and commit a cut file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        return fail(error, file.errorString());
    }
    const QByteArray head = header(format, static_cast<std::uint32_t>(data.size()));
    if (!writeAll(file, head) || !writeAll(file, data) || file.size() != head.size() + data.size()) {
        const QString reason = file.errorString().isEmpty() ? QStringLiteral("the disk is full") : file.errorString();
        file.cancelWriting();
        return fail(error, reason);
    }
    if (!file.commit()) {
        return fail(error, file.errorString());
    }
    return true;
}

} // namespace PcmWave
