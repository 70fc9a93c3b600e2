#include "audio/FlacVerifier.h"

#include <FLAC/stream_decoder.h>
#include <algorithm>
#include <cstring>

namespace {

// A batch goes over once it holds this much of either; for CD audio that is about every
// half second of sound, so the hand-overs cost nothing next to the coding.
constexpr std::size_t kBatchBytes = std::size_t(128) << 10;
constexpr std::size_t kBatchSamples = std::size_t(64) << 10;
// Batches that may wait for the decoder before the writer waits in turn.
constexpr std::size_t kQueuedBatches = 4;

// The first frame of `frames` whose samples differ from the interleaved `expected`, or
// `frames` when all are equal. The scan has no early exit, so the compiler can vectorise
// it; only a frame that differs is searched sample by sample.
std::size_t firstDifference(const FLAC__int32* const decoded[], const std::int32_t* expected, std::size_t frames,
                            std::size_t channels)
{
    std::uint32_t differs = 0;
    if (channels == 2) {
        const FLAC__int32* left = decoded[0];
        const FLAC__int32* right = decoded[1];
        for (std::size_t i = 0; i < frames; ++i) {
            differs |= std::uint32_t(left[i] ^ expected[2 * i]) | std::uint32_t(right[i] ^ expected[2 * i + 1]);
        }
    } else {
        for (std::size_t c = 0; c < channels; ++c) {
            const FLAC__int32* channel = decoded[c];
            for (std::size_t i = 0; i < frames; ++i) {
                differs |= std::uint32_t(channel[i] ^ expected[i * channels + c]);
            }
        }
    }
    if (differs == 0) {
        return frames;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        for (std::size_t c = 0; c < channels; ++c) {
            if (decoded[c][i] != expected[i * channels + c]) {
                return i;
            }
        }
    }
    return frames;
}

} // namespace

struct FlacVerifier::Callbacks
{
    static FLAC__StreamDecoderReadStatus read(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes,
                                              void* data)
    {
        auto* self = static_cast<FlacVerifier*>(data);
        while (self->m_readAt == self->m_reading.bytes.size()) {
            if (!self->takeBatch()) {
                *bytes = 0;
                std::lock_guard guard(self->m_mutex);
                return self->m_failed ? FLAC__STREAM_DECODER_READ_STATUS_ABORT
                                      : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
            }
        }
        *bytes = self->read(buffer, *bytes);
        return FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
    }

    static FLAC__StreamDecoderWriteStatus write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                const FLAC__int32* const buffer[], void* data)
    {
        return static_cast<FlacVerifier*>(data)->check(*frame, buffer) ? FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE
                                                                       : FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
    }

    static void error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus status, void* data)
    {
        static_cast<FlacVerifier*>(data)->fail(
            QStringLiteral("the file cannot be decoded (%1)")
                .arg(QString::fromLatin1(FLAC__StreamDecoderErrorStatusString[status])));
    }
};

FlacVerifier::FlacVerifier(int channels, int bitsPerSample)
    : m_channels(channels), m_bytesPerSample(bitsPerSample <= 8 ? 1 : 2)
{
}

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
        m_ready.notify_all();
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
    {
        std::lock_guard guard(m_mutex);
        m_ended = true;
    }
    m_room.notify_all();
}

void FlacVerifier::fail(const QString& reason)
{
    {
        std::lock_guard guard(m_mutex);
        if (!m_failed) {
            m_failed = true;
            m_error = reason;
        }
    }
    m_room.notify_all();
    m_ready.notify_all();
}

void FlacVerifier::expect(const std::int32_t* samples, std::size_t count)
{
    m_filling.samples.insert(m_filling.samples.end(), samples, samples + count);
    m_handedSamples += count;
}

void FlacVerifier::feed(const unsigned char* bytes, std::size_t count)
{
    m_filling.bytes.insert(m_filling.bytes.end(), bytes, bytes + count);
    if (m_filling.bytes.size() >= kBatchBytes || m_filling.samples.size() >= kBatchSamples) {
        handOver();
    }
}

void FlacVerifier::handOver()
{
    std::unique_lock lock(m_mutex);
    m_room.wait(lock,
                [this] { return m_failed || m_ended || !m_thread.joinable() || m_queue.size() < kQueuedBatches; });
    if (m_failed || m_ended || !m_thread.joinable()) {
        // The verdict is in (or no check runs); finish() reports it.
        m_filling.bytes.clear();
        m_filling.samples.clear();
        return;
    }
    m_queue.push_back(std::move(m_filling));
    m_filling = Batch();
    if (!m_spare.empty()) {
        m_filling = std::move(m_spare.back());
        m_spare.pop_back();
    }
    lock.unlock();
    m_ready.notify_one();
}

bool FlacVerifier::takeBatch()
{
    std::unique_lock lock(m_mutex);
    m_ready.wait(lock, [this] { return m_failed || m_closed || !m_queue.empty(); });
    if (m_failed || m_queue.empty()) {
        return false;
    }
    m_reading.bytes.clear();
    m_reading.samples.clear();
    m_spare.push_back(std::move(m_reading));
    m_reading = std::move(m_queue.front());
    m_queue.pop_front();
    lock.unlock();
    m_room.notify_one();

    m_readAt = 0;
    // What was compared is dropped once it is the larger part, so the copy stays short.
    if (m_expectedAt > 0 && m_expectedAt * 2 >= m_expected.size()) {
        m_expected.erase(m_expected.begin(), m_expected.begin() + std::ptrdiff_t(m_expectedAt));
        m_expectedAt = 0;
    }
    m_expected.insert(m_expected.end(), m_reading.samples.begin(), m_reading.samples.end());
    checksum(m_reading.samples);
    return true;
}

std::size_t FlacVerifier::read(unsigned char* buffer, std::size_t wanted)
{
    const std::size_t taken = std::min(wanted, m_reading.bytes.size() - m_readAt);
    std::memcpy(buffer, m_reading.bytes.data() + m_readAt, taken);
    m_readAt += taken;
    return taken;
}

bool FlacVerifier::check(const FLAC__Frame& frame, const FLAC__int32* const channels[])
{
    const std::size_t frames = frame.header.blocksize;
    const auto count = std::size_t(m_channels);
    if (frame.header.channels != unsigned(m_channels)) {
        fail(QStringLiteral("a frame has %1 channels").arg(frame.header.channels));
        return false;
    }
    // Every sample is handed in before the bytes it becomes, so a frame without its
    // samples here is audio that never went in.
    if (m_expected.size() - m_expectedAt < frames * count) {
        fail(QStringLiteral("the file holds more audio than went in, from sample %1").arg(m_checkedFrames));
        return false;
    }
    const std::size_t differs = firstDifference(channels, m_expected.data() + m_expectedAt, frames, count);
    if (differs < frames) {
        fail(QStringLiteral("sample %1 comes back different").arg(m_checkedFrames + differs));
        return false;
    }
    m_expectedAt += frames * count;
    m_checkedFrames += frames;
    m_checkedSamples += frames * count;
    return true;
}

void FlacVerifier::checksum(const std::vector<std::int32_t>& samples)
{
    m_packed.resize(samples.size() * std::size_t(m_bytesPerSample));
    char* out = m_packed.data();
    if (m_bytesPerSample == 1) {
        for (std::size_t i = 0; i < samples.size(); ++i) {
            out[i] = char(samples[i]);
        }
    } else {
        for (std::size_t i = 0; i < samples.size(); ++i) {
            out[2 * i] = char(samples[i] & 0xff);
            out[2 * i + 1] = char((samples[i] >> 8) & 0xff);
        }
    }
    m_md5.addData(QByteArrayView(m_packed.data(), qsizetype(m_packed.size())));
}

bool FlacVerifier::finish(QString& error)
{
    if (!m_filling.bytes.empty() || !m_filling.samples.empty()) {
        handOver();
    }
    {
        std::lock_guard guard(m_mutex);
        m_closed = true;
    }
    m_ready.notify_all();
    const bool ran = m_thread.joinable();
    if (ran) {
        m_thread.join();
    }
    std::lock_guard guard(m_mutex);
    if (!m_failed && !ran) {
        m_failed = true;
        m_error = QStringLiteral("the check did not run");
    }
    if (!m_failed && m_checkedSamples < m_handedSamples) {
        m_failed = true;
        m_error = QStringLiteral("the file gives back fewer samples than went in, from sample %1").arg(m_checkedFrames);
    }
    error = m_error;
    return !m_failed;
}
