#pragma once

#include <cstddef>
#include <cstdint>

// The records of the CD drive library, packed and little-endian, with the sizes and
// offsets callers rely on. Only the fields named here carry meaning; every other byte is
// zero.

using CDHandle = std::uint32_t; // 0 = no drive

#pragma pack(push, 1)

struct CDDriveEntry
{
    std::uint8_t hostAdapter;
    std::uint8_t target;
    std::uint8_t lun;
    std::uint8_t reserved1[66];
    char vendor[9];   // NUL-terminated
    char product[17]; // NUL-terminated
    std::uint8_t reserved2[26];
};

struct CDDriveList
{
    static constexpr int MaxEntries = 8;
    std::uint8_t capacity; // set by the caller (8)
    std::uint8_t count;    // set by GetCDList
    CDDriveEntry entries[MaxEntries];
};

struct CDHandleRequest
{
    std::uint8_t size;    // 12
    std::uint8_t version; // 1
    std::uint8_t hostAdapter;
    std::uint8_t target;
    std::uint8_t lun;
    std::uint8_t reserved[7];
};

struct TOCEntry
{
    std::uint8_t reserved1;
    std::uint8_t control;     // 0x10 audio, 0x14 data
    std::uint8_t trackNumber; // 0xAA for the lead-out
    std::uint8_t reserved2;
    // Minute-second-frame addressing: 0, minutes, seconds, frames (absolute, so the first
    // track usually starts at 00:02:00). Block addressing: the block address, little-endian.
    std::uint8_t address[4];
};

struct TOC
{
    static constexpr int MaxEntries = 100;
    std::uint8_t length[2]; // bytes that follow this field, little-endian
    std::uint8_t firstTrack;
    std::uint8_t lastTrack;
    TOCEntry entries[MaxEntries]; // track t is entries[t - firstTrack]; then the lead-out
};

// A read request and its result; the audio follows the header in the same allocation
// (see allocTrackBuffer).
struct TrackBuffer
{
    std::uint32_t startFrame;
    std::uint32_t numFrames;
    std::uint32_t capacity; // bytes of room after the header
    std::uint32_t length;   // bytes returned
    std::uint32_t status;
    std::int32_t dataOffset; // where the returned bytes begin, counted from data()

    std::uint8_t* data() { return reinterpret_cast<std::uint8_t*>(this + 1); }
    const std::uint8_t* data() const { return reinterpret_cast<const std::uint8_t*>(this + 1); }
};

#pragma pack(pop)

static_assert(sizeof(CDDriveEntry) == 121);
static_assert(offsetof(CDDriveEntry, vendor) == 69);
static_assert(offsetof(CDDriveEntry, product) == 78);
static_assert(sizeof(CDDriveList) == 970);
static_assert(sizeof(CDHandleRequest) == 12);
static_assert(sizeof(TOCEntry) == 8);
static_assert(sizeof(TOC) == 804);
static_assert(sizeof(TrackBuffer) == 24);

namespace cdaudio {
constexpr int FrameBytes = 2352;
constexpr int FramesPerSecond = 75;
constexpr int MaxReadFrames = 10;
constexpr std::uint8_t LeadOutTrack = 0xAA;
constexpr int AddressingParameter = 36;
} // namespace cdaudio
