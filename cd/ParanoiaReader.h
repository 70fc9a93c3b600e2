#pragma once

#include "cd/CDDevice.h"

#include <cdio/cdio.h>
#include <cstdint>

struct cdrom_drive_s;
struct cdrom_paranoia_s;

// Verified reading of one opened drive or image through libcdio-paranoia in its full
// mode: overlapping reads compared, jitter corrected, a stretch that will not verify
// re-read up to MaxRetries times and then delivered as read (counted as a skip), so a
// scratched sector costs time but can never hold the rip for ever. Works over the
// device's own libcdio handle and never closes it.
class ParanoiaReader
{
public:
    // The retries per stretch before paranoia gives up on it; cd-paranoia's own default.
    static constexpr int MaxRetries = 20;

    explicit ParanoiaReader(CdIo_t* cdio);
    ~ParanoiaReader();
    ParanoiaReader(const ParanoiaReader&) = delete;
    ParanoiaReader& operator=(const ParanoiaReader&) = delete;

    // False when paranoia could not take the disc on (no table of contents).
    bool isOpen() const { return m_paranoia != nullptr; }

    // Reads `frames` sectors from `lsn` as little-endian 16-bit stereo. Reading on from
    // where the previous call ended keeps paranoia's cache; any other place seeks. Fails
    // when paranoia cannot deliver, or when the drive reported a hard error in a stretch
    // that paranoia then gave up on: those samples were never read at all.
    bool read(std::int32_t lsn, int frames, std::uint8_t* dest, SecureReadStats& stats);

private:
    CdIo_t* m_cdio;
    cdrom_drive_s* m_drive = nullptr;
    cdrom_paranoia_s* m_paranoia = nullptr;
    std::int32_t m_next = -1; // the sector paranoia reads next; -1 before the first seek
};
