#include "WavFixtures.h"

#include "audio/TWaveIn.h"

#include "platform/ChildProcess.h"

#include <QStandardPaths>
#include <cmath>

namespace fixtures {

std::vector<std::int16_t> testSignal(int frames, int channels)
{
    std::vector<std::int16_t> samples(size_t(frames) * size_t(channels));
    std::uint32_t noise = 12345;
    for (int i = 0; i < frames; ++i) {
        for (int ch = 0; ch < channels; ++ch) {
            noise = noise * 1103515245u + 12345u;
            const double t = double(i) / 44100.0;
            double value = 12000.0 * std::sin(2 * M_PI * (200 + 3000 * t) * t * (ch + 1)) +
                           double(std::int32_t(noise >> 16) % 3000 - 1500);
            if ((i / 2000) % 5 == 4) {
                value = (i / 7) % 2 ? 32767.0 : -32768.0; // square bursts at full scale
            }
            samples[size_t(i) * size_t(channels) + size_t(ch)] = std::int16_t(std::clamp(value, -32768.0, 32767.0));
        }
    }
    return samples;
}

QByteArray samplesToBytes(const std::vector<std::int16_t>& samples)
{
    QByteArray bytes;
    bytes.reserve(qsizetype(samples.size() * 2));
    for (std::int16_t s : samples) {
        bytes += le16(std::uint16_t(s));
    }
    return bytes;
}

QByteArray le16(std::uint32_t value)
{
    QByteArray b(2, '\0');
    b[0] = char(value & 0xff);
    b[1] = char((value >> 8) & 0xff);
    return b;
}

QByteArray le32(std::uint32_t value)
{
    return le16(value & 0xffff) + le16(value >> 16);
}

std::uint16_t u16At(const QByteArray& bytes, int offset)
{
    return std::uint16_t(std::uint8_t(bytes[offset]) | (std::uint8_t(bytes[offset + 1]) << 8));
}

std::uint32_t u32At(const QByteArray& bytes, int offset)
{
    return u16At(bytes, offset) | (std::uint32_t(u16At(bytes, offset + 2)) << 16);
}

QByteArray chunk(const QByteArray& tag, const QByteArray& content)
{
    return tag + le32(std::uint32_t(content.size())) + content;
}

QByteArray pcmWav(const QByteArray& data, int bits, int channels, int rate)
{
    const int blockAlign = bits * channels / 8;
    const QByteArray format =
        le16(1) + le16(channels) + le32(rate) + le32(rate * blockAlign) + le16(blockAlign) + le16(bits);
    const QByteArray body = "WAVE" + chunk("fmt ", format) + chunk("data", data);
    return "RIFF" + le32(std::uint32_t(body.size())) + body;
}

QByteArray readAll(TWaveIn& in, int readSize)
{
    QByteArray all;
    QByteArray buffer(readSize, '\0');
    in.OpenInput();
    for (;;) {
        const int n = in.ReadData(buffer.data(), readSize);
        if (n <= 0) {
            break;
        }
        all.append(buffer.constData(), n);
    }
    in.CloseInput();
    return all;
}

bool haveTool(const QString& program)
{
    return !QStandardPaths::findExecutable(program).isEmpty();
}

bool runTool(const QString& program, const QStringList& arguments, QByteArray* output)
{
    // Through posix_spawn rather than a fork of this (threaded) test process: a fork
    // confuses ThreadSanitizer about the locks the stream tests take afterwards.
    ChildProcess child;
    if (child.start(QStandardPaths::findExecutable(program), arguments) != 0) {
        return false;
    }
    child.closeInput();
    // The tools run here write only errors to stderr (-v error, -D), far less than a pipe
    // holds, so reading stdout to its end first cannot stall them.
    const QByteArray out = child.readAll(ChildProcess::Stream::Output);
    child.readAll(ChildProcess::Stream::Error);
    child.waitForExit(-1);
    if (output) {
        *output = out;
    }
    return child.exitCode() == 0;
}

QByteArray ffmpegDecode(const QString& path, const QString& format)
{
    QByteArray raw;
    const QString codec = format == "u8" ? "pcm_u8" : "pcm_s16le";
    if (!runTool("ffmpeg", {"-v", "error", "-i", path, "-f", format, "-c:a", codec, "-"}, &raw)) {
        return {};
    }
    return raw;
}

} // namespace fixtures
