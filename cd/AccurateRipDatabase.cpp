#include "cd/AccurateRipDatabase.h"

namespace tarnwick::accuraterip {

namespace {

constexpr qsizetype ChunkHeaderBytes = 13;
constexpr qsizetype TrackEntryBytes = 9;

std::uint32_t wordAt(QByteArrayView bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return std::uint32_t{static_cast<std::uint8_t>(bytes[at + i])}; };
    return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

} // namespace

std::optional<std::vector<Pressing>> parseDatabaseFile(QByteArrayView bytes, const DiscIds& ids)
{
    if (bytes.isEmpty() || bytes.size() > MaxDatabaseFileBytes || !ids.valid()) {
        return std::nullopt;
    }
    std::vector<Pressing> pressings;
    for (qsizetype at = 0; at < bytes.size();) {
        if (bytes.size() - at < ChunkHeaderBytes) {
            return std::nullopt;
        }
        const int tracks = static_cast<std::uint8_t>(bytes[at]);
        if (tracks != ids.trackCount || wordAt(bytes, at + 1) != ids.id1 || wordAt(bytes, at + 5) != ids.id2 ||
            wordAt(bytes, at + 9) != ids.cddbId) {
            return std::nullopt;
        }
        at += ChunkHeaderBytes;
        if ((bytes.size() - at) / TrackEntryBytes < tracks) {
            return std::nullopt;
        }
        Pressing pressing;
        pressing.tracks.reserve(static_cast<std::size_t>(tracks));
        for (int t = 0; t < tracks; ++t, at += TrackEntryBytes) {
            pressing.tracks.push_back(
                {static_cast<std::uint8_t>(bytes[at]), wordAt(bytes, at + 1), wordAt(bytes, at + 5)});
        }
        pressings.push_back(std::move(pressing));
    }
    return pressings;
}

QString TrackVerdict::text() const
{
    switch (status) {
    case Status::Accurate:
        return QStringLiteral("accurate (confidence %1)").arg(confidence);
    case Status::NotAccurate:
        return QStringLiteral("not accurate");
    case Status::Unchecked:
        return QStringLiteral("not checked");
    case Status::NotInDatabase:
        break;
    }
    return QStringLiteral("not in database");
}

std::vector<TrackVerdict> verdictsFor(const std::optional<std::vector<Pressing>>& pressings,
                                      const std::vector<TrackSums>& sums)
{
    std::vector<TrackVerdict> verdicts(sums.size());
    if (!pressings) {
        return verdicts;
    }
    for (std::size_t t = 0; t < sums.size(); ++t) {
        bool held = false;
        int confidence = 0;
        for (const Pressing& pressing : *pressings) {
            if (t >= pressing.tracks.size() || pressing.tracks[t].confidence == 0) {
                continue;
            }
            held = true;
            const PressingTrack& entry = pressing.tracks[t];
            if (entry.checksum == sums[t].v1 || entry.checksum == sums[t].v2) {
                confidence += entry.confidence;
            }
        }
        TrackVerdict& verdict = verdicts[t];
        if (confidence > 0) {
            verdict.status = TrackVerdict::Status::Accurate;
            verdict.confidence = confidence;
        } else if (held) {
            verdict.status = TrackVerdict::Status::NotAccurate;
        }
    }
    return verdicts;
}

} // namespace tarnwick::accuraterip
