#pragma once

#include "cd/CDDevice.h"
#include "cd/CDRecords.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace tarnwick {

// What a CDDB server needs to know about a disc: its disc ID, the start of every track in
// frames counted from 00:00:00 (so the first track usually starts at 150) and the length
// of the disc in whole seconds up to the lead-out.
struct CddbDisc
{
    std::uint32_t discId = 0;
    std::vector<std::int32_t> offsets;
    std::int32_t seconds = 0;
};

// The CDDB disc ID of a disc: the digit sums of every track's start in seconds, taken
// modulo 255, in the top byte; the playing time from the first track to the lead-out in
// seconds in the next two bytes; the number of tracks in the lowest byte. Every track of
// the table of contents counts, data tracks included, as other CDDB clients count them.
// A layout without tracks gives an empty record (disc ID 0, no offsets).
CddbDisc cddbDiscOf(const DiscLayout& layout);
std::uint32_t cddbDiscId(const DiscLayout& layout);

// The same for a table of contents read with minute-second-frame addressing
// (ModifyCDParms(handle, 36, 1) before ReadTOC).
std::uint32_t cddbDiscIdFromMsfToc(const TOC& toc);

// The disc ID as servers write it: eight lowercase hexadecimal digits.
QString cddbDiscIdText(std::uint32_t discId);

} // namespace tarnwick
