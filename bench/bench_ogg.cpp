// Encodes one generated 10-minute CD-quality WAV file to Ogg Vorbis through TWaveIn ->
// TVorbisOut at Compression 0.2, and the same file with `oggenc -q 2` in the same run
// (median of several runs each, alternating).
//
//   bench_ogg [ogg] [--minutes N] [--runs N] [--dir FOLDER]
#include "audio/TVorbisOut.h"
#include "audio/TWaveIn.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <numbers>
#include <vector>

namespace {

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

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

// Something closer to music than a bare tone, so the encoder does its usual amount of
// work: a few drifting partials, a beat, and a little noise, different per channel.
bool writeMusicLikeWav(const QString& path, int minutes)
{
    const int rate = 44100;
    const quint32 frames = quint32(minutes) * 60 * rate;
    QByteArray header("RIFF");
    put32(header, 36 + frames * 4);
    header.append("WAVEfmt ");
    put32(header, 16);
    put16(header, 1);
    put16(header, 2);
    put32(header, rate);
    put32(header, rate * 4);
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
        const quint32 count = std::min<quint32>(frames - done, rate);
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

double encodeOurs(const QString& wav, const QString& ogg)
{
    QFile::remove(ogg);
    TWaveIn input;
    input.SetFileName(wav);
    TVorbisOut output;
    output.SetInput(&input);
    output.SetFileName(ogg);
    output.SetCompression(0.2f);
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
        std::fprintf(stderr, "bench ogg: our encoder failed: %s\n", error.c_str());
        std::exit(1);
    }
    return seconds;
}

double encodeReference(const QString& wav, const QString& ogg)
{
    QFile::remove(ogg);
    QElapsedTimer timer;
    timer.start();
    QProcess oggenc;
    oggenc.start(QStringLiteral("oggenc"), {QStringLiteral("-Q"), QStringLiteral("-q"), QStringLiteral("2"),
                                            QStringLiteral("-o"), ogg, wav});
    if (!oggenc.waitForFinished(-1) || oggenc.exitStatus() != QProcess::NormalExit || oggenc.exitCode() != 0) {
        std::fprintf(stderr, "bench ogg: oggenc failed\n");
        std::exit(1);
    }
    return double(timer.nsecsElapsed()) / 1e9;
}

QString oggencVersion()
{
    QProcess oggenc;
    oggenc.start(QStringLiteral("oggenc"), {QStringLiteral("--version")});
    if (!oggenc.waitForFinished(-1)) {
        return QStringLiteral("oggenc (version unknown)");
    }
    return QString::fromUtf8(oggenc.readAllStandardOutput()).trimmed();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    int minutes = 10;
    int runs = 5;
    QString base = QDir::tempPath();
    QStringList args = app.arguments();
    if (args.size() > 1 && !args[1].startsWith(QLatin1String("--"))) {
        args.removeAt(1); // the benchmark's name, from scripts/bench
    }
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--minutes")) {
            minutes = std::max(1, args[i + 1].toInt());
        } else if (args[i] == QLatin1String("--runs")) {
            runs = std::max(1, args[i + 1].toInt());
        } else if (args[i] == QLatin1String("--dir")) {
            base = args[i + 1];
        }
    }

    QTemporaryDir work(QDir(base).filePath(QStringLiteral("tarnwick-bench-XXXXXX")));
    if (!work.isValid()) {
        std::fprintf(stderr, "bench ogg: cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    const QString wav = work.filePath(QStringLiteral("input.wav"));
    if (!writeMusicLikeWav(wav, minutes)) {
        std::fprintf(stderr, "bench ogg: cannot write %s\n", qPrintable(wav));
        return 1;
    }
    const QString ours = work.filePath(QStringLiteral("ours.ogg"));
    const QString reference = work.filePath(QStringLiteral("reference.ogg"));

    std::printf("reference: %s, oggenc -q 2 on the same %d-minute 44.1 kHz stereo WAV; ours: TWaveIn -> "
                "TVorbisOut at Compression 0.2; %d runs each\n",
                qPrintable(oggencVersion()), minutes, runs);
    std::fflush(stdout);
    std::vector<double> ourTimes;
    std::vector<double> referenceTimes;
    for (int run = 0; run < runs; ++run) {
        // Alternating which goes first evens out a machine that is busier at one moment.
        if (run % 2 == 0) {
            referenceTimes.push_back(encodeReference(wav, reference));
            ourTimes.push_back(encodeOurs(wav, ours));
        } else {
            ourTimes.push_back(encodeOurs(wav, ours));
            referenceTimes.push_back(encodeReference(wav, reference));
        }
    }
    std::printf("sizes: ours=%lld bytes reference=%lld bytes\n", static_cast<long long>(QFile(ours).size()),
                static_cast<long long>(QFile(reference).size()));
    const double o = median(ourTimes);
    const double r = median(referenceTimes);
    std::printf("bench ogg: ours=%.3f reference=%.3f ratio=%.2f\n", o, r, o / r);
    return 0;
}
