#include "platform/DigitalCdAudio.h"

#include "common/DiscSessions.h"
#include "platform/WaveAudio.h"

#include <algorithm>

namespace {

constexpr int FrameBytes = 2352;

} // namespace

struct DigitalCdAudio::Buffer
{
    WaveBlock block;
    std::vector<std::uint8_t> data = std::vector<std::uint8_t>(FramesPerBlock * FrameBytes);
};

DigitalCdAudio::DigitalCdAudio(std::unique_ptr<CdAudioSource> source, WaveAudio* audio)
    : m_source(std::move(source)), m_audio(audio)
{
    for (int i = 0; i < QueuedBlocks; ++i) {
        m_buffers.push_back(std::make_unique<Buffer>());
        m_buffers.back()->block.user = m_buffers.back().get();
    }
}

DigitalCdAudio::~DigitalCdAudio()
{
    endPlayback();
}

bool DigitalCdAudio::open()
{
    endPlayback();
    m_open = m_source && m_source->readTracks(m_tracks, m_leadOut) && !m_tracks.empty();
    return m_open;
}

std::optional<std::int32_t> DigitalCdAudio::trackPosition(int number) const
{
    if (!m_open) {
        return std::nullopt;
    }
    for (const auto& track : m_tracks) {
        if (track.number == number) {
            return track.start;
        }
    }
    return std::nullopt;
}

std::int32_t DigitalCdAudio::audioEnd(std::int32_t from) const
{
    for (const auto& track : m_tracks) {
        // A data track after audio begins a later session: the audio stopped a session gap
        // earlier, and the frames between cannot be read.
        if (track.start > from && !track.audio) {
            return track.start - tarnwick::SessionGapFrames;
        }
    }
    return m_leadOut;
}

bool DigitalCdAudio::play(std::int32_t from, std::optional<std::int32_t> to)
{
    endPlayback();
    if (!m_open) {
        return false;
    }
    // Only audio is played: a data track would come out as noise.
    const auto track = std::find_if(m_tracks.rbegin(), m_tracks.rend(),
                                    [from](const CdAudioSource::Track& t) { return t.start <= from; });
    const std::int32_t end = std::min(to.value_or(m_leadOut), audioEnd(from));
    if (track == m_tracks.rend() || !track->audio || from < 0 || from >= end) {
        return false;
    }
    try {
        WaveAudio& audio = m_audio != nullptr ? *m_audio : WaveAudio::instance();
        m_output = audio.openOutput(0, PcmFormat{44100, 2, 16}, [this](WaveBlock* block) { blockDone(block); });
    } catch (const WaveAudioError&) {
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        m_stopping = false;
        m_free.clear();
        for (auto& buffer : m_buffers) {
            m_free.push_back(buffer.get());
        }
    }
    m_paused = false;
    m_worker = std::thread(&DigitalCdAudio::run, this, from, end);
    return true;
}

void DigitalCdAudio::blockDone(WaveBlock* block)
{
    {
        std::lock_guard lock(m_mutex);
        m_free.push_back(static_cast<Buffer*>(block->user));
    }
    m_changed.notify_all();
}

void DigitalCdAudio::run(std::int32_t from, std::int32_t to)
{
    bool finished = true;
    for (std::int32_t block = from; block < to;) {
        Buffer* buffer = nullptr;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stopping || !m_free.empty(); });
            if (m_stopping) {
                return;
            }
            buffer = m_free.back();
            m_free.pop_back();
        }
        const int frames = std::min<std::int32_t>(FramesPerBlock, to - block);
        if (!m_source->readAudio(block, frames, buffer->data.data())) {
            // A disc that cannot be read any more (taken out, scratched) ends the play
            // as its end would, so the window does not go on showing it as playing.
            blockDone(&buffer->block);
            break;
        }
        buffer->block.data = buffer->data.data();
        buffer->block.length = static_cast<std::uint32_t>(frames * FrameBytes);
        try {
            m_output->write(&buffer->block);
        } catch (const WaveAudioError&) {
            blockDone(&buffer->block);
            finished = false;
            break;
        }
        block += frames;
    }
    // The request is complete once the last block has been heard.
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stopping || m_free.size() == m_buffers.size(); });
    if (!m_stopping && finished) {
        emit playCompleted();
    }
}

bool DigitalCdAudio::pause()
{
    if (!m_output) {
        return false;
    }
    m_output->setPaused(true);
    m_paused = true;
    return true;
}

bool DigitalCdAudio::resume()
{
    if (!m_output) {
        return false;
    }
    m_output->setPaused(false);
    m_paused = false;
    return true;
}

void DigitalCdAudio::endPlayback()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_output) {
        // A held device never plays its queue out; the queue is short, so the close that
        // follows waits a moment at most.
        m_output->setPaused(false);
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
    if (m_output) {
        m_output->close();
        m_output.reset();
    }
    m_paused = false;
}

bool DigitalCdAudio::stop()
{
    if (!m_open) {
        return false;
    }
    endPlayback();
    return true;
}

bool DigitalCdAudio::close()
{
    endPlayback();
    const bool wasOpen = m_open;
    m_open = false;
    return wasOpen;
}
