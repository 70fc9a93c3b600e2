#pragma once

#include "cd/AccurateRipChecksum.h"
#include "cd/AccurateRipLookup.h"
#include "cd/CDDevice.h"
#include "cd/CDRecords.h"
#include "cd/RipLog.h"
#include "cd/TrackAudioSink.h"

#include <QList>
#include <QString>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>

struct TSettings;

// What an extraction job proves about its copy: the CRC-32 and AccurateRip checksums of
// every track, taken from the extraction thread's audio as it is read, the disc's lookup
// in the AccurateRip database at the end and the rip log. The job window and tarnwick-cli
// both drive one per extraction job:
//   sinkFor(row) before a track's thread starts, trackEnded(...) after it ended,
//   setTableOfContents(...) once, then at the end lookUp() (off the GUI thread: it waits
//   for the network) and the verdicts and the log.
// With SecureMode and AccurateRip off it does nothing at all (active() is false), so a job
// reads, writes and says exactly what it did before.
class RipVerification
{
public:
    struct Options
    {
        bool secure = false;
        int readOffset = 0;
        bool accurateRip = false;
        QString databaseUrl;
        bool normalize = false;
    };
    static Options optionsFrom(const TSettings& settings);

    explicit RipVerification(const Options& options);
    ~RipVerification();
    RipVerification(const RipVerification&) = delete;
    RipVerification& operator=(const RipVerification&) = delete;

    // Something to check or log: SecureMode or AccurateRip is on. Only then is a log written.
    bool active() const { return m_options.secure || m_options.accurateRip; }
    bool accurateRip() const { return m_options.accurateRip; }

    // The sink for the extraction of the track at row position `row`; nullptr when not
    // active. It stays valid until the next sinkFor(row) or the object's end.
    TrackAudioSink* sinkFor(int row);
    // After the track's thread ended. `file` is the file the job makes of it; `problem`
    // empty when the track was extracted whole, else what went wrong.
    void trackEnded(int row, const QString& file, const QString& problem, const SecureReadStats& stats);
    // What the log says of a track whose thread ended with `status` (TCDRipThread's
    // outcomes); empty for a track extracted whole.
    static QString problemFor(std::int32_t status);
    void setTableOfContents(const TOC& toc);
    void setDrive(const QString& drive) { m_drive = drive; }

    // AccurateRip is on and at least one track was read whole from a disc whose table of
    // contents is known: the database has something to say.
    bool verifies() const;
    // Looks the disc up (blocking: at most `timeout`, less when `stop` turns true) and
    // works out the verdicts. Without verifies() it only marks the tracks unverified.
    void lookUp(std::chrono::milliseconds timeout, const std::atomic<bool>* stop = nullptr,
                std::function<bool()> cancelled = {});

    // One line per track, "Track 01: accurate (confidence 3)", then the summary line.
    QString verdictText() const;
    // The outcome in one line for a status bar: "AccurateRip: 3 of 3 tracks accurate
    // (confidence 12)", "AccurateRip: disc not in database", "AccurateRip could not be
    // reached: <why>"; empty with AccurateRip off.
    QString statusLine() const;
    // The rows of the tracks the database holds other rips of, none like ours: the copy of
    // each is most likely damaged.
    QList<int> notAccurateRows() const;
    // The disc's number of the track at row position `row`.
    int trackNumber(int row) const;
    RipLogInfo logInfo() const;
    // Writes the log into `folder` as RipLog::fileName(album, discKey); the path on success.
    std::optional<QString> writeLog(const QString& folder, const QString& album, QString* error = nullptr) const;

private:
    struct Track
    {
        class Sink;
        std::unique_ptr<Sink> sink;
        bool ended = false;
        QString file;
        QString problem;
        SecureReadStats stats;
        std::optional<tarnwick::accuraterip::TrackVerdict> verdict;
    };

    // "disc not in database", "could not be reached: <reason>", ...; empty for Found.
    static QString outcomeText(tarnwick::accuraterip::LookupResult::Outcome outcome, const QString& reason);
    // The AccurateRip position (1-based among the audio tracks) of a row; 0 for none.
    int audioPosition(int row) const;
    std::optional<tarnwick::accuraterip::TrackSums> sumsOf(int row, const Track& track) const;

    Options m_options;
    QString m_drive;
    std::optional<TOC> m_toc;
    tarnwick::accuraterip::DiscIds m_ids;
    std::map<int, Track> m_tracks;
    QString m_database; // the file looked up, or why there is no verdict
    bool m_lookedUp = false;
    // How the database answered, once it was asked, and why it gave no verdict, in a few words.
    std::optional<tarnwick::accuraterip::LookupResult::Outcome> m_outcome;
    QString m_reason;
};
