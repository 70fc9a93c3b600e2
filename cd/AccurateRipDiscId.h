#pragma once

#include "cd/CDDevice.h"
#include "cd/CDRecords.h"
#include "common/DiscSessions.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace tarnwick::accuraterip {

using tarnwick::SessionGapFrames;

// What the AccurateRip database files a disc under: the number of audio tracks, the two
// AccurateRip disc IDs and the CDDB disc ID.
struct DiscIds
{
    int trackCount = 0;
    std::uint32_t id1 = 0; // sum of the audio tracks' starts and the lead-out, in blocks from 00:02:00
    std::uint32_t id2 = 0; // the same, each start times the audio track's position (1 for a start of 0)
    std::uint32_t cddbId = 0;
    // The disc's track number of every audio track, in the order the checksums are listed.
    std::vector<int> trackNumbers;

    bool valid() const { return trackCount > 0; }
    bool operator==(const DiscIds&) const = default;
};

// The IDs of a disc from its layout. Only audio tracks count for the AccurateRip IDs,
// numbered 1, 2, ... in their order on the disc whatever their track numbers; the end term
// is the disc's own lead-out, also on an enhanced CD whose data track comes last (so the
// IDs match what the database's own ripping programs ask for). The CDDB ID is the disc's ordinary one over every track, data tracks
// included: the database files discs under the ID that CDDB clients compute for them.
// A disc without audio tracks gives empty IDs (valid() false).
DiscIds discIdsOf(const DiscLayout& layout);

// The layout of a table of contents read with minute-second-frame addressing.
DiscLayout layoutFromMsfToc(const TOC& toc);

// Where the database keeps the disc's file: the base URL, then the lowest three hex digits
// of id1 as folders (lowest first), then "dBAR-<tracks>-<id1>-<id2>-<cddb>.bin".
QByteArray databaseUrl(const QString& baseUrl, const DiscIds& ids);

} // namespace tarnwick::accuraterip
