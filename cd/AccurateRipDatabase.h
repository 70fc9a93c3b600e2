#pragma once

#include "cd/AccurateRipChecksum.h"
#include "cd/AccurateRipDiscId.h"

#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace tarnwick::accuraterip {

// A database file is no bigger than a few kilobytes (a chunk of 13 + 9 x 99 bytes per
// pressing); an answer beyond this is not one.
constexpr qsizetype MaxDatabaseFileBytes = 1024 * 1024;

// One pressing of a disc as the database lists it: for every audio track how many rips
// agreed, their checksum, and the checksum of the track's sector 450 (used to find a
// drive's read offset, not for verifying).
struct PressingTrack
{
    int confidence = 0;
    std::uint32_t checksum = 0;
    std::uint32_t frame450 = 0;
};

struct Pressing
{
    std::vector<PressingTrack> tracks;
};

// The pressings of a database file: repeated chunks of a track count (1 byte), id1, id2 and
// the CDDB ID (4 bytes each), then per track a confidence (1 byte), the checksum and the
// sector-450 checksum (4 bytes each), all little-endian. The file is taken whole or not at
// all: empty, cut inside a chunk, too big, or holding a chunk filed under other IDs than
// `ids`, it gives nothing. A file cut short could otherwise hide the pressing a track
// matches and call a good rip "not accurate"; a chunk of another disc means the server did
// not send the file asked for.
std::optional<std::vector<Pressing>> parseDatabaseFile(QByteArrayView bytes, const DiscIds& ids);

// What a track's checksums found in the database.
struct TrackVerdict
{
    // Unchecked: the database could not be asked, or gave no usable answer; nothing is
    // known of the track, which is not the same as the database not knowing it.
    enum class Status { NotInDatabase, NotAccurate, Accurate, Unchecked };
    Status status = Status::NotInDatabase;
    // The sum of the confidences of every pressing whose checksum for the track is its v1
    // or v2 checksum: each pressing counts other rips that agree with this one.
    int confidence = 0;

    // "accurate (confidence 12)", "not accurate", "not in database", "not checked".
    QString text() const;
    bool operator==(const TrackVerdict&) const = default;
};

// The verdict of every track (sums[i] is audio track i + 1). Without pressings every track
// is not in the database; so is a track no pressing holds a rip of (confidence 0 all
// through). Tracks beyond the pressings' length are not in the database either.
std::vector<TrackVerdict> verdictsFor(const std::optional<std::vector<Pressing>>& pressings,
                                      const std::vector<TrackSums>& sums);

} // namespace tarnwick::accuraterip
