#include "support/FakeWaveAudio.h"

class FakeWaveOutput : public WaveOutput
{
public:
    FakeWaveOutput(FakeWaveAudio& audio, std::shared_ptr<FakeWaveAudio::Device> device, BlockDone blockDone)
        : m_audio(audio), m_device(std::move(device)), m_blockDone(std::move(blockDone)), m_player([this] { play(); })
    {
    }
    ~FakeWaveOutput() override { close(); }

    void write(WaveBlock* block) override
    {
        std::lock_guard lock(m_audio.m_mutex);
        if (m_device->lost || m_device->closed) {
            throw WaveAudioError("The sound output device is no longer available.");
        }
        m_queue.push_back(block);
        ++m_device->written;
        m_device->largestQueue = std::max(m_device->largestQueue, int(m_queue.size()));
        m_audio.m_changed.notify_all();
    }
    void setPaused(bool) override {}
    bool lost() const override
    {
        std::lock_guard lock(m_audio.m_mutex);
        return m_device->lost;
    }
    void close() override
    {
        {
            std::unique_lock lock(m_audio.m_mutex);
            if (m_device->closed) {
                return;
            }
            m_audio.m_changed.wait(lock, [this] { return m_device->lost || m_device->returned == m_device->written; });
            m_device->closed = true;
            m_audio.m_changed.notify_all();
        }
        m_player.join();
    }

private:
    void play()
    {
        std::unique_lock lock(m_audio.m_mutex);
        for (;;) {
            m_audio.m_changed.wait(lock, [this] {
                return m_device->closed || (!m_queue.empty() && (!m_audio.holdPlayback || m_audio.m_credits > 0));
            });
            if (m_device->closed) {
                return;
            }
            std::deque<WaveBlock*> back;
            if (m_audio.loseAfterBlocks >= 0 && m_device->returned >= m_audio.loseAfterBlocks) {
                m_device->lost = true;
                back.swap(m_queue);
            } else {
                WaveBlock* block = m_queue.front();
                m_queue.pop_front();
                if (m_audio.holdPlayback) {
                    --m_audio.m_credits;
                }
                m_device->played.append(reinterpret_cast<const char*>(block->data), block->length);
                back.push_back(block);
            }
            lock.unlock();
            {
                std::lock_guard callback(WaveAudio::callbackLock());
                for (WaveBlock* block : back) {
                    m_blockDone(block);
                }
            }
            lock.lock();
            m_device->returned += int(back.size());
            m_audio.m_changed.notify_all();
        }
    }

    FakeWaveAudio& m_audio;
    std::shared_ptr<FakeWaveAudio::Device> m_device;
    BlockDone m_blockDone;
    std::deque<WaveBlock*> m_queue; // guarded by the audio's mutex
    std::thread m_player;
};

std::unique_ptr<WaveOutput> FakeWaveAudio::openOutput(int device, const PcmFormat& format,
                                                      WaveOutput::BlockDone blockDone)
{
    if (!openError.empty()) {
        throw WaveAudioError(openError);
    }
    if (device < 0 || device >= outputs) {
        throw WaveAudioError("Sound output device does not exist.");
    }
    auto state = std::make_shared<Device>();
    state->number = device;
    state->format = format;
    {
        std::lock_guard lock(m_mutex);
        m_last = state;
        ++m_opens;
    }
    return std::make_unique<FakeWaveOutput>(*this, state, std::move(blockDone));
}

FakeWaveAudio::Device FakeWaveAudio::lastDevice() const
{
    std::lock_guard lock(m_mutex);
    return m_last ? *m_last : Device{};
}

int FakeWaveAudio::openCount() const
{
    std::lock_guard lock(m_mutex);
    return m_opens;
}

void FakeWaveAudio::release(int blocks)
{
    std::lock_guard lock(m_mutex);
    m_credits += blocks;
    m_changed.notify_all();
}

void FakeWaveAudio::waitForWritten(int count) const
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_last && (m_last->written >= count || m_last->closed); });
}
