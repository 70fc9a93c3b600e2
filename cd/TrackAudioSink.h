#pragma once

#include <cstddef>
#include <cstdint>

// What the extraction thread knows of the track it is about to read.
struct TrackAudioInfo
{
    std::int32_t position = 0;    // the track's row position, 1-based
    std::int32_t trackCount = 0;  // tracks in the disc's table of contents
    std::int64_t trackFrames = 0; // the whole track's length in sectors
    std::int64_t frames = 0;      // the sectors that will be extracted (less with RipTime)
    bool secure = false;          // read in secure mode
    int readOffset = 0;           // the drive read offset applied, in samples
};

// Sees every byte of a track's audio as it goes into the WAV file: after the read offset
// is corrected, before normalisation, in order, on the extraction thread. This is where
// checksums over the extracted audio (CRC32, AccurateRip) are computed on the fly. The
// thread's owner gives the sink before the thread starts and reads its results after the
// thread has ended.
class TrackAudioSink
{
public:
    virtual ~TrackAudioSink() = default;

    // Once, before the first block of the track.
    virtual void begin(const TrackAudioInfo& info) = 0;
    // Each block, little-endian 16-bit stereo, a whole number of sectors.
    virtual void audio(const std::uint8_t* data, std::size_t bytes) = 0;
    // Once, when reading ended: `complete` only when every sector of `frames` was read and
    // written (not after a read or write failure or a stop).
    virtual void end(bool complete) = 0;
};
