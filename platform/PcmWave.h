#pragma once

#include "platform/WaveAudio.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <optional>

// Reading and writing whole PCM WAV files for the wave audio device.
namespace PcmWave {

// The 44-byte header: RIFF size 36 + data bytes, a 16-byte "fmt " chunk, then "data".
QByteArray header(const PcmFormat& format, std::uint32_t dataBytes);

// 8 or 16-bit samples in one or two channels at a rate a sound device can run.
bool isSupported(const PcmFormat& format);

struct Contents
{
    PcmFormat format;
    QByteArray data; // whole frames only
};

// Reads the format and the sample data. Chunks other than "fmt " and "data" are skipped;
// a data chunk that claims more than the file holds gives what is there. Fails (with a
// reason in *error) for anything that is not 8/16-bit PCM in one or two channels.
std::optional<Contents> read(const QString& path, QString* error = nullptr);

// Writes header and data to a temporary file beside `path` and renames it over `path`, so
// the old file stays byte for byte when anything fails (disk full, no permission).
bool write(const QString& path, const PcmFormat& format, const QByteArray& data, QString* error = nullptr);

} // namespace PcmWave
