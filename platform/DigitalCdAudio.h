#pragma once

#include "platform/CdAudioDevice.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class WaveAudio;
class WaveOutput;
struct WaveBlock;

// A CD audio device that plays digitally: a worker reads the disc's blocks and queues
// them on the sound output, a few short blocks ahead, so sound starts at once and a
// stop is silent within a moment.
class DigitalCdAudio : public CdAudioDevice
{
    Q_OBJECT
public:
    // audio: nullptr uses the process-wide sound output.
    explicit DigitalCdAudio(std::unique_ptr<CdAudioSource> source, WaveAudio* audio = nullptr);
    ~DigitalCdAudio() override;

    bool open() override;
    bool isOpen() const override { return m_open; }
    std::optional<std::int32_t> trackPosition(int number) const override;
    bool play(std::int32_t from, std::optional<std::int32_t> to) override;
    bool pause() override;
    bool resume() override;
    bool isPaused() const override { return m_paused; }
    bool stop() override;
    bool close() override;

    // Blocks of the disc read ahead of what is heard, and the frames of each.
    static constexpr int QueuedBlocks = 3;
    static constexpr int FramesPerBlock = 4;

private:
    struct Buffer;
    void run(std::int32_t from, std::int32_t to);
    void blockDone(WaveBlock* block);
    // The end of the audio that a play from `from` may reach: the first data track
    // after it, or the lead-out.
    std::int32_t audioEnd(std::int32_t from) const;
    void endPlayback();

    std::unique_ptr<CdAudioSource> m_source;
    WaveAudio* m_audio;
    std::vector<CdAudioSource::Track> m_tracks;
    std::int32_t m_leadOut = 0;
    bool m_open = false;
    bool m_paused = false;

    std::unique_ptr<WaveOutput> m_output;
    std::vector<std::unique_ptr<Buffer>> m_buffers;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Buffer*> m_free; // guarded by m_mutex
    bool m_stopping = false;     // guarded by m_mutex
    std::thread m_worker;
};
