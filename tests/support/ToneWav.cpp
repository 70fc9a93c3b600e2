#include "support/ToneWav.h"

#include <QFile>
#include <QtEndian>
#include <cmath>
#include <numbers>

namespace {

void put16(QByteArray& bytes, quint16 value)
{
    char raw[2];
    qToLittleEndian(value, raw);
    bytes.append(raw, 2);
}

void put32(QByteArray& bytes, quint32 value)
{
    char raw[4];
    qToLittleEndian(value, raw);
    bytes.append(raw, 4);
}

} // namespace

bool writeToneWav(const QString& path, double seconds, int sampleRate, int channels, double frequency)
{
    const auto frames = static_cast<quint32>(std::llround(seconds * sampleRate));
    const quint32 dataSize = frames * static_cast<quint32>(channels) * 2;
    QByteArray header;
    header.append("RIFF");
    put32(header, 36 + dataSize);
    header.append("WAVEfmt ");
    put32(header, 16);
    put16(header, 1);
    put16(header, static_cast<quint16>(channels));
    put32(header, static_cast<quint32>(sampleRate));
    put32(header, static_cast<quint32>(sampleRate * channels * 2));
    put16(header, static_cast<quint16>(channels * 2));
    put16(header, 16);
    header.append("data");
    put32(header, dataSize);

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(header) != header.size()) {
        return false;
    }
    // Written a second at a time so a long file never sits in memory whole.
    QByteArray block;
    for (quint32 done = 0; done < frames;) {
        const quint32 count = std::min<quint32>(frames - done, static_cast<quint32>(sampleRate));
        block.resize(static_cast<qsizetype>(count) * channels * 2);
        char* out = block.data();
        for (quint32 i = 0; i < count; ++i) {
            const double t = static_cast<double>(done + i) / sampleRate;
            for (int c = 0; c < channels; ++c) {
                const double value = 0.5 * std::sin(2.0 * std::numbers::pi * frequency * (c + 1) * t);
                qToLittleEndian(static_cast<qint16>(std::lround(value * 32767.0)), out);
                out += 2;
            }
        }
        if (file.write(block) != block.size()) {
            return false;
        }
        done += count;
    }
    return true;
}
