#include "audio/TVorbisIn.h"

#include "audio/EACSException.h"
#include "common/Rounding.h"

#include <QFile>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

// The decoder's handle and the four stream callbacks it reads through; their data
// pointer is the TVorbisIn.
struct TVorbisIn::Decoder
{
    OggVorbis_File file{};

    static size_t read(void* buffer, size_t size, size_t count, void* source)
    {
        auto* self = static_cast<TVorbisIn*>(source);
        if (size == 0 || count == 0 || !self->m_stream) {
            return 0;
        }
        const qint64 got = self->m_stream->read(static_cast<char*>(buffer), qint64(size * count));
        return got <= 0 ? 0 : size_t(got) / size;
    }

    // Answers -1 for a stream that cannot be repositioned, which the library takes as
    // "not seekable"; 0 otherwise, as fseek does.
    static int seek(void* source, ogg_int64_t offset, int origin)
    {
        auto* self = static_cast<TVorbisIn*>(source);
        QIODevice* stream = self->m_stream;
        if (!stream || stream->isSequential()) {
            return -1;
        }
        qint64 target = offset;
        if (origin == SEEK_CUR) {
            target += stream->pos();
        } else if (origin != SEEK_SET) {
            target += stream->size();
        }
        if (target < 0 || !stream->seek(target)) {
            return -1;
        }
        return 0;
    }

    // A caller's stream is rewound for the next reader; the component's own file is closed.
    static int close(void* source)
    {
        auto* self = static_cast<TVorbisIn*>(source);
        if (self->m_streamAssigned) {
            if (self->m_stream && self->m_stream->isOpen() && !self->m_stream->isSequential()) {
                self->m_stream->seek(0);
            }
        } else {
            self->m_stream = nullptr;
            self->m_file.reset();
        }
        return 0;
    }

    static long tell(void* source)
    {
        auto* self = static_cast<TVorbisIn*>(source);
        return self->m_stream ? long(self->m_stream->pos()) : -1;
    }
};

TVorbisIn::TVorbisIn(QObject* owner) : TACSFileIn(owner), m_decoder(std::make_unique<Decoder>()) {}

TVorbisIn::~TVorbisIn()
{
    releaseHolders();
    if (m_open) {
        ov_clear(&m_decoder->file);
        m_open = false;
    }
    m_file.reset();
}

void TVorbisIn::resetFormat()
{
    m_valid = false;
    m_channels = 0;
    m_sampleRate = 0;
    m_bits = 0;
    m_totalSamples = 0;
    m_size = 0;
    m_totalTime = 0;
    m_upperBitrate = m_nominalBitrate = m_lowerBitrate = 0;
    m_comments.clear();
}

void TVorbisIn::OpenSource()
{
    if (m_openCount > 0) {
        ++m_openCount;
        return;
    }
    if (m_open) {
        // A reset dropped the count without closing; start from a clean handle.
        ov_clear(&m_decoder->file);
        m_open = false;
    }
    m_valid = true;
    m_endOfFile = false;
    if (!m_streamAssigned) {
        auto file = std::make_unique<QFile>(FileName());
        if (!file->open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
            resetFormat();
            return;
        }
        m_file = std::move(file);
        m_stream = m_file.get();
    }
    if (!m_stream) {
        resetFormat();
        return;
    }

    const ov_callbacks callbacks{&Decoder::read, &Decoder::seek, &Decoder::close, &Decoder::tell};
    OggVorbis_File& vf = m_decoder->file;
    if (ov_open_callbacks(this, &vf, nullptr, 0, callbacks) != 0) {
        // The library has let go of the stream without closing it.
        Decoder::close(this);
        resetFormat();
        return;
    }
    const vorbis_info* info = ov_info(&vf, -1);
    // Every reader downstream takes one or two channels only.
    if (!info || (info->channels != 1 && info->channels != 2) || info->rate <= 0 ||
        info->rate > std::numeric_limits<std::int32_t>::max()) {
        ov_clear(&vf);
        resetFormat();
        return;
    }
    m_open = true;
    m_openCount = 1;

    m_comments.clear();
    if (const vorbis_comment* comment = ov_comment(&vf, -1)) {
        for (int i = 0; i < comment->comments; ++i) {
            m_comments.append(QString::fromUtf8(comment->user_comments[i], comment->comment_lengths[i]));
        }
    }
    m_channels = info->channels;
    m_sampleRate = std::int32_t(info->rate);
    m_bits = 16;
    m_upperBitrate = std::int32_t(info->bitrate_upper);
    m_nominalBitrate = std::int32_t(info->bitrate_nominal);
    m_lowerBitrate = std::int32_t(info->bitrate_lower);

    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    const ogg_int64_t total = ov_pcm_total(&vf, -1);
    if (total >= 0) {
        m_totalSamples = std::int32_t(std::min<std::int64_t>(total, kMax));
        m_size = std::int32_t(std::min<std::int64_t>(std::int64_t(total) * frameBytes(), kMax));
    } else {
        // A stream that cannot be searched does not tell its length.
        m_totalSamples = 0;
        m_size = -1;
    }
    const double seconds = ov_time_total(&vf, -1);
    m_totalTime = seconds > 0 ? std::int32_t(tarnwick::roundHalfEven(seconds)) : 0;
    m_section = -1;
}

void TVorbisIn::CloseSource()
{
    if (m_openCount == 1 && m_open) {
        ov_clear(&m_decoder->file);
        m_open = false;
    }
    if (m_openCount > 0) {
        --m_openCount;
    }
}

bool TVorbisIn::SeekToSample(std::int32_t sample)
{
    if (!m_seekable) {
        return false;
    }
    OpenSource();
    const bool moved = m_open && ov_pcm_seek(&m_decoder->file, sample) == 0;
    CloseSource();
    return moved;
}

std::int32_t TVorbisIn::DurationSeconds()
{
    OpenSource();
    const std::int32_t seconds = m_open ? m_totalTime : 0;
    CloseSource();
    return seconds;
}

void TVorbisIn::applyJump()
{
    const std::int32_t jump = takeJump();
    const std::int64_t size = Size();
    if (jump == 0 || !m_open || size < 0) {
        return;
    }
    std::int64_t position = Position() + tarnwick::roundHalfEven(jump / 100.0 * double(size));
    position = std::clamp<std::int64_t>(position, 0, size);
    // Whole frames only, so the channels stay in step.
    position -= position % frameBytes();
    m_position = std::int32_t(position);
    if (ov_seekable(&m_decoder->file) &&
        ov_pcm_seek(&m_decoder->file, std::int64_t(StartSample()) + position / frameBytes()) == 0) {
        // A jump back from the end reads on.
        m_endOfFile = false;
    }
}

void TVorbisIn::fillBuffer()
{
    std::int32_t filled = 0;
    if (!m_open) {
        m_endOfFile = true;
    }
    const std::int32_t capacity = std::int32_t(m_staging.size());
    while (!m_endOfFile && capacity - filled >= frameBytes()) {
        int section = 0;
        const long got = ov_read(&m_decoder->file, m_staging.data() + filled, capacity - filled, 0, 2, 1, &section);
        if (got == OV_HOLE) {
            // A gap in the data: the decoder picks up again after it.
            continue;
        }
        if (got <= 0) {
            m_endOfFile = true;
            break;
        }
        if (section != m_section) {
            // A chained file may change its format from one link to the next; the readers
            // downstream have taken the first one, so the stream ends there.
            const vorbis_info* info = ov_info(&m_decoder->file, section);
            if (!info || info->channels != m_channels || info->rate != m_sampleRate) {
                m_endOfFile = true;
                break;
            }
            m_section = section;
        }
        filled += std::int32_t(got);
    }
    const std::int64_t size = Size();
    if (size >= 0 && std::int64_t(Position()) + filled >= size) {
        filled = std::int32_t(std::max<std::int64_t>(0, size - Position()));
        if (filled == 0) {
            m_endOfFile = true;
        }
    }
    m_bufferStart = 1;
    m_bufferEnd = filled;
}

std::int32_t TVorbisIn::ReadData(void* buffer, std::int32_t bufferSize)
{
    if (!Busy()) {
        throw EACSException("The Stream is not opened");
    }
    if (stagedBytes() <= 0) {
        applyJump();
        fillBuffer();
        if (stagedBytes() <= 0 && m_endOfFile && Loop()) {
            CloseInput();
            OpenInput();
            m_endOfFile = false;
            fillBuffer();
        }
    }
    const std::int32_t count = std::min(bufferSize, stagedBytes());
    if (count <= 0) {
        return 0;
    }
    std::memcpy(buffer, m_staging.data() + (m_bufferStart - 1), size_t(count));
    m_bufferStart += count;
    m_position += count;
    return count;
}
