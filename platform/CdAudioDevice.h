#pragma once

#include <QObject>
#include <cstdint>
#include <optional>
#include <vector>

// The disc a CD audio device plays: its table of contents and its raw audio blocks.
// Block addresses count from the start of the disc's program area (0 = 00:02:00).
class CdAudioSource
{
public:
    struct Track
    {
        int number = 0;
        std::int32_t start = 0;
        bool audio = true;
    };

    virtual ~CdAudioSource() = default;
    // False when no disc can be read. leadOut is the first block after the last track.
    virtual bool readTracks(std::vector<Track>& tracks, std::int32_t& leadOut) = 0;
    // Reads `frames` (1 to 10) blocks of 2352 bytes (16-bit little-endian stereo at
    // 44,100 Hz) into dest; false unless every byte was read. Called on the device's worker.
    virtual bool readAudio(std::int32_t block, int frames, std::uint8_t* dest) = 0;
};

// A CD audio player: open on a disc, ask where a track starts, play from one position to
// another (or to the end of the disc), pause, resume, stop, close. Positions are block
// addresses. Every call returns false where the device reports an error.
class CdAudioDevice : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~CdAudioDevice() override = default;

    // Reads the disc's table of contents.
    virtual bool open() = 0;
    virtual bool isOpen() const = 0;
    // Where track `number` starts; nothing for a track the disc does not have.
    virtual std::optional<std::int32_t> trackPosition(int number) const = 0;
    // Plays from `from` up to (not including) `to`; without `to`, to the end of the
    // disc's audio. A new request replaces one that is running.
    virtual bool play(std::int32_t from, std::optional<std::int32_t> to) = 0;
    virtual bool pause() = 0;
    virtual bool resume() = 0;
    virtual bool isPaused() const = 0;
    // Silent at once; the position is forgotten.
    virtual bool stop() = 0;
    virtual bool close() = 0;

signals:
    // A play request reached its end position (not sent when it was stopped, replaced
    // or closed before). Delivered on the thread that owns the device.
    void playCompleted();
};
