#pragma once

#include "cd/CDRecords.h"
#include "cli/CliFormats.h"
#include "cli/CliJob.h"

#include <functional>
#include <memory>

class RipVerification;
class TCDRipThread;

// Rips tracks: the extraction thread reads one track at a time (one drive) and runs ahead
// of up to `jobs` encoders; at most jobs + 1 WAV files wait on disk at any moment. Each
// WAV is encoded with the job window's encoder and settings, tagged as the window tags
// it, and removed once its encoded file is whole (unless the WAVs are kept).
class RipJob : public CliJob
{
    Q_OBJECT

public:
    RipJob(CDHandle handle, std::vector<std::unique_ptr<WorkItem>> items, const CliFormat& format, int jobs,
           bool keepWav, ProgressView& view, QObject* parent = nullptr);
    ~RipJob() override;

    void start() override;
    void stop() override;

    // The most disk space the job's WAV files took at once, in bytes.
    qint64 peakWavBytes() const { return m_peakWavBytes; }
    // WAV files that were extracted whole but not encoded (kept so no audio is lost).
    QStringList keptWavs() const;
    // After a job that ended by itself, with SecureMode or AccurateRip on: looks the disc up
    // in the AccurateRip database (waiting for the network, a few seconds at most), prints
    // the verdicts and writes the rip log beside the files. Does nothing otherwise, and
    // nothing more once `stopped` turns true (the lookup ends then too).
    void verifyAndLog(const std::function<bool()>& stopped);

protected:
    bool event(QEvent* event) override;
    void itemEncoded(WorkItem* item) override;
    bool idle() const override;

private:
    void extractNext();
    void trackExtracted(std::int32_t status);
    void driveFailed(std::intptr_t error);
    void endExtraction();
    void noteTrackEnded(const WorkItem& item, std::int32_t status);
    void measureWavs();
    WorkItem* extracting() const;

    CDHandle m_handle;
    const CliFormat& m_format;
    int m_jobs;
    bool m_keepWav;
    std::unique_ptr<TCDRipThread> m_thread;
    std::unique_ptr<RipVerification> m_verification; // only with SecureMode or AccurateRip on
    int m_extractingIndex = -1;
    qint64 m_peakWavBytes = 0;
};
