#pragma once

#include <QByteArray>
#include <cstdint>
#include <vector>

// One pressing's chunk of an AccurateRip database file as the database writes it: track
// count, id1, id2 and the CDDB ID, then confidence, checksum and sector-450 checksum per
// track, little-endian. A file is one or more chunks one after the other.
struct AccurateRipEntry
{
    int confidence = 0;
    std::uint32_t checksum = 0;
    std::uint32_t frame450 = 0;
};

QByteArray accurateRipChunk(std::uint32_t id1, std::uint32_t id2, std::uint32_t cddbId,
                            const std::vector<AccurateRipEntry>& tracks);
