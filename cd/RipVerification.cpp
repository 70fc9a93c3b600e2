#include "cd/RipVerification.h"

#include "cd/AudioDisc.h"
#include "cd/TCDRipThread.h"
#include "common/ProductInfo.h"
#include "settings/TSettings.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>

namespace ar = tarnwick::accuraterip;

// Computes a track's checksums from the thread's audio. The CRC covers every byte written;
// the AccurateRip sums only a track read from its first sector to its last (RipTime cuts
// it short otherwise, and a part of a track matches nothing).
class RipVerification::Track::Sink : public TrackAudioSink
{
public:
    explicit Sink(bool checksums) : m_checksums(checksums) {}

    void begin(const TrackAudioInfo& info) override
    {
        m_whole = info.frames == info.trackFrames && info.trackFrames > 0;
        m_frames = info.frames;
        if (m_checksums && m_whole) {
            m_sums.emplace(static_cast<std::uint64_t>(info.trackFrames) * ar::SamplesPerSector);
        }
    }
    void audio(const std::uint8_t* data, std::size_t bytes) override
    {
        m_crc.add(data, bytes);
        if (m_sums) {
            m_sums->add(data, bytes);
        }
        m_bytes += bytes;
    }
    void end(bool complete) override { m_complete = complete; }

    // Every sector of the track as extracted was seen.
    bool complete() const
    {
        return m_complete && m_bytes == static_cast<std::uint64_t>(m_frames) * cdaudio::FrameBytes;
    }
    std::uint32_t crc() const { return m_crc.value(); }
    const std::optional<ar::TrackChecksum>& sums() const { return m_sums; }

private:
    bool m_checksums;
    bool m_whole = false;
    bool m_complete = false;
    std::int64_t m_frames = 0;
    std::uint64_t m_bytes = 0;
    ar::TrackCrc m_crc;
    std::optional<ar::TrackChecksum> m_sums;
};

RipVerification::Options RipVerification::optionsFrom(const TSettings& settings)
{
    return {settings.SecureMode, settings.ReadOffset, settings.AccurateRip, settings.AccurateRipURL,
            settings.IsNormalize};
}

RipVerification::RipVerification(const Options& options) : m_options(options) {}

RipVerification::~RipVerification() = default;

TrackAudioSink* RipVerification::sinkFor(int row)
{
    if (!active()) {
        return nullptr;
    }
    Track& track = m_tracks[row];
    track = Track();
    track.sink = std::make_unique<Track::Sink>(m_options.accurateRip);
    return track.sink.get();
}

void RipVerification::trackEnded(int row, const QString& file, const QString& problem, const SecureReadStats& stats)
{
    if (!active()) {
        return;
    }
    Track& track = m_tracks[row];
    track.ended = true;
    track.file = file;
    track.problem = problem;
    if (problem.isEmpty() && (!track.sink || !track.sink->complete())) {
        track.problem = QStringLiteral("the track was not read whole");
    }
    track.stats = stats;
}

QString RipVerification::problemFor(std::int32_t status)
{
    switch (status) {
    case TCDRipThread::StatusDone:
    case TCDRipThread::StatusNormalizeFailed: // extracted whole; only the later pass failed
        return QString();
    case TCDRipThread::StatusReadFailed:
        return QStringLiteral("the read failed");
    case TCDRipThread::StatusFileFailed:
        return QStringLiteral("the title is no file name, or the file is in use");
    case TCDRipThread::StatusWriteFailed:
        return QStringLiteral("the file could not be written");
    default:
        return QStringLiteral("the track could not be extracted");
    }
}

void RipVerification::setTableOfContents(const TOC& toc)
{
    m_toc = toc;
    m_ids = ar::discIdsOf(ar::layoutFromMsfToc(toc));
}

int RipVerification::audioPosition(int row) const
{
    if (!m_toc) {
        return 0;
    }
    const int number = int{m_toc->firstTrack} + row - 1;
    for (std::size_t i = 0; i < m_ids.trackNumbers.size(); ++i) {
        if (m_ids.trackNumbers[i] == number) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

std::optional<ar::TrackSums> RipVerification::sumsOf(int row, const Track& track) const
{
    const int position = audioPosition(row);
    if (!track.sink || !track.sink->sums() || !track.problem.isEmpty() || position == 0) {
        return std::nullopt;
    }
    return track.sink->sums()->sums(position == 1, position == m_ids.trackCount);
}

bool RipVerification::verifies() const
{
    if (!m_options.accurateRip || !m_ids.valid()) {
        return false;
    }
    for (const auto& [row, track] : m_tracks) {
        if (sumsOf(row, track)) {
            return true;
        }
    }
    return false;
}

void RipVerification::lookUp(std::chrono::milliseconds timeout, const std::atomic<bool>* stop,
                             std::function<bool()> cancelled)
{
    m_lookedUp = true;
    if (!verifies()) {
        return;
    }
    ar::LookupRequest request;
    request.baseUrl = m_options.databaseUrl;
    request.ids = m_ids;
    request.timeout = timeout;
    request.stop = stop;
    request.cancelled = std::move(cancelled);
    const ar::LookupResult result = ar::lookUp(request);
    m_outcome = result.outcome;
    m_reason = result.shortError.isEmpty() ? result.error : result.shortError;
    m_database = QString::fromUtf8(result.url);
    if (result.outcome != ar::LookupResult::Outcome::Found) {
        m_database += QStringLiteral(" (") + outcomeText(result.outcome, result.error) + QLatin1Char(')');
    }
    // Every audio track's checksums, in disc order, so each verdict finds its pressing entry.
    std::vector<ar::TrackSums> sums(static_cast<std::size_t>(m_ids.trackCount));
    for (const auto& [row, track] : m_tracks) {
        if (const auto s = sumsOf(row, track)) {
            sums[static_cast<std::size_t>(audioPosition(row) - 1)] = *s;
        }
    }
    const std::vector<ar::TrackVerdict> verdicts = ar::verdictsFor(result.pressings, sums);
    const bool checked = result.outcome == ar::LookupResult::Outcome::Found ||
                         result.outcome == ar::LookupResult::Outcome::NotInDatabase;
    for (auto& [row, track] : m_tracks) {
        if (sumsOf(row, track)) {
            track.verdict = checked ? verdicts[static_cast<std::size_t>(audioPosition(row) - 1)]
                                    : ar::TrackVerdict{ar::TrackVerdict::Status::Unchecked, 0};
        }
    }
}

QString RipVerification::outcomeText(ar::LookupResult::Outcome outcome, const QString& reason)
{
    switch (outcome) {
    case ar::LookupResult::Outcome::Found:
        return QString();
    case ar::LookupResult::Outcome::NotInDatabase:
        return QStringLiteral("disc not in database");
    case ar::LookupResult::Outcome::Unreachable:
        return QStringLiteral("could not be reached: ") + reason;
    case ar::LookupResult::Outcome::Failed:
        break;
    }
    return QStringLiteral("could not be checked: ") + reason;
}

QString RipVerification::statusLine() const
{
    if (!m_options.accurateRip) {
        return QString();
    }
    if (!m_outcome) {
        return QStringLiteral("AccurateRip: nothing verified, no track was read whole");
    }
    if (*m_outcome != ar::LookupResult::Outcome::Found) {
        const QString text = outcomeText(*m_outcome, m_reason);
        return *m_outcome == ar::LookupResult::Outcome::NotInDatabase ? QStringLiteral("AccurateRip: ") + text
                                                                      : QStringLiteral("AccurateRip ") + text;
    }
    const RipLogInfo info = logInfo();
    int accurate = 0;
    int confidence = 0; // the least of the accurate tracks': what every one of them has at least
    QStringList notAccurate;
    QStringList notFound;
    QStringList unverified;
    for (const RipLogTrack& track : info.tracks) {
        const QString number = QString::number(track.number);
        if (!track.verdict || !track.problem.isEmpty()) {
            unverified << number;
        } else if (track.verdict->status == ar::TrackVerdict::Status::Accurate) {
            confidence = accurate == 0 ? track.verdict->confidence : std::min(confidence, track.verdict->confidence);
            ++accurate;
        } else if (track.verdict->status == ar::TrackVerdict::Status::NotAccurate) {
            notAccurate << number;
        } else {
            notFound << number;
        }
    }
    QString line = QStringLiteral("AccurateRip: %1 of %2 tracks accurate").arg(accurate).arg(info.tracks.size());
    if (accurate > 0) {
        line += QStringLiteral(" (confidence %1)").arg(confidence);
    }
    const auto add = [&line](const QString& what, const QStringList& numbers) {
        if (!numbers.isEmpty()) {
            line += QStringLiteral("; ") + what +
                    (numbers.size() == 1 ? QStringLiteral(": track ") : QStringLiteral(": tracks ")) +
                    numbers.join(QStringLiteral(", "));
        }
    };
    add(QStringLiteral("not accurate"), notAccurate);
    add(QStringLiteral("not in database"), notFound);
    add(QStringLiteral("not verified"), unverified);
    return line;
}

QList<int> RipVerification::notAccurateRows() const
{
    QList<int> rows;
    for (const auto& [row, track] : m_tracks) {
        if (track.verdict && track.verdict->status == ar::TrackVerdict::Status::NotAccurate) {
            rows << row;
        }
    }
    return rows;
}

int RipVerification::trackNumber(int row) const
{
    return m_toc ? int{m_toc->firstTrack} + row - 1 : row;
}

RipLogInfo RipVerification::logInfo() const
{
    RipLogInfo info;
    info.program = ProductInfo::name;
    info.version = ProductInfo::versionLine;
    info.drive = m_drive;
    info.when = QDateTime::currentDateTimeUtc();
    info.secure = m_options.secure;
    info.readOffset = m_options.readOffset;
    info.accurateRip = m_options.accurateRip;
    info.normalized = m_options.normalize;
    info.database = m_database;
    for (const auto& [row, track] : m_tracks) {
        if (!track.ended) {
            continue;
        }
        RipLogTrack line;
        line.number = trackNumber(row);
        line.file = track.problem.isEmpty() ? track.file : QString();
        line.problem = track.problem;
        if (track.sink) {
            line.crc = track.sink->crc();
        }
        line.checksums = sumsOf(row, track);
        line.verdict = track.verdict;
        if (m_options.accurateRip && line.checksums && !line.verdict) {
            line.verdict = ar::TrackVerdict{ar::TrackVerdict::Status::Unchecked, 0}; // not looked up
        }
        if (m_options.secure) {
            line.repairs = track.stats.corrections;
            line.readErrors = track.stats.readErrors;
            line.unverified = track.stats.skips;
        }
        info.tracks.push_back(line);
    }
    return info;
}

QString RipVerification::verdictText() const
{
    const RipLogInfo info = logInfo();
    QStringList lines;
    for (const RipLogTrack& track : info.tracks) {
        const QString verdict = track.verdict             ? track.verdict->text()
                                : track.problem.isEmpty() ? QStringLiteral("not verified")
                                                          : track.problem;
        lines << QStringLiteral("Track %1: %2").arg(track.number, 2, 10, QLatin1Char('0')).arg(verdict);
    }
    lines << RipLog::summary(info);
    return lines.join(QStringLiteral("\r\n"));
}

std::optional<QString> RipVerification::writeLog(const QString& folder, const QString& album, QString* error) const
{
    if (!active()) {
        return std::nullopt;
    }
    const QString key = m_toc ? tarnwick::discKeyFromToc(*m_toc) : QString();
    const QDir dir(folder);
    const QString path = dir.filePath(RipLog::fileName(album, key));
    RipLogInfo info = logInfo();
    for (RipLogTrack& track : info.tracks) {
        // A track whose encoding failed is in the folder as the WAV it was kept as: the log
        // names the file the user finds, whose audio the CRC is of.
        const QString wav = QFileInfo(track.file).completeBaseName() + QStringLiteral(".wav");
        if (!track.file.isEmpty() && !dir.exists(track.file) && dir.exists(wav)) {
            track.file = wav;
        }
    }
    if (!RipLog::write(path, info, error)) {
        return std::nullopt;
    }
    return path;
}
