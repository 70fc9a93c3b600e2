#include "audio/FlacVerifier.h"

#include <FLAC/stream_decoder.h>
#include <algorithm>
#include <cstring>

namespace {

// Enough for several seconds of CD audio: the writer waits only when the verifier is
// really behind.
constexpr std::size_t kMaxQueuedBytes = std::size_t(4) << 20;

// Drops the part of a queue that has been read once it is the larger part, so the queue
// stays as long as what is waiting in it.
template <typename T> void compact(std::vector<T>& queue, std::size_t& read)
{
    if (read > 0 && read * 2 >= queue.size()) {
        queue.erase(queue.begin(), queue.begin() + std::ptrdiff_t(read));
        read = 0;
    }
}

} // namespace

struct FlacVerifier::Callbacks
{
    static FLAC__StreamDecoderReadStatus read(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes,
                                              void* data)
    {
        auto* self = static_cast<FlacVerifier*>(data);
        std::unique_lock lock(self->m_mutex);
        self->m_changed.wait(
            lock, [self] { return self->m_failed || self->m_closed || self->m_bytesRead < self->m_bytes.size(); });
        if (self->m_failed) {
            *bytes = 0;
            return FLAC__STREAM_DECODER_READ_STATUS_ABORT;
        }
        const std::size_t waiting = self->m_bytes.size() - self->m_bytesRead;
        if (waiting == 0) {
            *bytes = 0;
            return FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
        }
        const std::size_t taken = std::min(waiting, *bytes);
        std::memcpy(buffer, self->m_bytes.data() + self->m_bytesRead, taken);
        self->m_bytesRead += taken;
        compact(self->m_bytes, self->m_bytesRead);
        *bytes = taken;
        self->m_changed.notify_all(); // room for the writer
        return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
    }

    static FLAC__StreamDecoderWriteStatus write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                const FLAC__int32* const buffer[], void* data)
    {
        auto* self = static_cast<FlacVerifier*>(data);
        const std::size_t frames = frame->header.blocksize;
        const auto channels = std::size_t(self->m_channels);
        std::unique_lock lock(self->m_mutex);
        if (frame->header.channels != unsigned(self->m_channels)) {
            lock.unlock();
            self->fail(QStringLiteral("a frame has %1 channels").arg(frame->header.channels));
            return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        }
        if (self->m_expected.size() - self->m_expectedRead < frames * channels) {
            lock.unlock();
            self->fail(
                QStringLiteral("the file holds more audio than went in, from sample %1").arg(self->m_checkedFrames));
            return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        }
        const std::int32_t* expected = self->m_expected.data() + self->m_expectedRead;
        for (std::size_t i = 0; i < frames; ++i) {
            for (std::size_t c = 0; c < channels; ++c) {
                if (buffer[c][i] != expected[i * channels + c]) {
                    const std::uint64_t at = self->m_checkedFrames + i;
                    lock.unlock();
                    self->fail(QStringLiteral("sample %1 comes back different").arg(at));
                    return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
                }
            }
        }
        self->m_expectedRead += frames * channels;
        compact(self->m_expected, self->m_expectedRead);
        self->m_checkedFrames += frames;
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }

    static void error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* data)
    {
        static_cast<FlacVerifier*>(data)->fail(
            QStringLiteral("the file cannot be decoded (%1)")
                .arg(QString::fromLatin1(FLAC__StreamDecoderErrorStatusString[status])));
    }
};

FlacVerifier::FlacVerifier(int channels) : m_channels(channels) {}

FlacVerifier::~FlacVerifier()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard guard(m_mutex);
            m_closed = true;
            m_failed = true; // stops the decoder at its next read
            if (m_error.isEmpty()) {
                m_error = QStringLiteral("the check was stopped");
            }
        }
        m_changed.notify_all();
        m_thread.join();
    }
    if (m_decoder != nullptr) {
        FLAC__stream_decoder_delete(m_decoder);
    }
}

bool FlacVerifier::start()
{
    m_decoder = FLAC__stream_decoder_new();
    if (m_decoder == nullptr || FLAC__stream_decoder_init_stream(m_decoder, &Callbacks::read, nullptr, nullptr, nullptr,
                                                                 nullptr, &Callbacks::write, nullptr, &Callbacks::error,
                                                                 this) != FLAC__STREAM_DECODER_INIT_STATUS_OK) {
        return false;
    }
    m_thread = std::thread(&FlacVerifier::run, this);
    return true;
}

void FlacVerifier::run()
{
    const bool decoded = FLAC__stream_decoder_process_until_end_of_stream(m_decoder);
    const FLAC__StreamDecoderState state = FLAC__stream_decoder_get_state(m_decoder);
    if (!decoded || state != FLAC__STREAM_DECODER_END_OF_STREAM) {
        fail(QStringLiteral("the file cannot be decoded (%1)")
                 .arg(QString::fromLatin1(FLAC__StreamDecoderStateString[state])));
    }
    FLAC__stream_decoder_finish(m_decoder);
    std::lock_guard guard(m_mutex);
    m_ended = true;
    m_changed.notify_all();
}

void FlacVerifier::fail(const QString& reason)
{
    std::lock_guard guard(m_mutex);
    if (!m_failed) {
        m_failed = true;
        m_error = reason;
    }
    m_changed.notify_all();
}

void FlacVerifier::expect(const std::int32_t* samples, std::size_t count)
{
    std::lock_guard guard(m_mutex);
    m_expected.insert(m_expected.end(), samples, samples + count);
}

void FlacVerifier::feed(const unsigned char* bytes, std::size_t count)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_failed || m_ended || m_bytes.size() - m_bytesRead < kMaxQueuedBytes; });
    if (m_failed || m_ended) {
        return; // the verdict is in; finish() reports it
    }
    m_bytes.insert(m_bytes.end(), bytes, bytes + count);
    m_changed.notify_all();
}

bool FlacVerifier::finish(QString& error)
{
    {
        std::lock_guard guard(m_mutex);
        m_closed = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
    std::lock_guard guard(m_mutex);
    if (!m_failed && m_expectedRead < m_expected.size()) {
        m_failed = true;
        m_error = QStringLiteral("the file gives back fewer samples than went in, from sample %1").arg(m_checkedFrames);
    }
    if (!m_ended && !m_failed) {
        m_failed = true;
        m_error = QStringLiteral("the check did not run");
    }
    error = m_error;
    return !m_failed;
}
