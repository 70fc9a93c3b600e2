#include "cli/CliApp.h"

#include "cd/CDDriveLibrary.h"
#include "cli/CliDisc.h"
#include "cli/CliFormats.h"
#include "cli/CliOptions.h"
#include "cli/CliPrompt.h"
#include "cli/ConvertJob.h"
#include "cli/ProgressView.h"
#include "cli/RipJob.h"
#include "common/TextFormat.h"
#include "platform/Files.h"
#include "platform/StopSignals.h"
#include "settings/DiscInfoStore.h"
#include "settings/SettingsStore.h"
#include "settings/TSettings.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>
#include <set>

namespace CliApp {

namespace {

struct Context
{
    const CliOptions& options;
    const Streams& streams;
};

void printError(const Streams& streams, const QString& text)
{
    streams.err(QStringLiteral("tarnwick-cli: ") + text + QLatin1Char('\n'));
}

int usageError(const Streams& streams, const QString& text)
{
    printError(streams, text);
    streams.err(usageText());
    return ExitUsage;
}

int defaultDrive(const CliOptions& options)
{
    if (options.drive) {
        return *options.drive;
    }
    // The drive chosen in the options dialog, if it is still there.
    const int chosen = settings().CDIndex;
    return chosen >= 0 && chosen < static_cast<int>(CliDisc::drives().size()) ? chosen : 0;
}

int listDrives(const Context& c)
{
    const std::vector<CliDisc::Drive> drives = CliDisc::drives();
    if (drives.empty()) {
        printError(c.streams, QStringLiteral("no CD drives found (and no disc images in TARNWICK_DISC_IMAGES)"));
        return ExitFailed;
    }
    for (const CliDisc::Drive& drive : drives) {
        c.streams.out(QStringLiteral("%1  %2 %3  %4%5\n")
                          .arg(drive.index)
                          .arg(drive.vendor, drive.product, drive.path,
                               drive.image ? QStringLiteral(" (disc image)") : QString()));
    }
    return ExitOk;
}

// Opens the chosen drive and reads its disc; 0 with the error printed when it cannot.
CDHandle openDisc(const Context& c, CliDisc::Disc& disc)
{
    QString error;
    const int index = defaultDrive(c.options);
    const CDHandle handle = CliDisc::openDrive(index, error);
    if (handle == 0) {
        printError(c.streams, error);
        return 0;
    }
    if (!CliDisc::readDisc(handle, DiscInfoStore::defaultPath(), disc, error)) {
        printError(c.streams, QStringLiteral("drive %1: ").arg(index) + error);
        CloseCDHandle(handle);
        return 0;
    }
    return handle;
}

int showToc(const Context& c)
{
    CliDisc::Disc disc;
    const CDHandle handle = openDisc(c, disc);
    if (handle == 0) {
        return ExitFailed;
    }
    CloseCDHandle(handle);
    const TDiscInfo& record = settings().Disc;
    c.streams.out(
        QStringLiteral("Disc key: %1\n").arg(disc.key.isEmpty() ? QStringLiteral("none (not an audio CD)") : disc.key));
    if (!record.Artist.isEmpty()) {
        c.streams.out(QStringLiteral("Artist: %1\n").arg(record.Artist));
    }
    if (!record.Album.isEmpty()) {
        c.streams.out(QStringLiteral("Album: %1\n").arg(record.Album));
    }
    int width = 5;
    for (const CliDisc::Row& row : disc.rows) {
        width = std::max(width, static_cast<int>(row.title.size()));
    }
    c.streams.out(QStringLiteral("%1  %2  %3  %4\n")
                      .arg(QStringLiteral("No."), -4)
                      .arg(QStringLiteral("Title"), -width)
                      .arg(QStringLiteral("Length(min)"), -11)
                      .arg(QStringLiteral("Size(MB)")));
    for (const CliDisc::Row& row : disc.rows) {
        c.streams.out(QStringLiteral("%1  %2  %3  %4\n")
                          .arg(row.number, -4)
                          .arg(row.title, -width)
                          .arg(row.length, -11)
                          .arg(row.size));
    }
    return ExitOk;
}

ProgressView::Mode viewMode(const Context& c)
{
    if (c.options.quiet) {
        return ProgressView::Mode::Quiet;
    }
    return c.streams.errIsTerminal ? ProgressView::Mode::Live : ProgressView::Mode::Log;
}

// The output folder of the options or of --output, made if it is missing.
bool prepareOutputFolder(const Context& c)
{
    TSettings& s = settings();
    if (!c.options.output.isEmpty()) {
        s.OutputFolder = QDir::cleanPath(QFileInfo(c.options.output).absoluteFilePath());
    }
    if (!Files::folderExists(s.OutputFolder) && !QDir().mkpath(s.OutputFolder)) {
        printError(c.streams, QStringLiteral("the output folder %1 cannot be made").arg(s.OutputFolder));
        return false;
    }
    return true;
}

// Runs the job to its end, or until SIGINT, SIGTERM or SIGHUP stops it.
void runJob(CliJob& job)
{
    StopSignals stopSignals;
    QEventLoop loop;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &job, &CliJob::stop);
    QObject::connect(&job, &CliJob::finished, &loop, &QEventLoop::quit);
    job.start();
    if (!job.isFinished()) {
        loop.exec();
    }
}

int jobCount(const CliOptions& options)
{
    return options.jobs.value_or(std::max(1, QThread::idealThreadCount()));
}

QString megabytes(qint64 bytes)
{
    return QString::number(static_cast<double>(bytes) / 1048576.0, 'f', 1) + QStringLiteral(" MB");
}

int endOfJob(ProgressView& view, const CliJob& job, const QString& summary)
{
    view.finish();
    if (StopSignals::received()) {
        view.info(QStringLiteral("stopped: unfinished files removed, finished ones kept"));
        return ExitStopped;
    }
    view.info(summary);
    return job.failures() > 0 ? ExitFailed : ExitOk;
}

// The rows that --tracks names (all without it), or an error text.
QString selectRows(const CliOptions& options, const CliDisc::Disc& disc, std::vector<const CliDisc::Row*>& rows)
{
    if (disc.rows.empty()) {
        return QStringLiteral("the disc has no tracks");
    }
    std::set<int> wanted;
    for (const auto& [first, last] : options.tracks) {
        for (int t = first; t <= last; ++t) {
            wanted.insert(t);
        }
    }
    const int low = disc.rows.front().track;
    const int high = disc.rows.back().track;
    for (int t : wanted) {
        if (t < low || t > high) {
            return QStringLiteral("--tracks: the disc has no track %1 (its tracks are %2 to %3)")
                .arg(t)
                .arg(low)
                .arg(high);
        }
    }
    for (const CliDisc::Row& row : disc.rows) {
        if (row.data && wanted.count(row.track) > 0) {
            return QStringLiteral("--tracks: track %1 is a data track, not audio").arg(row.track);
        }
        if (!row.data && (wanted.empty() || wanted.count(row.track) > 0)) {
            rows.push_back(&row);
        }
    }
    if (rows.empty()) {
        return QStringLiteral("the disc has no audio tracks");
    }
    return QString();
}

int rip(const Context& c)
{
    TSettings& s = settings();
    const CliFormat* format =
        c.options.format.isEmpty() ? formatOfOutputFormat(s.OutputFormat) : findFormat(c.options.format);
    if (format == nullptr) {
        return usageError(c.streams, QStringLiteral("OutputFormat %1 in options.ini is not a format this version "
                                                    "writes; choose one with --format %2")
                                         .arg(s.OutputFormat)
                                         .arg(ripFormatNames().join(QLatin1Char('|'))));
    }
    if (c.options.normalize) {
        s.IsNormalize = true;
        s.NormalizePercent = *c.options.normalize;
    }
    // For this run only: the settings record is never written back by the terminal tool.
    if (c.options.secure) {
        s.SecureMode = true;
    }
    if (c.options.offset) {
        s.ReadOffset = *c.options.offset;
    }
    if (s.EnableRipTime && s.RipTime <= 0) {
        return usageError(c.streams, QStringLiteral("options.ini asks for the first %1 seconds of each track "
                                                    "(EnableRipTime with RipTime %1)")
                                         .arg(s.RipTime));
    }
    CliDisc::Disc disc;
    const CDHandle handle = openDisc(c, disc);
    if (handle == 0) {
        return ExitFailed;
    }
    std::vector<const CliDisc::Row*> rows;
    const QString selectionError = selectRows(c.options, disc, rows);
    if (!selectionError.isEmpty()) {
        CloseCDHandle(handle);
        return usageError(c.streams, selectionError);
    }
    if (!prepareOutputFolder(c)) {
        CloseCDHandle(handle);
        return ExitFailed;
    }
    std::vector<std::unique_ptr<WorkItem>> items;
    for (const CliDisc::Row* row : rows) {
        auto item = std::make_unique<WorkItem>();
        item->index = static_cast<int>(items.size());
        item->row = row->row;
        item->title = row->title;
        item->label = row->title;
        items.push_back(std::move(item));
    }
    ProgressView view(viewMode(c), c.streams.err);
    view.setColumns(c.streams.columns);
    Prompt::install(
        std::make_shared<CliPrompt>([&view](const QString& text) { view.error(text); }, Prompt::Answer::Yes));
    RipJob job(handle, std::move(items), *format, jobCount(c.options), c.options.keepWav || s.IsKeepWav, view);
    std::vector<const WorkItem*> shown;
    for (const std::unique_ptr<WorkItem>& item : job.items()) {
        shown.push_back(item.get());
    }
    view.setItems(shown, format->rip != nullptr);
    QElapsedTimer clock;
    clock.start();
    runJob(job);
    CloseCDHandle(handle);
    if (!StopSignals::received()) {
        // Ctrl+C while the database is asked ends the lookup, not the program.
        const StopSignals watch;
        job.verifyAndLog([] { return StopSignals::received(); });
    }
    for (const QString& wav : job.keptWavs()) {
        view.error(QStringLiteral("kept %1: it was extracted but not encoded").arg(wav));
    }
    const int ripped = static_cast<int>(job.items().size()) - job.failures();
    const QString summary = QStringLiteral("ripped %1 of %2 tracks into %3 in %4; the WAV files took at most %5")
                                .arg(ripped)
                                .arg(job.items().size())
                                .arg(s.OutputFolder, tarnwick::timeText(static_cast<int>(clock.elapsed() / 1000)),
                                     megabytes(job.peakWavBytes()));
    const int status = endOfJob(view, job, summary);
    Prompt::install(nullptr);
    return status;
}

int convert(const Context& c)
{
    const CliFormat* format = findFormat(c.options.format);
    if (!prepareOutputFolder(c)) {
        return ExitFailed;
    }
    std::vector<std::unique_ptr<WorkItem>> items;
    for (const QString& file : c.options.files) {
        auto item = std::make_unique<WorkItem>();
        item->index = static_cast<int>(items.size());
        item->source = QFileInfo(file).absoluteFilePath();
        item->label = QFileInfo(file).fileName();
        items.push_back(std::move(item));
    }
    ProgressView view(viewMode(c), c.streams.err);
    view.setColumns(c.streams.columns);
    // The encoders ask before they replace a file; the command line has answered.
    Prompt::install(std::make_shared<CliPrompt>([&view](const QString& text) { view.error(text); },
                                                c.options.overwrite ? Prompt::Answer::Yes : Prompt::Answer::No));
    ConvertJob job(std::move(items), *format, jobCount(c.options), c.options.overwrite, view);
    std::vector<const WorkItem*> shown;
    for (const std::unique_ptr<WorkItem>& item : job.items()) {
        shown.push_back(item.get());
    }
    view.setItems(shown, false);
    runJob(job);
    const int converted = static_cast<int>(job.items().size()) - job.failures();
    const int status = endOfJob(view, job,
                                QStringLiteral("converted %1 of %2 files into %3")
                                    .arg(converted)
                                    .arg(job.items().size())
                                    .arg(settings().OutputFolder));
    Prompt::install(nullptr);
    return status;
}

} // namespace

int run(const QStringList& arguments, const Streams& streams)
{
    const CliParse parse = parseCommandLine(arguments);
    if (parse.options.help) {
        streams.out(usageText());
        return ExitOk;
    }
    if (!parse.error.isEmpty()) {
        return usageError(streams, parse.error);
    }
    // The window's settings are the defaults; this program never writes them back.
    settings() = TSettings{};
    SettingsStore::load(settings(), SettingsStore::defaultPath());
    const Context context{parse.options, streams};
    switch (parse.options.command) {
    case CliOptions::Drives:
        return listDrives(context);
    case CliOptions::Toc:
        return showToc(context);
    case CliOptions::Rip:
        return rip(context);
    case CliOptions::Convert:
        return convert(context);
    case CliOptions::None:
        break;
    }
    return usageError(streams, QStringLiteral("no command given"));
}

} // namespace CliApp
