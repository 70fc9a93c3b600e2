// Encodes one generated 10-minute CD-quality WAV file to Ogg Vorbis through TWaveIn ->
// TVorbisOut at Compression 0.2, and the same file with `oggenc -q 2` in the same run
// (median of several runs each, alternating).
//
//   bench_ogg [ogg] [--minutes N] [--runs N] [--dir FOLDER]
#include "audio/TVorbisOut.h"
#include "audio/TWaveIn.h"
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

double encodeOurs(const QString& wav, const QString& ogg)
{
    QFile::remove(ogg);
    TWaveIn input;
    input.SetFileName(wav);
    TVorbisOut output;
    output.SetInput(&input);
    output.SetFileName(ogg);
    output.SetCompression(0.2f);
    return bench::timeTransfer(output, "ogg");
}

double encodeReference(const QString& wav, const QString& ogg)
{
    QFile::remove(ogg);
    return bench::timeTool(QStringLiteral("oggenc"),
                           {QStringLiteral("-Q"), QStringLiteral("-q"), QStringLiteral("2"), QStringLiteral("-o"), ogg, wav},
                           "ogg");
}

QString oggencVersion()
{
    return bench::toolVersion(QStringLiteral("oggenc"), {QStringLiteral("--version")});
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
    const QString base = arguments.dir;

    QTemporaryDir work(QDir(base).filePath(QStringLiteral("tarnwick-bench-XXXXXX")));
    if (!work.isValid()) {
        std::fprintf(stderr, "bench ogg: cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    const QString wav = work.filePath(QStringLiteral("input.wav"));
    if (!bench::writeMusicLikeWav(wav, minutes)) {
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
    const double o = bench::median(ourTimes);
    const double r = bench::median(referenceTimes);
    std::printf("bench ogg: ours=%.3f reference=%.3f ratio=%.2f\n", o, r, o / r);
    return 0;
}
