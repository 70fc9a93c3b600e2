#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class TWaveIn;

namespace fixtures {

// Interleaved 16-bit frames: a sweep with noise and full-scale bursts, so ADPCM meets
// both small and large steps and the clamps.
std::vector<std::int16_t> testSignal(int frames, int channels);
QByteArray samplesToBytes(const std::vector<std::int16_t>& samples);

// A 44-byte-header PCM WAV file of the given bytes.
QByteArray pcmWav(const QByteArray& data, int bits, int channels, int rate);

// Little-endian helpers for building and inspecting headers.
QByteArray le16(std::uint32_t value);
QByteArray le32(std::uint32_t value);
std::uint32_t u32At(const QByteArray& bytes, int offset);
std::uint16_t u16At(const QByteArray& bytes, int offset);
QByteArray chunk(const QByteArray& tag, const QByteArray& content);

// Everything the source delivers from OpenInput to its end.
QByteArray readAll(TWaveIn& in, int readSize = 5000);

bool haveTool(const QString& program);
// Runs a tool to its end; true when it exits with 0.
bool runTool(const QString& program, const QStringList& arguments, QByteArray* output = nullptr);
// What ffmpeg decodes from a file, as raw samples of `format` (s16le or u8).
QByteArray ffmpegDecode(const QString& path, const QString& format);

} // namespace fixtures
