#pragma once

#include "audio/TACSOutput.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

class WaveOutput;
struct WaveBlock;

// Plays its input on a sound output device. The worker keeps up to nine blocks of 8192
// bytes queued on the device (about 0.4 s of CD audio) and takes a 6 ms pause between
// steps; the device hands each block back once played, from its own thread. The end of a
// transfer waits for the last queued block to be heard, so OnDone means "silent again".
class TAudioOut : public TACSOutput
{
public:
    static constexpr std::int32_t blockBytes = 8192;
    static constexpr std::int32_t queueDepth = 8;

    explicit TAudioOut(QObject* owner = nullptr);
    ~TAudioOut() override;

    std::int32_t BaseChannel() const { return m_baseChannel; }
    // The output device's number. Raises "Component is buisy" while playing, and
    // "Channel n is not available" for a device the system does not have.
    void SetBaseChannel(std::int32_t channel);
    std::uint8_t Volume() const { return m_volume.load(); }
    // 255 passes the samples unchanged; lower values scale them linearly toward silence.
    void SetVolume(std::uint8_t volume) { m_volume = volume; }

    void FinishOutput() override;

    // Blocks queued on the device and not yet handed back.
    std::int32_t QueuedBlocks() const { return m_queued.load(); }

protected:
    void PrepareOutput() override;
    bool ProduceBlock(bool abort) override;

private:
    struct Block;

    // On the device's thread, under the device callback lock.
    void blockDone(WaveBlock* header);
    void releaseFinished();
    void closeDevice();
    void applyVolume(std::uint8_t* data, std::int32_t length) const;

    std::int32_t m_baseChannel = 0;
    std::atomic<std::uint8_t> m_volume{255};
    std::int32_t m_bits = 16;

    std::unique_ptr<WaveOutput> m_device;
    std::atomic<std::int32_t> m_queued{0};
    // The blocks the device has played, in the order it returned them; guarded by the
    // device callback lock.
    WaveBlock* m_finishedHead = nullptr;
    WaveBlock* m_finishedTail = nullptr;
    // FinishOutput waits here for the queued count to reach 0.
    std::mutex m_returnMutex;
    std::condition_variable m_returned;
};
