#pragma once

#include "cd/CDRecords.h"

#include <QString>

namespace tarnwick {

// "Audio CD present": the first drive of the drive list holds a disc with at least one
// audio track. Only that drive is examined, whichever drive a handle belongs to.
bool audioCDPresent();

// The disc key of the first drive in the list that holds an audio CD: the serial number
// the other platform gives such a disc, as signed decimal text; empty when no drive holds
// an audio CD or its table of contents cannot be read.
QString discKey();

// The key of a table of contents read with minute-second-frame addressing: the sum of
// the start address words (M << 16) + (S << 8) + F of every track in 32 bits, or the
// lead-out word for a disc of one or two tracks.
QString discKeyFromToc(const TOC& toc);

} // namespace tarnwick
