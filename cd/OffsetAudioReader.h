#pragma once

#include <cstdint>
#include <functional>
#include <vector>

// Corrects a drive's read offset: hands out the audio a perfect drive would give by
// reading the neighbouring sectors and taking the samples `offset` further on (a
// positive offset reads later samples, a negative one earlier ones). Samples before
// sector 0 or at and after the disc's end read as silence, as a perfect drive would
// give them. Positions count sectors of 588 stereo samples in the caller's addressing.
//
// Sequential reads overlap by one sector when the offset is not a whole number of
// sectors; that sector is kept from the previous read instead of being read again, so
// the drive sees one unbroken run of sectors (which verified reading relies on).
class OffsetAudioReader
{
public:
    static constexpr int SamplesPerSector = 588;
    static constexpr int SectorBytes = 2352;

    // Reads `frames` (1 to maxFrames) whole sectors from `position` into dest.
    using SectorRead = std::function<bool(std::int32_t position, int frames, std::uint8_t* dest)>;

    // `discEnd` is the first position past the audio (the lead-out).
    OffsetAudioReader(SectorRead read, std::int32_t discEnd, int offsetSamples, int maxFrames);

    // Fills frames x 2352 bytes with the corrected audio of sectors [position,
    // position + frames); false when a read of the drive failed.
    bool read(std::int32_t position, int frames, std::uint8_t* dest);

private:
    bool readSectors(std::int64_t first, std::int64_t count, std::uint8_t* dest);

    SectorRead m_read;
    std::int64_t m_discEnd;
    int m_offset;
    int m_maxFrames;
    std::vector<std::uint8_t> m_staging;
    std::int64_t m_keptPosition = -1; // the last sector read, kept for the next read
    std::vector<std::uint8_t> m_kept;
};
