#include "platform/WavePlayback.h"

#include <algorithm>

WavePlayback::WavePlayback(WaveAudio& audio, const PcmFormat& format, const char* data, std::int64_t bytes)
    : m_data(data), m_bytes(bytes)
{
    // 40 ms blocks: three of them queued keep the device fed and let Stop be heard at once.
    m_blockBytes = std::max<std::int64_t>(format.bytesPerSecond() / 25 / format.blockAlign(), 1) * format.blockAlign();
    m_output = audio.openOutput(0, format, [this](WaveBlock* block) { blockDone(block); });
    m_thread = std::thread(&WavePlayback::run, this);
}

WavePlayback::~WavePlayback()
{
    stop();
}

void WavePlayback::stop()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_returned.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void WavePlayback::waitForEnd()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

std::int64_t WavePlayback::playedBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_played;
}

QString WavePlayback::errorString() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

void WavePlayback::blockDone(WaveBlock* block)
{
    {
        std::lock_guard lock(m_mutex);
        m_played += block->length;
        ++m_free;
    }
    m_returned.notify_all();
}

void WavePlayback::run()
{
    std::int64_t offset = 0;
    int next = 0;
    while (offset < m_bytes) {
        {
            std::unique_lock lock(m_mutex);
            m_returned.wait(lock, [this] { return m_stop || m_free > 0; });
            if (m_stop) {
                break;
            }
            --m_free;
        }
        WaveBlock& block = m_blocks[static_cast<std::size_t>(next)];
        next = (next + 1) % queued;
        block.data = reinterpret_cast<const std::uint8_t*>(m_data + offset);
        block.length = static_cast<std::uint32_t>(std::min(m_blockBytes, m_bytes - offset));
        offset += block.length;
        try {
            m_output->write(&block);
        } catch (const WaveAudioError& error) {
            std::lock_guard lock(m_mutex);
            m_error = QString::fromStdString(error.what());
            break;
        }
    }
    // Waits for the queued blocks to come back (at once when the device was lost).
    m_output->close();
    m_finished = true;
}
