#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnwick::accuraterip {

// Samples (one left and one right 16-bit value) a sector holds, and how many sectors at the
// start of the disc's first and at the end of its last audio track the checksums leave
// out: drives with different read offsets cannot agree on those.
constexpr int SamplesPerSector = 588;
constexpr int SkippedSectors = 5;

// A track's two checksums.
struct TrackSums
{
    std::uint32_t v1 = 0;
    std::uint32_t v2 = 0;
    bool operator==(const TrackSums&) const = default;
};

// The AccurateRip v1 and v2 checksums of one track, fed its audio as it is read: 16-bit
// little-endian stereo, in order, in blocks of any size (a sample split between two blocks
// is joined). Every sample, read as one 32-bit word with the left channel in the low half,
// is multiplied by its position in the track counted from 1; v1 adds the low 32 bits of
// these products, v2 both halves of each. On the first track the positions below
// 5 x 588 do not count, on the last track those after the track's length minus 5 x 588.
//
// The sums of both ends are kept apart, so whether the track is the first or the last of
// the disc's audio may be decided after it was read.
class TrackChecksum
{
public:
    // `trackSamples` is the track's length in samples; samples past it do not count.
    explicit TrackChecksum(std::uint64_t trackSamples);
    TrackChecksum(int trackPosition, int trackCount, std::uint64_t trackSamples);

    void add(const std::uint8_t* bytes, std::size_t n);

    // The checksums of the track as the first and/or last track of the disc's audio.
    TrackSums sums(bool firstTrack, bool lastTrack) const;
    // The same for the position given to the constructor (a middle track without one).
    std::uint32_t v1() const;
    std::uint32_t v2() const;
    // Whole samples fed so far.
    std::uint64_t samples() const { return m_position; }

private:
    void addSamples(const std::uint8_t* bytes, std::uint64_t count);

    // Positions 1 ... m_headEnd are the head, m_tailStart ... length the tail; they may
    // overlap on a track shorter than both.
    std::uint64_t m_headEnd = 0;
    std::uint64_t m_tailStart = 0;
    std::uint64_t m_length = 0;
    bool m_first = false;
    bool m_last = false;
    std::uint64_t m_position = 0;
    // Indexed by (in head) + 2 x (in tail).
    std::uint32_t m_v1[4] = {};
    std::uint32_t m_v2[4] = {};
    std::uint8_t m_partial[4] = {};
    std::size_t m_partialBytes = 0;
};

// The CRC-32 (the one of zip files and PNG) of a track's audio bytes, fed in blocks.
class TrackCrc
{
public:
    void add(const std::uint8_t* bytes, std::size_t n);
    std::uint32_t value() const { return m_crc; }

private:
    std::uint32_t m_crc = 0;
};

} // namespace tarnwick::accuraterip
