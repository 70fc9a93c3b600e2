// Resamples one generated 10-minute stereo WAV file through TWaveIn -> TRateConverter ->
// TWaveOut (Blackman window, 30 taps, as the conversion jobs use it), and the same file
// with sox's rate effect in the same run (median of several runs each, alternating).
// resample-down: 44100 -> 22050 Hz; resample-up: 22050 -> 44100 Hz.
//
//   bench_resample resample-down|resample-up [--minutes N] [--runs N] [--dir FOLDER]
#include "audio/TRateConverter.h"
#include "audio/TWaveIn.h"
#include "audio/TWaveOut.h"
#include "BenchSupport.h"

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

double resampleOurs(const QString& in, const QString& out, int rate)
{
    QFile::remove(out);
    TWaveIn input;
    input.SetFileName(in);
    TRateConverter converter;
    converter.SetInput(&input);
    converter.SetOutSampleRate(rate);
    converter.SetFilterWindow(fwBlackman);
    converter.SetKernelWidth(30);
    TWaveOut output;
    output.SetInput(&converter);
    output.SetFileName(out);
    return bench::timeTransfer(output, "resample");
}

double resampleReference(const QString& in, const QString& out, int rate)
{
    QFile::remove(out);
    // -D: no dither, as ours adds none.
    return bench::timeTool(QStringLiteral("sox"),
                           {QStringLiteral("-D"), in, out, QStringLiteral("rate"), QString::number(rate)}, "resample");
}

QString soxVersion()
{
    return bench::toolVersion(QStringLiteral("sox"), {QStringLiteral("--version")});
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bench::Arguments defaults;
    defaults.name = QStringLiteral("resample-down");
    defaults.dir = QDir::tempPath();
    const bench::Arguments arguments = bench::parseArguments(app.arguments(), defaults);
    const int minutes = arguments.minutes;
    const int runs = arguments.runs;
    const QString base = arguments.dir;
    const QString name = arguments.name;
    const bool down = name != QLatin1String("resample-up");
    const int from = down ? 44100 : 22050;
    const int to = down ? 22050 : 44100;

    QTemporaryDir work(QDir(base).filePath(QStringLiteral("tarnwick-bench-XXXXXX")));
    if (!work.isValid()) {
        std::fprintf(stderr, "bench resample: cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    const QString wav = work.filePath(QStringLiteral("input.wav"));
    if (!bench::writeMusicLikeWav(wav, minutes, from)) {
        std::fprintf(stderr, "bench resample: cannot write %s\n", qPrintable(wav));
        return 1;
    }
    const QString ours = work.filePath(QStringLiteral("ours.wav"));
    const QString reference = work.filePath(QStringLiteral("reference.wav"));

    std::printf("reference: %s, sox -D in.wav out.wav rate %d on the same %d-minute %d Hz stereo WAV; ours: "
                "TWaveIn -> TRateConverter (Blackman, 30 taps) -> TWaveOut; %d runs each\n",
                qPrintable(soxVersion()), to, minutes, from, runs);
    std::fflush(stdout);
    std::vector<double> ourTimes;
    std::vector<double> referenceTimes;
    for (int run = 0; run < runs; ++run) {
        referenceTimes.push_back(resampleReference(wav, reference, to));
        ourTimes.push_back(resampleOurs(wav, ours, to));
    }
    std::printf("sizes: ours=%lld bytes reference=%lld bytes\n", static_cast<long long>(QFile(ours).size()),
                static_cast<long long>(QFile(reference).size()));
    const double o = bench::median(ourTimes);
    const double r = bench::median(referenceTimes);
    std::printf("bench %s: ours=%.3f reference=%.3f ratio=%.2f\n", qPrintable(name), o, r, o / r);
    return 0;
}
