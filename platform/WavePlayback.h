#pragma once

#include "platform/WaveAudio.h"

#include <QString>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// Plays a stretch of PCM through the audio service on a thread of its own, keeping only a
// few short blocks queued so that stop() is heard at once. The sound is read in place:
// it must stay unchanged until the playback has stopped or finished.
class WavePlayback
{
public:
    // Opens the default output in `format`; throws WaveAudioError when it cannot.
    WavePlayback(WaveAudio& audio, const PcmFormat& format, const char* data, std::int64_t bytes);
    ~WavePlayback();
    WavePlayback(const WavePlayback&) = delete;
    WavePlayback& operator=(const WavePlayback&) = delete;

    // Ends playback: what is queued plays out (a few tens of milliseconds), nothing more.
    void stop();
    // Every byte was played, or the device went away.
    bool finished() const { return m_finished; }
    // Blocks until every byte was played (or the device went away).
    void waitForEnd();
    std::int64_t playedBytes() const;
    QString errorString() const;

private:
    void run();
    void blockDone(WaveBlock* block);

    static constexpr int queued = 3;
    const char* m_data;
    std::int64_t m_bytes;
    std::int64_t m_blockBytes;
    std::unique_ptr<WaveOutput> m_output;
    std::array<WaveBlock, queued> m_blocks{};

    mutable std::mutex m_mutex;
    std::condition_variable m_returned;
    int m_free = queued;
    std::int64_t m_played = 0;
    bool m_stop = false;
    QString m_error;
    std::atomic<bool> m_finished{false};
    std::thread m_thread;
};
