#pragma once

#include "cd/CDDevice.h"
#include "cd/CDRecords.h"
#include "cd/TrackAudioSink.h"

#include "common/TProcessInfo.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

class QFile;

// Extracts one track of the disc into OutputFolder/<title>.wav, optionally cut to RipTime
// seconds and normalised, and reports to a window by posted WM_PROCESSINFO and
// WM_RIPERROR events. Created suspended: the owner sets the drive handle and the window,
// then calls resume(). The owner destroys the thread; destruction waits for it to end.
//
// Outcomes: WM_RIPERROR 1 (addressing refused) or 2 (no table of contents, no such track,
// a track of no length, or a track that is not where the job's first table of contents
// put it); {1000, 0} finished; {1000, 3} a read failed; {1000, 5} the title is no file
// name or the file is in use; {1000, 11} the WAV file could not be created or written
// (ElapsedText holds the system's reason); {1000, 6} the normalisation pass met a file
// error (the WAV stays as extracted); nothing when stopped. A track that failed leaves no
// WAV file behind: half a track that passes for a whole one is worse than none.
//
// Reading follows the settings SecureMode (verified reads, re-read until sure) and
// ReadOffset (the drive's read offset in samples, corrected by reading the neighbouring
// sectors, silence beyond the disc's ends). With both off the drive sees the plain reads
// of old, block by block.
class TCDRipThread : public QThread
{
    Q_OBJECT

public:
    static constexpr std::int32_t StatusDone = 0;
    static constexpr std::int32_t StatusReadFailed = 3;
    static constexpr std::int32_t StatusFileFailed = 5;
    static constexpr std::int32_t StatusNormalizeFailed = 6;
    static constexpr std::int32_t StatusWriteFailed = 11;
    static constexpr std::intptr_t ErrorAddressing = 1;
    static constexpr std::intptr_t ErrorTableOfContents = 2;

    TCDRipThread(std::int32_t trackNumber, const QString& title, QObject* parent = nullptr);
    ~TCDRipThread() override;

    void setDriveHandle(CDHandle handle) { m_driveHandle = handle; }
    void setWindow(QObject* window) { m_window = window; }
    void resume() { start(); }

    // Asks the thread to end after the block it is reading; the WAV written so far is
    // completed and kept, and nothing more is posted.
    void stop() { m_stop.store(true); }
    bool stopRequested() const { return m_stop.load(); }

    // The table of contents the job began with: a track whose place or length differs in
    // the one read now (a disc that was changed, an image that shrank) is not extracted.
    void setReferenceToc(const TOC& toc) { m_reference = toc; }
    // The table of contents this run read; empty until it was read, or when that failed.
    // Read it only after the thread has ended.
    const std::optional<TOC>& tableOfContents() const { return m_toc; }

    // Sees the track's audio after offset correction, before it is written; owned by the
    // caller, set before resume().
    void setAudioSink(TrackAudioSink* sink) { m_sink = sink; }
    // How this run read: secure or not, the offset applied, and what the verified reads
    // went through (all zero in normal mode). Read them only after the thread has ended.
    bool readSecurely() const { return m_secure; }
    int readOffset() const { return m_offset; }
    const SecureReadStats& readStats() const { return m_readStats; }

    std::int32_t trackNumber() const { return m_trackNumber; }
    QString title() const { return m_title; }

    // The 44-byte PCM header for 44,100 Hz 16-bit stereo with `dataBytes` of audio.
    static QByteArray wavHeader(std::uint32_t dataBytes);
    // One normalised sample: s x factor rounded half to even, clipped to 16 bits.
    static std::int16_t scaleSample(std::int16_t sample, float factor);

    // How long a progress record may wait to be posted together with the next ones.
    static constexpr int ProgressBatchMs = 4;

protected:
    void run() override;

private:
    void Execute();
    void extract(const QString& path, std::int64_t start, std::int64_t length, std::int64_t discEnd,
                 const TrackAudioInfo& info);
    bool normalize(const QString& path, std::int32_t percent);
    void postProgress(std::int64_t progress, const QElapsedTimer& started);
    void flushProgress();
    void postOutcome(std::int32_t status, const QString& reason = QString());
    void postRipError(std::intptr_t error);

    std::int32_t m_trackNumber;
    QString m_title;
    CDHandle m_driveHandle = 0;
    QObject* m_window = nullptr;
    std::atomic<bool> m_stop{false};
    std::optional<TOC> m_reference;
    std::optional<TOC> m_toc;
    TrackAudioSink* m_sink = nullptr;
    bool m_secure = false;
    int m_offset = 0;
    SecureReadStats m_readStats;

    // Progress records wait here for at most a few milliseconds: a fast disc finishes a
    // block every few dozen microseconds, and waking the window for each record alone
    // costs more than the read. Every record is still posted, in order, before anything
    // that follows it.
    std::vector<TProcessInfo> m_pending;
    QElapsedTimer m_lastPost;
    std::int64_t m_textElapsed = -1;
    std::int64_t m_textProgress = -1;
    QString m_elapsedText;
    QString m_estimatedText;
};
