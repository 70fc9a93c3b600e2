// Rips a generated 40-minute disc image to MP3 through the job window (headless), and
// compares it with the plain road: copy each track's bytes out of the BIN with dd and
// encode them with lame, one track after another, with the same encoder options.
//
//   bench_rip_mp3 [rip-mp3] [--minutes N] [--tracks N] [--runs N]
#include "BenchSupport.h"
#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "encoders/TMp3EncodeProcess.h"
#include "encoders/TWMAEncodeProcess.h"
#include "jobs/TRipForm.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Seconds of audio in an MP3 file, as ffprobe reads it.
double duration(const QString& file)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"),
                                              QStringLiteral("-show_entries"), QStringLiteral("format=duration"),
                                              QStringLiteral("-of"), QStringLiteral("default=nw=1:nk=1"), file});
    ffprobe.waitForFinished(-1);
    return ffprobe.readAllStandardOutput().trimmed().toDouble();
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bench::Arguments defaults;
    defaults.minutes = 40;
    defaults.tracks = 8;
    defaults.runs = 3;
    const bench::Arguments arguments = bench::parseArguments(QCoreApplication::arguments(), defaults);
    const int minutes = arguments.minutes;
    const int tracks = arguments.tracks;
    const int runs = arguments.runs;

    QTemporaryDir dir;
    const QString cue = dir.filePath(QStringLiteral("disc.cue"));
    DiscImageWriter writer;
    const std::int64_t frames = static_cast<std::int64_t>(minutes) * 60 * 75 / tracks;
    for (int t = 0; t < tracks; ++t) {
        writer.addTrack(frames);
    }
    QString error;
    if (!writer.write(cue, &error)) {
        std::fprintf(stderr, "bench rip-mp3: %s\n", qPrintable(error));
        return 1;
    }
    qputenv("TARNWICK_DISC_IMAGES", cue.toUtf8());
    qputenv("TARNWICK_HOME", dir.path().toUtf8());
    SettingsStore::load(settings(), dir.filePath(QStringLiteral("options.ini")));
    settings().OutputFormat = ofMP3;
    settings().IsKeepWav = false;
    const QString ours = dir.filePath(QStringLiteral("ours"));
    const QString reference = dir.filePath(QStringLiteral("reference"));
    QDir().mkpath(ours);
    QDir().mkpath(reference);
    settings().OutputFolder = ours;

    const CDHandle handle = tarnwick::openFirstImage();
    if (handle == 0) {
        std::fprintf(stderr, "bench rip-mp3: the image could not be opened\n");
        return 1;
    }
    QStringList items;
    for (int t = 1; t <= tracks; ++t) {
        items << QStringLiteral("%1Track%1").arg(t, 2, 10, QLatin1Char('0'));
    }
    // The reference encodes raw PCM with exactly the options our command line uses.
    const EncoderCommand command =
        TMp3EncodeProcess::buildCommand(settings(), true, QStringLiteral("IN"), QStringLiteral("OUT"));
    QStringList options = command.arguments();
    options.removeAll(QStringLiteral("IN"));
    options.removeAll(QStringLiteral("OUT"));

    std::printf("reference: dd (raw copy from the BIN) | lame %s, track by track\n",
                qPrintable(options.join(QLatin1Char(' '))));
    std::vector<double> oursTimes;
    std::vector<double> referenceTimes;
    TMp3EncodeProcess mp3;
    TWMAEncodeProcess wma;
    for (int r = 0; r < runs; ++r) {
        QElapsedTimer clock;
        clock.start();
        {
            TRipForm form(nullptr, TRipForm::ExtractCD, handle, items, &mp3, &wma);
            form.busyWait = [](int) {};
            form.exec();
        }
        oursTimes.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        const QStringList made = QDir(ours).entryList({QStringLiteral("*.mp3")}, QDir::Files);
        if (made.size() != tracks) {
            std::fprintf(stderr, "bench rip-mp3: the job did not make every MP3\n");
            return 1;
        }
        // A fast but short result would be no result: every file must hold its track.
        for (const QString& name : made) {
            const double seconds = duration(ours + QLatin1Char('/') + name);
            if (seconds < static_cast<double>(frames) / 75.0 - 0.1) {
                std::fprintf(stderr, "bench rip-mp3: %s holds only %.2f s\n", qPrintable(name), seconds);
                return 1;
            }
        }

        clock.restart();
        for (int t = 0; t < tracks; ++t) {
            const QString raw = reference + QStringLiteral("/t.raw");
            bench::timeTool(QStringLiteral("dd"), {QStringLiteral("if=") + DiscImageWriter::binPathFor(cue),
                                                   QStringLiteral("of=") + raw, QStringLiteral("bs=2352"),
                                                   QStringLiteral("skip=%1").arg(writer.trackStart(t)),
                                                   QStringLiteral("count=%1").arg(frames)},
                            "rip-mp3");
            bench::timeTool(QStringLiteral("lame"),
                            QStringList{QStringLiteral("-r"), QStringLiteral("-s"), QStringLiteral("44.1"),
                                        QStringLiteral("--bitwidth"), QStringLiteral("16"),
                                        QStringLiteral("--little-endian")}
                                << options << raw << reference + QStringLiteral("/%1.mp3").arg(t),
                            "rip-mp3");
            QFile::remove(raw);
        }
        referenceTimes.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    CloseCDHandle(handle);
    const double o = bench::median(oursTimes);
    const double ref = bench::median(referenceTimes);
    std::printf("bench rip-mp3: ours=%.3f reference=%.3f ratio=%.3f\n", o, ref, o / ref);
    return 0;
}
