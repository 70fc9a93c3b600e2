// Encodes one generated 10-minute CD-quality WAV file to FLAC through TWaveIn -> TFLACOut
// at level 5 (verify on, as the program always encodes), and the same file with
// `flac -5` in the same run (median of several runs each, alternating). `flac -5 -V`, the
// tool with the same verification, is timed too and reported above the result line.
// Every output is decoded again and compared with the input before a time counts.
//
//   bench_flac [flac] [--minutes N] [--runs N] [--dir FOLDER]
#include "BenchSupport.h"
#include "audio/TFLACOut.h"
#include "audio/TWaveIn.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

double encodeOurs(const QString& wav, const QString& flac)
{
    QFile::remove(flac);
    TWaveIn input;
    input.SetFileName(wav);
    TFLACOut output;
    output.SetInput(&input);
    output.SetFileName(flac);
    output.SetCompressionLevel(5);
    return bench::timeTransfer(output, "flac");
}

double encodeReference(const QString& wav, const QString& flac, bool verify)
{
    QFile::remove(flac);
    QStringList arguments{QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("-5")};
    if (verify) {
        arguments << QStringLiteral("-V");
    }
    arguments << QStringLiteral("-o") << flac << wav;
    return bench::timeTool(QStringLiteral("flac"), arguments, "flac");
}

// The raw samples `flac -d` gives back; a run whose file does not give back the input
// has no time worth reporting.
QByteArray decoded(const QString& flac)
{
    QProcess tool;
    tool.start(QStringLiteral("flac"),
               {QStringLiteral("-s"), QStringLiteral("-d"), QStringLiteral("-c"), QStringLiteral("--force-raw-format"),
                QStringLiteral("--endian=little"), QStringLiteral("--sign=signed"), flac});
    tool.waitForFinished(-1);
    return tool.readAllStandardOutput();
}

void checkLossless(const QString& wav, const QString& flac)
{
    QFile input(wav);
    if (!input.open(QIODevice::ReadOnly) || decoded(flac) != input.readAll().mid(44)) {
        std::fprintf(stderr, "bench flac: %s does not give back the samples of %s\n", qPrintable(flac),
                     qPrintable(wav));
        std::exit(1);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bench::Arguments defaults;
    defaults.dir = QDir::tempPath();
    const bench::Arguments arguments = bench::parseArguments(app.arguments(), defaults);
    const int minutes = arguments.minutes;
    const int runs = arguments.runs;

    QTemporaryDir work(QDir(arguments.dir).filePath(QStringLiteral("tarnwick-bench-XXXXXX")));
    if (!work.isValid()) {
        std::fprintf(stderr, "bench flac: cannot make a folder in %s\n", qPrintable(arguments.dir));
        return 1;
    }
    const QString wav = work.filePath(QStringLiteral("input.wav"));
    if (!bench::writeMusicLikeWav(wav, minutes)) {
        std::fprintf(stderr, "bench flac: cannot write %s\n", qPrintable(wav));
        return 1;
    }
    const QString ours = work.filePath(QStringLiteral("ours.flac"));
    const QString reference = work.filePath(QStringLiteral("reference.flac"));

    std::printf("reference: %s, flac -5 on the same %d-minute 44.1 kHz stereo WAV; ours: TWaveIn -> "
                "TFLACOut at level 5 with verify; %d runs each\n",
                qPrintable(bench::toolVersion(QStringLiteral("flac"), {QStringLiteral("--version")})), minutes, runs);
    std::fflush(stdout);
    std::vector<double> ourTimes;
    std::vector<double> referenceTimes;
    std::vector<double> verifyingTimes;
    for (int run = 0; run < runs; ++run) {
        // Alternating which goes first evens out a machine that is busier at one moment.
        if (run % 2 == 0) {
            referenceTimes.push_back(encodeReference(wav, reference, false));
            ourTimes.push_back(encodeOurs(wav, ours));
            verifyingTimes.push_back(encodeReference(wav, reference, true));
        } else {
            verifyingTimes.push_back(encodeReference(wav, reference, true));
            ourTimes.push_back(encodeOurs(wav, ours));
            referenceTimes.push_back(encodeReference(wav, reference, false));
        }
    }
    checkLossless(wav, ours);
    checkLossless(wav, reference);
    std::printf("sizes: ours=%lld bytes reference=%lld bytes\n", static_cast<long long>(QFile(ours).size()),
                static_cast<long long>(QFile(reference).size()));
    const double o = bench::median(ourTimes);
    const double r = bench::median(referenceTimes);
    const double v = bench::median(verifyingTimes);
    // The fastest and slowest run of each, to tell a result from the noise of a busy machine.
    const auto spread = [](const std::vector<double>& times) {
        const auto [low, high] = std::minmax_element(times.begin(), times.end());
        return std::pair{*low, *high};
    };
    const auto [ourLow, ourHigh] = spread(ourTimes);
    const auto [referenceLow, referenceHigh] = spread(referenceTimes);
    const auto [verifyingLow, verifyingHigh] = spread(verifyingTimes);
    std::printf("spread: ours %.3f-%.3f s, flac -5 %.3f-%.3f s, flac -5 -V %.3f-%.3f s\n", ourLow, ourHigh,
                referenceLow, referenceHigh, verifyingLow, verifyingHigh);
    std::printf("flac -5 -V (verifying like ours): %.3f s, ours/that=%.2f\n", v, o / v);
    std::printf("bench flac: ours=%.3f reference=%.3f ratio=%.2f\n", o, r, o / r);
    return 0;
}
