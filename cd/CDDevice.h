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

// One opened drive or disc image. The drive library serialises the calls on one device.
class CDDevice
{
public:
    virtual ~CDDevice() = default;

    // False when there is no readable disc.
    virtual bool readLayout(DiscLayout& layout) = 0;
    // The disc is an audio CD (every track audio).
    virtual bool holdsAudioDisc() = 0;
    // Reads `frames` raw 2352-byte frames from block `lsn` (0 = 00:02:00) into dest as
    // little-endian 16-bit stereo; false unless every byte was read.
    virtual bool readAudio(std::int32_t lsn, int frames, std::uint8_t* dest) = 0;
};
