#include "BenchSupport.h"

#include "audio/TACSOutput.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <numbers>
#include <string>

namespace bench {

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

[[noreturn]] void fail(const char* benchName, const std::string& why)
{
    std::fprintf(stderr, "bench %s: %s\n", benchName, why.c_str());
    std::exit(1);
}

} // namespace

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

Arguments parseArguments(const QStringList& arguments, Arguments result)
{
    QStringList args = arguments;
    if (args.size() > 1 && !args[1].startsWith(QLatin1String("--"))) {
        result.name = args.takeAt(1);
    }
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        const QString& option = args[i];
        const QString& value = args[i + 1];
        if (option == QLatin1String("--minutes")) {
            result.minutes = std::max(1, value.toInt());
        } else if (option == QLatin1String("--runs")) {
            result.runs = std::max(1, value.toInt());
        } else if (option == QLatin1String("--tracks")) {
            result.tracks = std::max(1, value.toInt());
        } else if (option == QLatin1String("--dir")) {
            result.dir = value;
        } else if (option == QLatin1String("--only")) {
            result.name = value;
        }
    }
    return result;
}

bool writeMusicLikeWav(const QString& path, int minutes, int rate)
{
    const quint32 frames = quint32(minutes) * 60 * quint32(rate);
    QByteArray header("RIFF");
    put32(header, 36 + frames * 4);
    header.append("WAVEfmt ");
    put32(header, 16);
    put16(header, 1);
    put16(header, 2);
    put32(header, quint32(rate));
    put32(header, quint32(rate) * 4);
    put16(header, 4);
    put16(header, 16);
    header.append("data");
    put32(header, frames * 4);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(header) != header.size()) {
        return false;
    }
    std::uint32_t noise = 12345;
    QByteArray block;
    for (quint32 done = 0; done < frames;) {
        const quint32 count = std::min<quint32>(frames - done, quint32(rate));
        block.resize(qsizetype(count) * 4);
        char* out = block.data();
        for (quint32 i = 0; i < count; ++i) {
            const double t = double(done + i) / rate;
            const double base = 110.0 * std::pow(2.0, std::floor(std::fmod(t * 2.0, 12.0)) / 12.0);
            const double beat = std::exp(-8.0 * std::fmod(t, 0.5));
            for (int c = 0; c < 2; ++c) {
                noise = noise * 1664525u + 1013904223u;
                const double n = (double(noise >> 8) / double(1u << 24) - 0.5) * 0.05;
                double v = 0.3 * std::sin(2 * std::numbers::pi * base * (c ? 1.005 : 1.0) * t) +
                           0.15 * std::sin(2 * std::numbers::pi * base * 3.01 * t) +
                           0.1 * std::sin(2 * std::numbers::pi * base * 5.02 * t + c) + 0.2 * beat * n * 20.0 + n;
                v = std::clamp(v, -1.0, 1.0);
                qToLittleEndian(qint16(std::lround(v * 32000.0)), out);
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

double timeTransfer(TACSOutput& output, const char* benchName)
{
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::string error;
    output.OnDone = [&](TACSOutput*) {
        std::lock_guard guard(mutex);
        done = true;
        ended.notify_all();
    };
    output.OnThreadException = [&](TACSOutput*, const std::exception& e) {
        std::lock_guard guard(mutex);
        error = e.what();
        done = true;
        ended.notify_all();
    };
    QElapsedTimer timer;
    timer.start();
    output.Start();
    {
        std::unique_lock lock(mutex);
        ended.wait(lock, [&] { return done; });
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (!error.empty()) {
        fail(benchName, "our transfer failed: " + error);
    }
    return seconds;
}

double timeTool(const QString& program, const QStringList& arguments, const char* benchName)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        fail(benchName, (program + QStringLiteral(" failed")).toStdString());
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

QString toolVersion(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(-1)) {
        return program + QStringLiteral(" (version unknown)");
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed().section(QLatin1Char('\n'), 0, 0);
}

} // namespace bench
