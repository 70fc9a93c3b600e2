#pragma once

#include "platform/PcmWave.h"
#include "platform/WaveAudio.h"

#include <QByteArray>
#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class WavePlayback;

// The wave audio device: one WAV file held open for recording and playback. Opening reads
// the file's samples; recording inserts new sound at a position; nothing reaches the disk
// until save(), which writes the whole file or leaves the old one untouched. Positions and
// lengths are in the time format (milliseconds unless set otherwise). Everything runs on
// the caller's thread; capture and playback run on their own, through the audio service
// (WaveAudio::instance(), which tests replace).
class WaveAudioDevice
{
public:
    enum class Mode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };
    enum class TimeFormat { Milliseconds, Samples, Bytes };

    WaveAudioDevice();
    ~WaveAudioDevice();
    WaveAudioDevice(const WaveAudioDevice&) = delete;
    WaveAudioDevice& operator=(const WaveAudioDevice&) = delete;

    void setFileName(const QString& path) { m_fileName = path; }
    QString fileName() const { return m_fileName; }

    // Reads the file named above. False (with errorString()) when it cannot be read or is
    // not PCM the device handles; the device then stays closed.
    bool open();
    bool isOpen() const { return m_open; }
    void close();

    void setTimeFormat(TimeFormat format) { m_timeFormat = format; }
    TimeFormat timeFormat() const { return m_timeFormat; }
    PcmFormat format() const { return m_format; }

    // Length and position include what a running recording has captured so far.
    std::int64_t length() const;
    std::int64_t position() const;
    // NotReady while closed. Notices a lost capture device or the end of playback here.
    Mode mode();

    // Plays from `from` (else the current position) to the end, where the device stops
    // with its position at the end.
    bool play(std::optional<std::int64_t> from = std::nullopt);
    // Records into the sound at `from` (else at the current position): what is captured
    // is inserted there, and the position moves to its end.
    bool record(std::optional<std::int64_t> from = std::nullopt);
    // Ends playback or recording; a recording's sound is kept.
    void stop();
    // Writes the whole sound, a running recording's part included, into the open file.
    bool save();
    void seekToStart();
    void seekToEnd();

    // Blocks until a running recording has made the sound `length` long; false when no
    // recording runs or its device went away first.
    bool waitForLength(std::int64_t length);
    // Blocks until a running playback has reached the end.
    void waitForPlaybackEnd();

    // Whether a recording device opens in the open file's format (probed, then closed).
    bool canRecord();

    QString errorString() const { return m_error; }
    // The whole sound as it stands (tests, and the window's length checks).
    QByteArray samples() const;

private:
    std::int64_t toFrames(std::int64_t units) const;
    std::int64_t fromFrames(std::int64_t frames) const;
    std::int64_t frameCount() const;
    void finishRecording();
    bool fail(const QString& text);

    void finishPlayback();

    std::unique_ptr<WaveInput> m_input;
    std::unique_ptr<WavePlayback> m_playback;
    std::int64_t m_playFrom = 0;
    QString m_fileName;
    QString m_error;
    bool m_open = false;
    TimeFormat m_timeFormat = TimeFormat::Milliseconds;
    PcmFormat m_format;
    QByteArray m_data;
    std::int64_t m_positionFrames = 0;
    Mode m_mode = Mode::NotReady;

    // Filled on the capture thread while recording; inserted at m_recordFrom when it ends.
    mutable std::mutex m_captureMutex;
    std::condition_variable m_captureGrew;
    QByteArray m_captured;
    std::int64_t m_recordFrom = 0;
};
