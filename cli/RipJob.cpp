#include "cli/RipJob.h"

#include "cd/CDDriveLibrary.h"
#include "cd/RipVerification.h"
#include "cd/TCDRipThread.h"
#include "cli/EncodePool.h"
#include "cli/ProgressView.h"
#include "common/Messages.h"
#include "jobs/core/JobFiles.h"
#include "jobs/core/TrackTag.h"
#include "platform/Files.h"
#include "settings/TSettings.h"

#include <QFileInfo>
#include <QHash>
#include <chrono>

RipJob::RipJob(CDHandle handle, std::vector<std::unique_ptr<WorkItem>> items, const CliFormat& format, int jobs,
               bool keepWav, ProgressView& view, QObject* parent)
    : CliJob(std::move(items), view, parent), m_handle(handle), m_format(format), m_jobs(std::max(1, jobs)),
      m_keepWav(keepWav)
{
    if (m_format.rip) {
        setPool(std::make_unique<EncodePool>(m_jobs, m_format.rip, false, settings().OutputFolder));
    }
    auto verification = std::make_unique<RipVerification>(RipVerification::optionsFrom(settings()));
    if (verification->active()) {
        const QString path = tarnwick::drivePath(m_handle);
        verification->setDrive(path.isEmpty() ? QStringLiteral("disc image") : path);
        m_verification = std::move(verification);
    }
}

RipJob::~RipJob()
{
    if (m_thread) {
        m_thread->stop();
        m_thread.reset();
    }
}

void RipJob::start()
{
    // Two tracks of one title would share their WAV and encoded files; extracting the
    // second while the first is encoded would ruin both.
    QHash<QString, const WorkItem*> byWav;
    for (const std::unique_ptr<WorkItem>& item : m_items) {
        item->source = JobFiles::extractedWav(settings(), item->title);
        item->output = m_format.rip ? JobFiles::withExtension(item->source, m_format.extension) : item->source;
        if (const WorkItem* first = byWav.value(item->source)) {
            fail(*item,
                 QStringLiteral("has the same title as %1, so its files would replace that track's").arg(first->label));
            continue;
        }
        byWav.insert(item->source, item.get());
    }
    extractNext();
    finishWhenIdle();
}

WorkItem* RipJob::extracting() const
{
    return m_extractingIndex >= 0 ? m_items[static_cast<std::size_t>(m_extractingIndex)].get() : nullptr;
}

bool RipJob::idle() const
{
    return !m_thread && CliJob::idle();
}

void RipJob::extractNext()
{
    if (m_thread || m_stopping) {
        return;
    }
    // The WAV to be extracted counts too: jobs being encoded plus one waiting at most.
    if (m_format.rip && pool().pending() + 1 > m_jobs + 1) {
        return;
    }
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        WorkItem& item = *m_items[i];
        if (item.state != WorkItem::State::Waiting || item.extracted) {
            continue;
        }
        m_extractingIndex = static_cast<int>(i);
        item.state = WorkItem::State::Running;
        item.step = QStringLiteral("extracting");
        item.percent = 0;
        changed(item);
        m_thread = std::make_unique<TCDRipThread>(item.row, item.title);
        m_thread->setDriveHandle(m_handle);
        m_thread->setWindow(this);
        if (m_verification) {
            m_thread->setAudioSink(m_verification->sinkFor(item.row));
        }
        m_thread->resume();
        return;
    }
}

bool RipJob::event(QEvent* event)
{
    if (event->type() == WM_RIPERROR) {
        driveFailed(static_cast<MessageEvent*>(event)->lParam());
        return true;
    }
    if (event->type() != WM_PROCESSINFO) {
        return CliJob::event(event);
    }
    WorkItem* item = extracting();
    if (item == nullptr || m_stopping) {
        return true;
    }
    const TProcessInfo& record = static_cast<ProcessInfoEvent*>(event)->info();
    if (record.Progress == ProgressCode::TrackExtracted) {
        trackExtracted(record.Status);
    } else if (record.Progress == ProgressCode::NormalizeBegins) {
        item->step = QStringLiteral("normalizing");
        item->percent = 0;
        changed(*item);
    } else if (record.Progress >= 0 && record.Progress <= 100 && record.Progress != item->percent) {
        item->percent = record.Progress;
        changed(*item);
    }
    return true;
}

void RipJob::endExtraction()
{
    m_thread.reset(); // it has posted its last record; this waits for it to end
    m_extractingIndex = -1;
}

void RipJob::noteTrackEnded(const WorkItem& item, std::int32_t status)
{
    if (!m_verification || !m_thread) {
        return;
    }
    // The thread posts its outcome last: it is ending, and what it read is now safe to take.
    m_thread->wait();
    if (const auto& toc = m_thread->tableOfContents()) {
        m_verification->setTableOfContents(*toc);
    }
    m_verification->trackEnded(item.row, QFileInfo(item.output).fileName(), RipVerification::problemFor(status),
                               m_thread->readStats());
}

void RipJob::verifyAndLog(const std::function<bool()>& stopped)
{
    if (!m_verification || m_stopping) {
        return;
    }
    m_view.finish(); // the progress lines end before the verdicts are printed
    m_verification->lookUp(std::chrono::milliseconds(10000), nullptr, stopped);
    if (stopped()) {
        return;
    }
    if (m_verification->verifies()) {
        m_view.info(QStringLiteral("AccurateRip verification:"));
        for (const QString& line : m_verification->verdictText().split(QStringLiteral("\r\n"))) {
            m_view.info(QStringLiteral("  ") + line);
        }
    }
    // The outcome the window's status bar shows; it tells a disc the database does not
    // know from a database that could not be asked, and why.
    if (const QString status = m_verification->statusLine(); !status.isEmpty()) {
        m_view.info(status);
    }
    QString error;
    if (const auto path = m_verification->writeLog(settings().OutputFolder, settings().Disc.Album, &error)) {
        m_view.info(QStringLiteral("rip log: ") + *path);
    } else {
        m_view.error(QStringLiteral("the rip log could not be written in %1%2")
                         .arg(settings().OutputFolder, error.isEmpty() ? QString() : QStringLiteral(": ") + error));
    }
}

void RipJob::driveFailed(std::intptr_t error)
{
    WorkItem* item = extracting();
    if (item != nullptr) {
        noteTrackEnded(*item, -1);
    }
    endExtraction();
    if (item != nullptr) {
        fail(*item, error == TCDRipThread::ErrorAddressing
                        ? QStringLiteral("the drive refused to report minute-second-frame addresses")
                        : QStringLiteral("the table of contents cannot be read, or lacks this track"));
    }
    extractNext();
    finishWhenIdle();
}

void RipJob::trackExtracted(std::int32_t status)
{
    WorkItem& item = *extracting();
    noteTrackEnded(item, status);
    endExtraction();
    if (status == TCDRipThread::StatusDone || status == TCDRipThread::StatusNormalizeFailed) {
        item.extracted = true;
        measureWavs();
        if (status == TCDRipThread::StatusNormalizeFailed) {
            m_view.error(item.label + QStringLiteral(": ") + item.source +
                         QStringLiteral(" could not be normalized; it is kept as extracted"));
        }
        if (m_format.rip) {
            pool().submit(&item);
            changed(item);
        } else {
            done(item);
        }
    } else if (status == TCDRipThread::StatusReadFailed) {
        // Half a track is of no use and must not pass for a whole one.
        if (!Files::isInUse(item.source)) {
            Files::remove(item.source);
        }
        fail(item, QStringLiteral("a sector of the track could not be read"));
    } else {
        fail(item, item.source + QStringLiteral(" cannot be written (the title is not a valid file name, the file "
                                                "is in use, or the disk is full)"));
    }
    extractNext();
    finishWhenIdle();
}

void RipJob::itemEncoded(WorkItem* item)
{
    if (item->state == WorkItem::State::Ready) {
        const bool tagged = m_format.outputFormat == ofMP3 && settings().UseID3;
        const std::uint16_t result = tagged ? writeTrackTag(item->output, item->title, item->row, settings().Disc) : 0;
        if (result > 255) {
            fail(*item,
                 QStringLiteral("the ID3 tag of %1 could not be saved (error #%2)").arg(item->output).arg(result));
        } else {
            done(*item);
            if (!m_keepWav) {
                Files::remove(item->source);
            }
        }
    }
    extractNext();
    finishWhenIdle();
}

void RipJob::measureWavs()
{
    qint64 bytes = 0;
    for (const std::unique_ptr<WorkItem>& item : m_items) {
        if (item->extracted) {
            bytes += std::max<qint64>(0, Files::size(item->source));
        }
    }
    m_peakWavBytes = std::max(m_peakWavBytes, bytes);
}

void RipJob::stop()
{
    if (isFinished()) {
        return;
    }
    if (WorkItem* item = extracting()) {
        m_thread->stop();
        endExtraction();
        // The track was not finished: its WAV goes, unless another program holds it.
        if (!Files::isInUse(item->source)) {
            Files::remove(item->source);
        }
    }
    CliJob::stop();
}

QStringList RipJob::keptWavs() const
{
    QStringList kept;
    for (const std::unique_ptr<WorkItem>& item : m_items) {
        if (item->extracted && item->state != WorkItem::State::Done && m_format.rip && Files::exists(item->source)) {
            kept << item->source;
        }
    }
    return kept;
}
