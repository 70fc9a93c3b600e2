// Extracts every track of a generated 74-minute disc image to WAV files through the drive
// library and TCDRipThread, without and with normalisation, and compares the time with
// copying the same bytes with cp in the same run (median of several runs each). In secure
// mode (extract-secure) the peer is cd-paranoia in its full mode reading the same image
// into one WAV file per track, and normal mode's time is reported beside it.
//
//   bench_extract [--minutes N] [--runs N] [--dir FOLDER]
//                 [--only extract|extract-normalize|extract-secure]
#include "BenchSupport.h"
#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "cd/TCDRipThread.h"
#include "common/Messages.h"
#include "settings/TSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// Quits its loop on the record that ends a track.
class TrackWaiter : public QObject
{
public:
    bool event(QEvent* event) override
    {
        if (event->type() == WM_RIPERROR) {
            m_failed = true;
            m_loop.quit();
            return true;
        }
        if (event->type() == WM_PROCESSINFO) {
            const TProcessInfo& info = static_cast<ProcessInfoEvent*>(event)->info();
            if (info.Progress == ProgressCode::TrackExtracted) {
                m_failed = m_failed || info.Status != 0;
                m_loop.quit();
            }
            return true;
        }
        return QObject::event(event);
    }
    bool run(TCDRipThread& thread)
    {
        thread.setWindow(this);
        thread.resume();
        m_loop.exec();
        thread.wait();
        return !m_failed;
    }

private:
    QEventLoop m_loop;
    bool m_failed = false;
};

// Starts each measured run from the same state: no earlier output, nothing left to write
// back to the disk from the run before.
void emptyFolder(const QString& path)
{
    QDir dir(path);
    dir.removeRecursively();
    QDir().mkpath(path);
    QProcess::execute(QStringLiteral("sync"), {});
}

double extractAll(CDHandle handle, int tracks, const QString& outFolder)
{
    emptyFolder(outFolder);
    QElapsedTimer timer;
    timer.start();
    for (int t = 1; t <= tracks; ++t) {
        TCDRipThread thread(t, QStringLiteral("Track%1").arg(t, 2, 10, QLatin1Char('0')));
        thread.setDriveHandle(handle);
        TrackWaiter waiter;
        if (!waiter.run(thread)) {
            std::fprintf(stderr, "bench extract: track %d failed\n", t);
            std::exit(1);
        }
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

double copyWithCp(const QString& bin, const QString& outFolder)
{
    emptyFolder(outFolder);
    QElapsedTimer timer;
    timer.start();
    QProcess cp;
    cp.start(QStringLiteral("cp"), {bin, QDir(outFolder).filePath(QStringLiteral("copy.bin"))});
    if (!cp.waitForFinished(-1) || cp.exitCode() != 0) {
        std::fprintf(stderr, "bench extract: cp failed\n");
        std::exit(1);
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// cd-paranoia's full mode is its default: overlap checking, jitter correction, re-reads.
// -B writes one WAV file per track into the working folder.
double ripWithCdParanoia(const QString& cue, const QString& outFolder)
{
    emptyFolder(outFolder);
    QElapsedTimer timer;
    timer.start();
    QProcess tool;
    tool.setWorkingDirectory(outFolder);
    tool.setStandardOutputFile(QProcess::nullDevice());
    tool.setStandardErrorFile(QProcess::nullDevice());
    tool.start(QStringLiteral("cd-paranoia"),
               {QStringLiteral("-q"), QStringLiteral("-B"), QStringLiteral("-d"), cue, QStringLiteral("1-")});
    if (!tool.waitForFinished(-1) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        std::fprintf(stderr, "bench extract-secure: cd-paranoia failed\n");
        std::exit(1);
    }
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    if (QDir(outFolder).entryList({QStringLiteral("*.wav")}, QDir::Files).isEmpty()) {
        std::fprintf(stderr, "bench extract-secure: cd-paranoia wrote no files\n");
        std::exit(1);
    }
    return seconds;
}

void benchSecure(CDHandle handle, int tracks, const QString& cue, const QString& outFolder, int runs)
{
    TSettings& options = settings();
    options.IsNormalize = false;
    std::vector<double> secure;
    std::vector<double> normal;
    std::vector<double> reference;
    for (int run = 0; run < runs; ++run) {
        reference.push_back(ripWithCdParanoia(cue, outFolder));
        options.SecureMode = true;
        secure.push_back(extractAll(handle, tracks, outFolder));
        options.SecureMode = false;
        normal.push_back(extractAll(handle, tracks, outFolder));
    }
    emptyFolder(outFolder);
    const double o = bench::median(secure);
    const double r = bench::median(reference);
    const double n = bench::median(normal);
    std::printf("extract-secure against normal mode: secure=%.3f normal=%.3f ratio=%.2f\n", o, n, o / n);
    std::printf("bench extract-secure: ours=%.3f reference=%.3f ratio=%.2f\n", o, r, o / r);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bench::Arguments defaults;
    defaults.minutes = 74;
    defaults.dir = QDir::tempPath();
    const bench::Arguments arguments = bench::parseArguments(app.arguments(), defaults);
    const int minutes = arguments.minutes;
    const int runs = arguments.runs;
    const QString base = arguments.dir;
    const QString only = arguments.name;

    QTemporaryDir work(QDir(base).filePath(QStringLiteral("tarnwick-bench-XXXXXX")));
    if (!work.isValid()) {
        std::fprintf(stderr, "bench extract: cannot make a folder in %s\n", qPrintable(base));
        return 1;
    }
    // Tracks of 3 to 5 minutes, to the frame, up to the disc's length.
    DiscImageWriter writer;
    std::int64_t left = std::int64_t{minutes} * 60 * 75;
    for (int i = 0; left > 0; ++i) {
        const std::int64_t frames = std::min<std::int64_t>(left, (180 + (i * 53) % 120) * 75 + (i * 29) % 75);
        writer.addTrack(frames);
        left -= frames;
    }
    const QString cue = work.filePath(QStringLiteral("bench.cue"));
    QString error;
    if (!writer.write(cue, &error)) {
        std::fprintf(stderr, "bench extract: %s\n", qPrintable(error));
        return 1;
    }
    const int tracks = static_cast<int>(writer.trackLengths().size());

    qputenv("TARNWICK_DISC_IMAGES", cue.toLocal8Bit());
    CDDriveList list{};
    list.capacity = 8;
    GetCDList(&list);
    CDHandle handle = 0;
    for (int i = 0; i < list.count; ++i) {
        if (qstrcmp(list.entries[i].vendor, "IMAGE") == 0 && qstrcmp(list.entries[i].product, "bench.cue") == 0) {
            const CDHandleRequest request = tarnwick::handleRequestFor(list.entries[i]);
            handle = GetCDHandle(&request);
        }
    }
    if (handle == 0) {
        std::fprintf(stderr, "bench extract: the image does not open as a drive\n");
        return 1;
    }

    const QString outFolder = work.filePath(QStringLiteral("out"));
    const QString bin = DiscImageWriter::binPathFor(cue);
    TSettings& options = settings();
    options.OutputFolder = outFolder;
    options.EnableRipTime = false;
    options.NormalizePercent = 80;

    if (only == QLatin1String("extract-secure")) {
        std::printf("reference: %s, full mode, one WAV file per track; ours: secure mode, %d tracks, %d minutes\n",
                    qPrintable(bench::toolVersion(QStringLiteral("cd-paranoia"), {QStringLiteral("--version")})),
                    tracks, minutes);
        benchSecure(handle, tracks, cue, outFolder, runs);
        CloseCDHandle(handle);
        return 0;
    }
    std::printf("reference: cp (GNU coreutils) copying the image's %lld-byte BIN file; ours: %d tracks, %d minutes\n",
                static_cast<long long>(QFile(bin).size()), tracks, minutes);
    for (const bool normalize : {false, true}) {
        const char* name = normalize ? "extract-normalize" : "extract";
        if (!only.isEmpty() && only != QLatin1String(name)) {
            continue;
        }
        options.IsNormalize = normalize;
        std::vector<double> ours;
        std::vector<double> reference;
        for (int run = 0; run < runs; ++run) {
            reference.push_back(copyWithCp(bin, outFolder));
            ours.push_back(extractAll(handle, tracks, outFolder));
        }
        emptyFolder(outFolder);
        const double o = bench::median(ours);
        const double r = bench::median(reference);
        std::printf("bench %s: ours=%.3f reference=%.3f ratio=%.2f\n", name, o, r, o / r);
        std::fflush(stdout);
    }
    CloseCDHandle(handle);
    return 0;
}
