// Rips a generated 40-minute, 8-track disc image to MP3 with tarnwick-cli and two
// encoders at once, against two references measured in the same run:
//   (a) the plain road of rip-mp3: copy each track's bytes out of the BIN with dd, then
//       lame on it, one track after another;
//   (b) the same copies first, then lame on two tracks at a time (xargs -P 2).
// Both use the encoder options our command line gives lame. The last line is against (a).
//
//   bench_cli_rip_mp3 [cli-rip-mp3] [--minutes N] [--tracks N] [--runs N]
#include "BenchSupport.h"
#include "cd/DiscImageWriter.h"
#include "encoders/TMp3EncodeProcess.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cstdio>
#include <vector>

namespace {

const char* const Name = "cli-rip-mp3";

[[noreturn]] void fail(const QString& message)
{
    std::fprintf(stderr, "bench %s: %s\n", Name, qPrintable(message));
    std::exit(1);
}

double duration(const QString& file)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"),
                                              QStringLiteral("-show_entries"), QStringLiteral("format=duration"),
                                              QStringLiteral("-of"), QStringLiteral("default=nw=1:nk=1"), file});
    ffprobe.waitForFinished(-1);
    return ffprobe.readAllStandardOutput().trimmed().toDouble();
}

// Runs the program on the image; seconds taken, and the peak WAV space it reports.
double timeCli(const QString& home, const QString& cue, const QString& folder, double& peakMegabytes)
{
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARNWICK_HOME"), home);
    env.insert(QStringLiteral("TARNWICK_DISC_IMAGES"), cue);
    cli.setProcessEnvironment(env);
    cli.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    cli.start(QCoreApplication::applicationDirPath() + QStringLiteral("/../tarnwick-cli"),
              {QStringLiteral("rip"), QStringLiteral("--format"), QStringLiteral("mp3"), QStringLiteral("--jobs"),
               QStringLiteral("2"), QStringLiteral("--output"), folder});
    if (!cli.waitForFinished(-1) || cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0) {
        fail(QStringLiteral("tarnwick-cli failed: ") + QString::fromUtf8(cli.readAllStandardError()));
    }
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const QRegularExpression peak(QStringLiteral("took at most ([0-9.]+) MB"));
    const QRegularExpressionMatch match = peak.match(QString::fromUtf8(cli.readAllStandardError()));
    peakMegabytes = match.hasMatch() ? match.captured(1).toDouble() : -1;
    return seconds;
}

void checkOutputs(const QString& folder, int tracks, double trackSeconds)
{
    const QStringList made = QDir(folder).entryList({QStringLiteral("*.mp3")}, QDir::Files);
    if (made.size() != tracks) {
        fail(QStringLiteral("%1 MP3 files in %2, not %3").arg(made.size()).arg(folder).arg(tracks));
    }
    // A fast but short result would be no result: every file must hold its track.
    for (const QString& name : made) {
        const double seconds = duration(folder + QLatin1Char('/') + name);
        if (seconds < trackSeconds - 0.1) {
            fail(QStringLiteral("%1 holds only %2 s").arg(name).arg(seconds));
        }
    }
    if (!QDir(folder).entryList({QStringLiteral("*.wav")}, QDir::Files).isEmpty()) {
        fail(QStringLiteral("WAV files were left in ") + folder);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bench::Arguments defaults;
    defaults.minutes = 40;
    defaults.tracks = 8;
    defaults.runs = 3;
    const bench::Arguments arguments = bench::parseArguments(QCoreApplication::arguments(), defaults);
    const int tracks = arguments.tracks;

    QTemporaryDir dir;
    const QString cue = dir.filePath(QStringLiteral("disc.cue"));
    DiscImageWriter writer;
    const std::int64_t frames = static_cast<std::int64_t>(arguments.minutes) * 60 * 75 / tracks;
    for (int t = 0; t < tracks; ++t) {
        writer.addTrack(frames);
    }
    QString error;
    if (!writer.write(cue, &error)) {
        fail(error);
    }
    const QString home = dir.filePath(QStringLiteral("home"));
    QDir().mkpath(home);
    TSettings options;
    SettingsStore::load(options, home + QStringLiteral("/options.ini"));
    const EncoderCommand command =
        TMp3EncodeProcess::buildCommand(options, true, QStringLiteral("IN"), QStringLiteral("OUT"));
    QStringList lameOptions = {QStringLiteral("-r"),         QStringLiteral("-s"), QStringLiteral("44.1"),
                               QStringLiteral("--bitwidth"), QStringLiteral("16"), QStringLiteral("--little-endian")};
    for (const QString& argument : command.arguments()) {
        if (argument != QLatin1String("IN") && argument != QLatin1String("OUT")) {
            lameOptions << argument;
        }
    }
    std::printf("reference (a): dd (raw copy from the BIN) then lame %s, track by track\n",
                qPrintable(lameOptions.join(QLatin1Char(' '))));
    std::printf("reference (b): the same copies, then the same lame two tracks at a time (xargs -P 2)\n");

    const double trackSeconds = static_cast<double>(frames) / 75.0;
    std::vector<double> ours;
    std::vector<double> sequential;
    std::vector<double> parallel;
    double peak = 0;
    for (int r = 0; r < arguments.runs; ++r) {
        const QString run = dir.filePath(QStringLiteral("run%1").arg(r));
        const QString cliFolder = run + QStringLiteral("/ours");
        const QString seqFolder = run + QStringLiteral("/a");
        const QString parFolder = run + QStringLiteral("/b");
        QDir().mkpath(seqFolder);
        QDir().mkpath(parFolder);

        double runPeak = 0;
        ours.push_back(timeCli(home, cue, cliFolder, runPeak));
        peak = std::max(peak, runPeak);
        checkOutputs(cliFolder, tracks, trackSeconds);

        auto copyTrack = [&](int t, const QString& raw) {
            return bench::timeTool(QStringLiteral("dd"),
                                   {QStringLiteral("if=") + DiscImageWriter::binPathFor(cue),
                                    QStringLiteral("of=") + raw, QStringLiteral("bs=2352"),
                                    QStringLiteral("skip=%1").arg(writer.trackStart(t)),
                                    QStringLiteral("count=%1").arg(frames)},
                                   Name);
        };
        QElapsedTimer clock;
        clock.start();
        for (int t = 0; t < tracks; ++t) {
            const QString raw = seqFolder + QStringLiteral("/t.raw");
            copyTrack(t, raw);
            bench::timeTool(QStringLiteral("lame"),
                            QStringList(lameOptions) << raw << seqFolder + QStringLiteral("/%1.mp3").arg(t), Name);
            QFile::remove(raw);
        }
        sequential.push_back(double(clock.nsecsElapsed()) / 1e9);

        clock.restart();
        QString list;
        for (int t = 0; t < tracks; ++t) {
            const QString raw = parFolder + QStringLiteral("/%1.raw").arg(t);
            copyTrack(t, raw);
            list += raw + QLatin1Char('\n') + parFolder + QStringLiteral("/%1.mp3\n").arg(t);
        }
        const QString listFile = run + QStringLiteral("/list");
        QFile file(listFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(list.toUtf8()) < 0) {
            fail(QStringLiteral("cannot write ") + listFile);
        }
        file.close();
        bench::timeTool(QStringLiteral("xargs"),
                        QStringList{QStringLiteral("-a"), listFile, QStringLiteral("-d"), QStringLiteral("\n"),
                                    QStringLiteral("-P"), QStringLiteral("2"), QStringLiteral("-n"),
                                    QStringLiteral("2"), QStringLiteral("lame")}
                            << lameOptions,
                        Name);
        parallel.push_back(double(clock.nsecsElapsed()) / 1e9);
        checkOutputs(parFolder, tracks, trackSeconds - 0.1);
        QDir(run).removeRecursively();
    }
    const double o = bench::median(ours);
    const double a = bench::median(sequential);
    const double b = bench::median(parallel);
    std::printf("peak disk space of the WAV files: %.1f MB\n", peak);
    std::printf("bench cli-rip-mp3 (against b): ours=%.3f reference=%.3f ratio=%.3f\n", o, b, o / b);
    std::printf("bench cli-rip-mp3: ours=%.3f reference=%.3f ratio=%.3f\n", o, a, o / a);
    return 0;
}
