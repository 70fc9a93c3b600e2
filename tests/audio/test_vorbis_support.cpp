#include "test_vorbis_support.h"

#include "platform/ChildProcess.h"

#include <QFile>
#include <QtEndian>
#include <cmath>
#include <numbers>

namespace vorbistest {

TransferEnd::TransferEnd(TACSOutput& output)
{
    output.OnDone = [this](TACSOutput*) {
        std::lock_guard guard(m_mutex);
        ++m_dones;
        m_changed.notify_all();
    };
    output.OnThreadException = [this](TACSOutput*, const std::exception& error) {
        std::lock_guard guard(m_mutex);
        m_errors.emplace_back(error.what());
        m_changed.notify_all();
    };
    output.OnProgress = [this, &output](TACSOutput*) {
        std::lock_guard guard(m_mutex);
        m_progress.push_back(output.LastProgress());
    };
}

std::string TransferEnd::wait()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_dones > 0 || !m_errors.empty(); });
    return m_errors.empty() ? std::string() : m_errors.front();
}

int TransferEnd::dones() const
{
    std::lock_guard guard(m_mutex);
    return m_dones;
}

std::vector<int> TransferEnd::progress() const
{
    std::lock_guard guard(m_mutex);
    return m_progress;
}

QByteArray sineBytes(std::int64_t frames, int rate, int channels, double frequency, double amplitude)
{
    QByteArray bytes(qsizetype(frames * channels * 2), Qt::Uninitialized);
    char* out = bytes.data();
    for (std::int64_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double value = amplitude * std::sin(2.0 * std::numbers::pi * frequency * (c + 1) * double(i) / rate);
            qToLittleEndian(qint16(std::lround(value * 32767.0)), out);
            out += 2;
        }
    }
    return bytes;
}

QByteArray sineBytes8(std::int64_t frames, int rate, int channels, double frequency)
{
    QByteArray bytes(qsizetype(frames * channels), Qt::Uninitialized);
    for (std::int64_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double value = 0.5 * std::sin(2.0 * std::numbers::pi * frequency * (c + 1) * double(i) / rate);
            bytes[qsizetype(i * channels + c)] = char(128 + std::lround(value * 127.0));
        }
    }
    return bytes;
}

bool writePcmWav(const QString& path, const QByteArray& pcm, int rate, int channels, int bits)
{
    QByteArray header("RIFF");
    auto put32 = [&header](quint32 v) {
        char raw[4];
        qToLittleEndian(v, raw);
        header.append(raw, 4);
    };
    auto put16 = [&header](quint16 v) {
        char raw[2];
        qToLittleEndian(v, raw);
        header.append(raw, 2);
    };
    const int blockAlign = channels * bits / 8;
    put32(quint32(36 + pcm.size()));
    header.append("WAVEfmt ");
    put32(16);
    put16(1);
    put16(quint16(channels));
    put32(quint32(rate));
    put32(quint32(rate * blockAlign));
    put16(quint16(blockAlign));
    put16(quint16(bits));
    header.append("data");
    put32(quint32(pcm.size()));
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(header + pcm) == header.size() + pcm.size();
}

bool writeSineWav(const QString& path, std::int64_t frames, int rate, int channels, double frequency)
{
    return writePcmWav(path, sineBytes(frames, rate, channels, frequency), rate, channels);
}

std::vector<std::int16_t> samplesOf(const QByteArray& bytes)
{
    std::vector<std::int16_t> samples(size_t(bytes.size() / 2));
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = qFromLittleEndian<qint16>(bytes.constData() + 2 * i);
    }
    return samples;
}

Decoded readWav(const QString& path)
{
    Decoded result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
        return result;
    }
    qsizetype at = 12;
    bool haveFormat = false;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const auto length = qsizetype(qFromLittleEndian<quint32>(bytes.constData() + at + 4));
        const qsizetype body = at + 8;
        if (id == "fmt " && body + 16 <= bytes.size()) {
            result.channels = qFromLittleEndian<quint16>(bytes.constData() + body + 2);
            result.rate = int(qFromLittleEndian<quint32>(bytes.constData() + body + 4));
            haveFormat = qFromLittleEndian<quint16>(bytes.constData() + body + 14) == 16;
        } else if (id == "data" && haveFormat) {
            result.samples = samplesOf(bytes.mid(body, std::min(length, bytes.size() - body)));
            result.ok = true;
            return result;
        }
        at = body + length + (length & 1);
    }
    return result;
}

Decoded decodeWithOggdec(const QString& oggPath)
{
    const QString wavPath = oggPath + QStringLiteral(".decoded.wav");
    const ProcessResult run =
        runTool(QStringLiteral("oggdec"), {QStringLiteral("-Q"), QStringLiteral("-o"), wavPath, oggPath});
    if (!run.started || run.exitCode != 0) {
        return {};
    }
    return readWav(wavPath);
}

double toneFrequency(const Decoded& pcm, int channel)
{
    const std::int64_t frames = pcm.frames();
    if (frames < 2 || pcm.rate == 0) {
        return 0;
    }
    std::int64_t crossings = 0;
    std::int64_t first = -1;
    std::int64_t last = -1;
    for (std::int64_t i = 1; i < frames; ++i) {
        const int before = pcm.samples[size_t((i - 1) * pcm.channels + channel)];
        const int now = pcm.samples[size_t(i * pcm.channels + channel)];
        if (before < 0 && now >= 0) {
            if (first < 0) {
                first = i;
            } else {
                ++crossings;
            }
            last = i;
        }
    }
    if (crossings == 0) {
        return 0;
    }
    return double(crossings) * pcm.rate / double(last - first);
}

// Through the program's own child process layer rather than QProcess: Qt starts children
// in a way the thread sanitizer cannot follow, which shows as races in later tests.
ProcessResult runTool(const QString& program, const QStringList& arguments)
{
    ProcessResult result;
    ChildProcess child;
    if (child.start(program, arguments) != 0) {
        return result;
    }
    result.started = true;
    child.closeInput();
    // The tools run here say little on their error stream, so reading the output first
    // cannot leave the child blocked on a full error pipe.
    const QByteArray output = child.readAll(ChildProcess::Stream::Output);
    const QByteArray errors = child.readAll(ChildProcess::Stream::Error);
    child.waitForExit(-1);
    result.output = QString::fromUtf8(output + errors);
    result.exitCode = child.exitCode();
    return result;
}

QString ffprobeStreamValue(const QString& path, const QString& entry)
{
    const ProcessResult run =
        runTool(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-select_streams"),
                 QStringLiteral("a:0"), QStringLiteral("-show_entries"), QStringLiteral("stream=") + entry,
                 QStringLiteral("-of"), QStringLiteral("default=noprint_wrappers=1:nokey=1"), path});
    return run.exitCode == 0 ? run.output.trimmed() : QString();
}

} // namespace vorbistest
