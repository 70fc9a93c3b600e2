#include "audio/TVorbisOut.h"

#include "audio/EACSException.h"
#include "audio/EACSWriteError.h"
#include "audio/TACSFileIn.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vorbis/vorbisenc.h>

namespace {
constexpr std::int32_t kTransferBytes = 65536;

// A short write is retried, so a full disk ends in a failed write with its reason.
bool writeAll(QIODevice& target, const char* data, qint64 size)
{
    while (size > 0) {
        const qint64 written = target.write(data, size);
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}
} // namespace

// The library state of one encoding. Each part is cleared only if it was set up, so a
// set-up that fails half way is released as cleanly as a finished one.
struct TVorbisOut::Encoder
{
    ogg_stream_state stream{};
    ogg_page page{};
    ogg_packet packet{};
    vorbis_info info{};
    vorbis_comment comment{};
    vorbis_dsp_state dsp{};
    vorbis_block block{};
    bool infoReady = false;
    bool commentReady = false;
    bool dspReady = false;
    bool blockReady = false;
    bool streamReady = false;

    Encoder() = default;
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    ~Encoder()
    {
        if (streamReady) {
            ogg_stream_clear(&stream);
        }
        if (blockReady) {
            vorbis_block_clear(&block);
        }
        if (dspReady) {
            vorbis_dsp_clear(&dsp);
        }
        if (commentReady) {
            vorbis_comment_clear(&comment);
        }
        if (infoReady) {
            vorbis_info_clear(&info);
        }
    }
};

TVorbisOut::TVorbisOut(QObject* owner) : TACSFileOut(owner), m_buffer(kTransferBytes) {}

TVorbisOut::~TVorbisOut()
{
    endWorker();
}

QStringList TVorbisOut::Comments() const
{
    std::lock_guard guard(m_commentsMutex);
    return m_comments;
}

void TVorbisOut::SetComments(const QStringList& lines)
{
    std::lock_guard guard(m_commentsMutex);
    m_comments = lines;
}

void TVorbisOut::SetDesiredNominalBitrate(TVorbisBitRate rate)
{
    m_nominal = rate;
    if (rate < m_minimum) {
        m_minimum = rate;
    }
    if (m_maximum < m_nominal) {
        m_maximum = m_nominal;
    }
    if (m_nominal == brAutoSelect) {
        m_maximum = brAutoSelect;
    }
}

void TVorbisOut::SetDesiredMaximumBitrate(TVorbisBitRate rate)
{
    if (m_nominal != brAutoSelect && (rate == brAutoSelect || rate >= m_nominal)) {
        m_maximum = rate;
    }
}

void TVorbisOut::SetMinimumBitrate(TVorbisBitRate rate)
{
    if (rate <= m_nominal) {
        m_minimum = rate;
    }
}

void TVorbisOut::SetFileMode(TFileOutputMode mode)
{
    m_fileMode = mode;
}

TVorbisOut::ManagedBitrates TVorbisOut::managedBitrates() const
{
    ManagedBitrates rates{vorbisBitsPerSecond(m_maximum), vorbisBitsPerSecond(m_nominal),
                          vorbisBitsPerSecond(m_minimum)};
    if (rates.minimum == -1) {
        rates.minimum = rates.nominal;
    }
    rates.maximum = std::max(rates.maximum, rates.nominal);
    return rates;
}

void TVorbisOut::PrepareOutput()
{
    if (!m_streamAssigned && m_fileName.isEmpty()) {
        throw EACSException("File name is not assigned.");
    }
    TACSInput* input = Input();
    std::lock_guard guard(m_transferMutex);
    try {
        // The input comes first: its format decides whether the encoder can take it, and
        // an existing file is not emptied for a transfer that cannot run.
        input->OpenInput();
        m_inputOpen = true;
        m_channels = input->ChannelCount();
        m_bits = input->SampleBits();
        const std::int32_t rate = input->SampleRate();
        if (m_channels == 0 && m_bits == 0 && rate == 0) {
            auto* file = dynamic_cast<TACSFileIn*>(input);
            throw EACSException(
                file ? QStringLiteral("The file \"%1\" holds no audio that can be read.").arg(file->FileName())
                     : QStringLiteral("The input holds no audio that can be read."));
        }
        if ((m_channels != 1 && m_channels != 2) || (m_bits != 8 && m_bits != 16) || rate <= 0) {
            throw EACSException(QStringLiteral("Cannot encode %1-bit audio with %2 channels at %3 Hz to Ogg Vorbis.")
                                    .arg(m_bits)
                                    .arg(m_channels)
                                    .arg(rate));
        }

        m_endOfStream = false;
        m_inputEnded = false;
        m_carried = 0;
        m_encoder = std::make_unique<Encoder>();
        Encoder& e = *m_encoder;
        vorbis_info_init(&e.info);
        e.infoReady = true;
        int result = 0;
        if (m_nominal != brAutoSelect) {
            const ManagedBitrates rates = managedBitrates();
            result = vorbis_encode_init(&e.info, m_channels, rate, rates.maximum, rates.nominal, rates.minimum);
        } else {
            result = vorbis_encode_init_vbr(&e.info, m_channels, rate, m_compression);
        }
        // An encoder that refused its settings has no set-up to encode with; going on
        // would crash inside the library.
        if (result != 0) {
            throw EACSException(
                QStringLiteral("The Ogg Vorbis encoder does not support these settings for %1 channel(s) at %2 Hz.")
                    .arg(m_channels)
                    .arg(rate));
        }

        vorbis_comment_init(&e.comment);
        e.commentReady = true;
        for (const QString& line : Comments()) {
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            // A line without a name cannot be a Vorbis comment; it is left out.
            if (equals <= 0) {
                continue;
            }
            vorbis_comment_add_tag(&e.comment, line.left(equals).toUtf8().constData(),
                                   line.mid(equals + 1).toUtf8().constData());
        }

        vorbis_analysis_init(&e.dsp, &e.info);
        e.dspReady = true;
        vorbis_block_init(&e.dsp, &e.block);
        e.blockReady = true;
        ogg_stream_init(&e.stream, m_serial);
        e.streamReady = true;

        openTarget();

        ogg_packet identification;
        ogg_packet comments;
        ogg_packet codebooks;
        vorbis_analysis_headerout(&e.dsp, &e.comment, &identification, &comments, &codebooks);
        ogg_stream_packetin(&e.stream, &identification);
        ogg_stream_packetin(&e.stream, &comments);
        ogg_stream_packetin(&e.stream, &codebooks);
        // Flushing every header page makes the audio begin on a page of its own.
        while (ogg_stream_flush(&e.stream, &e.page) != 0) {
            writePage(e.page.header, e.page.header_len, e.page.body, e.page.body_len);
        }
    } catch (...) {
        releaseTransfer();
        throw;
    }
}

void TVorbisOut::openTarget()
{
    if (m_streamAssigned) {
        m_target = m_stream;
        if (m_fileMode == foAppend) {
            m_target->seek(m_target->size());
        }
        return;
    }
    auto file = std::make_unique<QFile>(m_fileName);
    bool opened = false;
    if (m_fileMode == foAppend && file->exists()) {
        opened = file->open(QIODevice::ReadWrite) && file->seek(file->size());
    } else {
        opened = file->open(QIODevice::WriteOnly | QIODevice::Truncate);
    }
    if (!opened) {
        throw EACSException(QStringLiteral("Cannot create the file \"%1\": %2").arg(m_fileName, file->errorString()));
    }
    m_file = std::move(file);
    m_target = m_file.get();
}

void TVorbisOut::writePage(const void* header, long headerBytes, const void* body, long bodyBytes)
{
    errno = 0;
    if (!writeAll(*m_target, static_cast<const char*>(header), headerBytes) ||
        !writeAll(*m_target, static_cast<const char*>(body), bodyBytes)) {
        const QString target =
            m_streamAssigned ? QStringLiteral("the output stream") : QStringLiteral("the file \"%1\"").arg(m_fileName);
        const QString reason = EACSWriteError::reasonOf(*m_target, errno);
        throw EACSWriteError(QStringLiteral("Cannot write to %1: %2").arg(target, reason),
                             m_streamAssigned ? QString() : m_fileName, reason);
    }
}

bool TVorbisOut::ProduceBlock(bool abort)
{
    bool result = true;
    if (!stepPreamble(abort, m_endOfStream, result)) {
        return result;
    }
    std::lock_guard guard(m_transferMutex);
    if (!m_encoder) {
        // Finished from outside between two steps.
        return false;
    }
    const std::int32_t frameBytes = m_channels * (m_bits / 8);
    const std::int32_t got = std::max(0, readInput(m_buffer.data() + m_carried, kTransferBytes - m_carried));
    if (got > 0) {
        // A read that ends inside a frame keeps the part for the next read: handing the
        // encoder zero frames would end the stream early.
        const std::int32_t bytes = m_carried + got;
        const std::int32_t frames = bytes / frameBytes;
        if (frames > 0) {
            encodeFrames(frames);
        }
        m_carried = bytes - frames * frameBytes;
        std::memmove(m_buffer.data(), m_buffer.data() + frames * frameBytes, size_t(m_carried));
    } else if (!m_inputEnded) {
        m_inputEnded = true;
        vorbis_analysis_wrote(&m_encoder->dsp, 0);
    }
    drainEncoder();
    if (m_inputEnded && !m_endOfStream) {
        // The last packet carries the end-of-stream mark, so its page has gone out above;
        // this only makes sure nothing stays behind if it did not.
        while (ogg_stream_flush(&m_encoder->stream, &m_encoder->page) != 0) {
            writePage(m_encoder->page.header, m_encoder->page.header_len, m_encoder->page.body,
                      m_encoder->page.body_len);
        }
        m_endOfStream = true;
    }
    return true;
}

void TVorbisOut::encodeFrames(std::int32_t frames)
{
    float** channels = vorbis_analysis_buffer(&m_encoder->dsp, frames);
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_buffer.data());
    if (m_bits == 16) {
        for (std::int32_t i = 0; i < frames; ++i) {
            for (std::int32_t c = 0; c < m_channels; ++c) {
                channels[c][i] = float(qFromLittleEndian<qint16>(bytes)) / 32768.0f;
                bytes += 2;
            }
        }
    } else {
        for (std::int32_t i = 0; i < frames; ++i) {
            for (std::int32_t c = 0; c < m_channels; ++c) {
                channels[c][i] = float(int(*bytes) - 128) / 128.0f;
                ++bytes;
            }
        }
    }
    vorbis_analysis_wrote(&m_encoder->dsp, frames);
}

void TVorbisOut::drainEncoder()
{
    Encoder& e = *m_encoder;
    while (vorbis_analysis_blockout(&e.dsp, &e.block) == 1) {
        vorbis_analysis(&e.block, nullptr);
        vorbis_bitrate_addblock(&e.block);
        while (vorbis_bitrate_flushpacket(&e.dsp, &e.packet) == 1) {
            ogg_stream_packetin(&e.stream, &e.packet);
            while (!m_endOfStream && ogg_stream_pageout(&e.stream, &e.page) != 0) {
                writePage(e.page.header, e.page.header_len, e.page.body, e.page.body_len);
                if (ogg_page_eos(&e.page)) {
                    m_endOfStream = true;
                }
            }
        }
    }
}

void TVorbisOut::FinishOutput()
{
    std::lock_guard guard(m_transferMutex);
    bool flushed = true;
    QString error;
    if (m_file) {
        errno = 0;
        flushed = m_file->flush();
        if (!flushed) {
            error = EACSWriteError::reasonOf(*m_file, errno);
        }
    }
    try {
        releaseTransfer();
    } catch (...) {
        // Closing the input failed; the file and the encoder are released all the same.
    }
    {
        // Every file gets its comments set anew.
        std::lock_guard commentsGuard(m_commentsMutex);
        m_comments.clear();
    }
    if (!flushed) {
        throw EACSWriteError(QStringLiteral("Cannot write to the file \"%1\": %2").arg(m_fileName, error), m_fileName,
                             error);
    }
}

void TVorbisOut::releaseTransfer()
{
    if (m_file) {
        m_file->close();
        m_file.reset();
    }
    m_target = nullptr;
    m_encoder.reset();
    if (m_inputOpen) {
        m_inputOpen = false;
        if (TACSInput* input = Input()) {
            input->CloseInput();
        }
    }
}
