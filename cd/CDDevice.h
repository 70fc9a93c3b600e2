#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// One track of a disc as a drive reports it; addresses are absolute block addresses
// (block 150 = 00:02:00, the usual start of the first track).
struct DiscTrack
{
    int number = 0;
    std::int32_t address = 0;
    bool audio = true;
};

struct DiscLayout
{
    int firstTrack = 1;
    std::vector<DiscTrack> tracks;
    std::int32_t leadOut = 0;
};

// What the drive list shows of a drive, and what is needed to open it again.
struct CDDeviceInfo
{
    QString path;
    QByteArray vendor;
    QByteArray product;
    bool isImage = false;
};

// What verified reading went through for one stretch of audio (a track): paranoia's own
// reports, counted. A clean read shows only reads and verifications.
struct SecureReadStats
{
    std::int64_t sectors = 0;     // sectors delivered
    std::int64_t reads = 0;       // reads of the drive, overlapping re-reads included
    std::int64_t verified = 0;    // overlaps compared
    std::int64_t corrections = 0; // jitter, dropped or duplicated bytes put right
    std::int64_t skips = 0;       // stretches given up after the retries, delivered unverified
    std::int64_t readErrors = 0;  // hard read errors reported by the drive

    SecureReadStats& operator+=(const SecureReadStats& other)
    {
        sectors += other.sectors;
        reads += other.reads;
        verified += other.verified;
        corrections += other.corrections;
        skips += other.skips;
        readErrors += other.readErrors;
        return *this;
    }
    bool clean() const { return corrections == 0 && skips == 0 && readErrors == 0; }
};

// One opened drive or disc image. The drive library serialises the calls on one device.
class CDDevice
{
public:
    virtual ~CDDevice() = default;

    // False when there is no readable disc.
    virtual bool readLayout(DiscLayout& layout) = 0;
    // The disc is an audio CD: at least one of its tracks is audio (enhanced and
    // mixed-mode discs included).
    virtual bool holdsAudioDisc() = 0;
    // Reads `frames` raw 2352-byte frames from block `lsn` (0 = 00:02:00) into dest as
    // little-endian 16-bit stereo; false unless every byte was read.
    virtual bool readAudio(std::int32_t lsn, int frames, std::uint8_t* dest) = 0;
    // The same audio as readAudio, read until it is sure: overlapping reads compared,
    // jitter corrected, failed stretches re-read a bounded number of times. Reading on
    // from where the previous call ended keeps the verification's history; adds what
    // happened to `stats`. A device that cannot verify refuses rather than pretends.
    virtual bool readAudioSecure(std::int32_t lsn, int frames, std::uint8_t* dest, SecureReadStats& stats)
    {
        (void)lsn;
        (void)frames;
        (void)dest;
        (void)stats;
        return false;
    }
};
