#include "audio/TFLACOut.h"

#include "audio/EACSException.h"
#include "audio/EACSWriteError.h"
#include "audio/FlacVerifier.h"
#include "audio/TACSFileIn.h"

#include <FLAC/metadata.h>
#include <FLAC/stream_encoder.h>
#include <QSaveFile>
#include <QtEndian>
#include <algorithm>
#include <cstdlib>
#include <cstring>

// libFLAC exports this switch (every release since 1.1 has it) but declares it only in its
// own headers: it turns the encoder's checksum of the samples off, which the verifier's
// thread then takes instead.
extern "C" FLAC__bool FLAC__stream_encoder_set_do_md5(FLAC__StreamEncoder* encoder, FLAC__bool value);

namespace {

constexpr std::int32_t kTransferBytes = 65536;
// Room for tags added later by other programs without rewriting the whole file.
constexpr unsigned kPaddingBytes = 8192;
constexpr unsigned kSeekPointSeconds = 10;

} // namespace

// The library state of one encoding. The metadata blocks must live until the encoder has
// finished: it reads them when it writes the header and fills the seek table at the end.
struct TFLACOut::Encoder
{
    FLAC__StreamEncoder* encoder = nullptr;
    FLAC__StreamMetadata* comments = nullptr;
    FLAC__StreamMetadata* seekTable = nullptr;
    FLAC__StreamMetadata* padding = nullptr;
    QIODevice* target = nullptr;
    // Checks the frames beside the encoder (verify mode); it sees the stream as first
    // written, not the stream information rewritten after the seek at the end.
    std::unique_ptr<FlacVerifier> verifier;
    bool rewriting = false;
    qint64 start = -1; // where the stream begins in the target; -1 when it cannot seek
    QString writeError;
    bool initialised = false;
    bool finished = false;
    // Set once the output is being thrown away: whatever the library still flushes is
    // refused instead of written.
    bool discarding = false;

    Encoder() : encoder(FLAC__stream_encoder_new()) {}
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    ~Encoder()
    {
        discarding = true;
        if (encoder != nullptr) {
            FLAC__stream_encoder_delete(encoder);
        }
        for (FLAC__StreamMetadata* block : {comments, seekTable, padding}) {
            if (block != nullptr) {
                FLAC__metadata_object_delete(block);
            }
        }
    }

    static FLAC__StreamEncoderWriteStatus write(const FLAC__StreamEncoder*, const FLAC__byte buffer[], size_t bytes,
                                                uint32_t, uint32_t, void* data)
    {
        auto* self = static_cast<Encoder*>(data);
        if (self->discarding) {
            return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
        }
        // A write cut short (a full disk, a file size limit) is tried again for the rest:
        // that one fails with the reason, where the short write gave none.
        const auto* from = reinterpret_cast<const char*>(buffer);
        for (auto left = static_cast<qint64>(bytes); left > 0;) {
            const qint64 written = self->target->write(from, left);
            if (written <= 0) {
                self->writeError = self->target->errorString();
                return FLAC__STREAM_ENCODER_WRITE_STATUS_FATAL_ERROR;
            }
            from += written;
            left -= written;
        }
        if (self->verifier && !self->rewriting) {
            self->verifier->feed(buffer, bytes);
        }
        return FLAC__STREAM_ENCODER_WRITE_STATUS_OK;
    }

    static FLAC__StreamEncoderSeekStatus seek(const FLAC__StreamEncoder*, FLAC__uint64 offset, void* data)
    {
        auto* self = static_cast<Encoder*>(data);
        if (self->target->isSequential()) {
            return FLAC__STREAM_ENCODER_SEEK_STATUS_UNSUPPORTED;
        }
        self->rewriting = true;
        if (self->discarding || !self->target->seek(static_cast<qint64>(offset))) {
            self->writeError = self->target->errorString();
            return FLAC__STREAM_ENCODER_SEEK_STATUS_ERROR;
        }
        return FLAC__STREAM_ENCODER_SEEK_STATUS_OK;
    }

    static FLAC__StreamEncoderTellStatus tell(const FLAC__StreamEncoder*, FLAC__uint64* offset, void* data)
    {
        auto* self = static_cast<Encoder*>(data);
        if (self->target->isSequential()) {
            return FLAC__STREAM_ENCODER_TELL_STATUS_UNSUPPORTED;
        }
        *offset = static_cast<FLAC__uint64>(self->target->pos());
        return FLAC__STREAM_ENCODER_TELL_STATUS_OK;
    }
};

TFLACOut::TFLACOut(QObject* owner) : TACSFileOut(owner), m_buffer(kTransferBytes), m_samples(kTransferBytes) {}

TFLACOut::~TFLACOut()
{
    endWorker();
}

void TFLACOut::SetCompressionLevel(int level)
{
    m_level = std::clamp(level, minimumLevel, maximumLevel);
}

QStringList TFLACOut::Comments() const
{
    std::lock_guard guard(m_commentsMutex);
    return m_comments;
}

void TFLACOut::SetComments(const QStringList& lines)
{
    std::lock_guard guard(m_commentsMutex);
    m_comments = lines;
}

QString TFLACOut::targetName() const
{
    return m_streamAssigned ? QStringLiteral("the output stream") : QStringLiteral("the file \"%1\"").arg(m_fileName);
}

void TFLACOut::checkFormat(TACSInput& input)
{
    m_channels = input.ChannelCount();
    m_bits = input.SampleBits();
    const std::int32_t rate = input.SampleRate();
    if (m_channels == 0 && m_bits == 0 && rate == 0) {
        auto* file = dynamic_cast<TACSFileIn*>(&input);
        throw EACSException(
            file ? QStringLiteral("The file \"%1\" holds no audio that can be read.").arg(file->FileName())
                 : QStringLiteral("The input holds no audio that can be read."));
    }
    if ((m_channels != 1 && m_channels != 2) || (m_bits != 8 && m_bits != 16) || rate <= 0 ||
        !FLAC__format_sample_rate_is_valid(static_cast<uint32_t>(rate))) {
        throw EACSException(QStringLiteral("Cannot encode %1-bit audio with %2 channels at %3 Hz to FLAC.")
                                .arg(m_bits)
                                .arg(m_channels)
                                .arg(rate));
    }
}

void TFLACOut::PrepareOutput()
{
    if (!m_streamAssigned && m_fileName.isEmpty()) {
        throw EACSException("File name is not assigned.");
    }
    TACSInput* input = Input();
    std::lock_guard guard(m_transferMutex);
    try {
        // The input comes first: its format decides whether the encoder can take it, and
        // no file is begun for a transfer that cannot run.
        input->OpenInput();
        m_inputOpen = true;
        checkFormat(*input);
        const auto rate = static_cast<uint32_t>(input->SampleRate());
        const std::int32_t frameBytes = m_channels * (m_bits / 8);
        const std::int32_t size = input->Size();

        m_endOfStream = false;
        m_carried = 0;
        m_encoder = std::make_unique<Encoder>();
        Encoder& e = *m_encoder;
        if (e.encoder == nullptr) {
            throw EACSException("The FLAC encoder could not be created.");
        }
        FLAC__StreamEncoder* enc = e.encoder;
        // Verify mode through our own verifier, on a thread beside the encoder's.
        FLAC__stream_encoder_set_verify(enc, false);
        if (m_verify) {
            // The verifier's thread takes the samples' checksum too; the encoder's thread,
            // which sets the pace, is spared it.
            FLAC__stream_encoder_set_do_md5(enc, false);
            e.verifier = std::make_unique<FlacVerifier>(m_channels, m_bits);
            if (!e.verifier->start()) {
                throw EACSException("The FLAC decoder that checks the file could not be created.");
            }
        }
        FLAC__stream_encoder_set_compression_level(enc, static_cast<uint32_t>(m_level));
        FLAC__stream_encoder_set_channels(enc, static_cast<uint32_t>(m_channels));
        FLAC__stream_encoder_set_bits_per_sample(enc, static_cast<uint32_t>(m_bits));
        FLAC__stream_encoder_set_sample_rate(enc, rate);
        const FLAC__uint64 frames = size > 0 ? FLAC__uint64(size / frameBytes) : 0;
        if (frames > 0) {
            FLAC__stream_encoder_set_total_samples_estimate(enc, frames);
        }

        std::vector<FLAC__StreamMetadata*> blocks;
        e.comments = FLAC__metadata_object_new(FLAC__METADATA_TYPE_VORBIS_COMMENT);
        for (const QString& line : Comments()) {
            const qsizetype equals = line.indexOf(QLatin1Char('='));
            const QByteArray name = line.left(equals).toUtf8();
            if (equals <= 0 || !FLAC__format_vorbiscomment_entry_name_is_legal(name.constData())) {
                continue;
            }
            FLAC__StreamMetadata_VorbisComment_Entry entry;
            if (FLAC__metadata_object_vorbiscomment_entry_from_name_value_pair(
                    &entry, name.constData(), line.mid(equals + 1).toUtf8().constData()) &&
                !FLAC__metadata_object_vorbiscomment_append_comment(e.comments, entry, false)) {
                std::free(entry.entry);
            }
        }
        blocks.push_back(e.comments);
        // Seek points need the length up front; a source of unknown size gets none.
        if (frames > 0) {
            e.seekTable = FLAC__metadata_object_new(FLAC__METADATA_TYPE_SEEKTABLE);
            FLAC__metadata_object_seektable_template_append_spaced_points_by_samples(e.seekTable,
                                                                                     kSeekPointSeconds * rate, frames);
            FLAC__metadata_object_seektable_template_sort(e.seekTable, true);
            blocks.push_back(e.seekTable);
        }
        e.padding = FLAC__metadata_object_new(FLAC__METADATA_TYPE_PADDING);
        e.padding->length = kPaddingBytes;
        blocks.push_back(e.padding);
        FLAC__stream_encoder_set_metadata(enc, blocks.data(), static_cast<uint32_t>(blocks.size()));

        openTarget();
        e.target = m_streamAssigned ? m_stream : static_cast<QIODevice*>(m_file.get());
        e.start = e.target->isSequential() ? -1 : e.target->pos();
        const FLAC__StreamEncoderInitStatus status =
            FLAC__stream_encoder_init_stream(enc, &Encoder::write, &Encoder::seek, &Encoder::tell, nullptr, &e);
        if (status != FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
            if (status == FLAC__STREAM_ENCODER_INIT_STATUS_ENCODER_ERROR) {
                raiseEncoderError();
            }
            throw EACSException(QStringLiteral("The FLAC encoder refused its settings: %1")
                                    .arg(QString::fromLatin1(FLAC__StreamEncoderInitStatusString[status])));
        }
        e.initialised = true;
    } catch (...) {
        releaseTransfer();
        throw;
    }
}

void TFLACOut::openTarget()
{
    if (m_streamAssigned) {
        return;
    }
    auto file = std::make_unique<QSaveFile>(m_fileName);
    // Unbuffered: every frame goes to the file as it is written, so a write that fails
    // says why, instead of a buffer flush later failing without a reason.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        throw EACSException(QStringLiteral("Cannot create the file \"%1\": %2").arg(m_fileName, file->errorString()));
    }
    m_file = std::move(file);
}

void TFLACOut::raiseEncoderError()
{
    Encoder& e = *m_encoder;
    const FLAC__StreamEncoderState state = FLAC__stream_encoder_get_state(e.encoder);
    if (state == FLAC__STREAM_ENCODER_VERIFY_MISMATCH_IN_AUDIO_DATA) {
        FLAC__uint64 sample = 0;
        uint32_t frame = 0;
        uint32_t channel = 0;
        uint32_t inFrame = 0;
        FLAC__int32 expected = 0;
        FLAC__int32 got = 0;
        FLAC__stream_encoder_get_verify_decoder_error_stats(e.encoder, &sample, &frame, &channel, &inFrame, &expected,
                                                            &got);
        throw EACSException(QStringLiteral("The FLAC encoder's check of %1 failed at sample %2: the file would not "
                                           "give back its audio.")
                                .arg(targetName())
                                .arg(sample));
    }
    if (state == FLAC__STREAM_ENCODER_CLIENT_ERROR || state == FLAC__STREAM_ENCODER_IO_ERROR) {
        const QString reason = e.writeError.isEmpty() ? QStringLiteral("the write failed") : e.writeError;
        raiseWriteError(reason);
    }
    throw EACSException(
        QStringLiteral("The FLAC encoder failed on %1: %2")
            .arg(targetName(), QString::fromLatin1(FLAC__stream_encoder_get_resolved_state_string(e.encoder))));
}

bool TFLACOut::ProduceBlock(bool abort)
{
    bool result = true;
    if (!stepPreamble(abort, m_endOfStream, result)) {
        return result;
    }
    std::lock_guard guard(m_transferMutex);
    if (!m_encoder || !m_encoder->initialised) {
        // Finished from outside between two steps.
        return false;
    }
    const std::int32_t frameBytes = m_channels * (m_bits / 8);
    const std::int32_t got = std::max(0, readInput(m_buffer.data() + m_carried, kTransferBytes - m_carried));
    if (got == 0) {
        endStream();
        return true;
    }
    // A read that ends inside a frame keeps the part for the next read.
    const std::int32_t bytes = m_carried + got;
    const std::int32_t frames = bytes / frameBytes;
    if (frames > 0) {
        encodeFrames(frames);
    }
    m_carried = bytes - frames * frameBytes;
    std::memmove(m_buffer.data(), m_buffer.data() + frames * frameBytes, size_t(m_carried));
    return true;
}

void TFLACOut::encodeFrames(std::int32_t frames)
{
    const std::int32_t count = frames * m_channels;
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_buffer.data());
    std::int32_t* samples = m_samples.data();
    if (m_bits == 16) {
        for (std::int32_t i = 0; i < count; ++i) {
            samples[i] = qFromLittleEndian<qint16>(bytes + 2 * i);
        }
    } else {
        // 8-bit PCM is unsigned around 128; FLAC keeps signed samples of the same width.
        for (std::int32_t i = 0; i < count; ++i) {
            samples[i] = std::int32_t(bytes[i]) - 128;
        }
    }
    if (m_encoder->verifier) {
        m_encoder->verifier->expect(samples, std::size_t(count));
    }
    if (!FLAC__stream_encoder_process_interleaved(m_encoder->encoder, samples, static_cast<uint32_t>(frames))) {
        raiseEncoderError();
    }
}

void TFLACOut::endStream()
{
    Encoder& e = *m_encoder;
    // The last frame, the checksum and the final stream information are written here;
    // only then does the file take its name.
    const bool finished = FLAC__stream_encoder_finish(e.encoder);
    e.finished = true;
    if (!finished) {
        raiseEncoderError();
    }
    QString mismatch;
    if (e.verifier && !e.verifier->finish(mismatch)) {
        throw EACSException(
            QStringLiteral("The FLAC encoder's check of %1 failed: %2, so the file would not give back its audio.")
                .arg(targetName(), mismatch));
    }
    if (e.verifier && e.start >= 0) {
        writeChecksum(e.start, e.verifier->md5());
    }
    if (m_file && !m_file->commit()) {
        const QString reason = m_file->errorString();
        m_file.reset();
        raiseWriteError(reason);
    }
    m_file.reset();
    m_endOfStream = true;
}

void TFLACOut::raiseWriteError(const QString& reason) const
{
    throw EACSWriteError(QStringLiteral("Cannot write to %1: %2").arg(targetName(), reason),
                         m_streamAssigned ? QString() : m_fileName, reason);
}

void TFLACOut::writeChecksum(qint64 start, const QByteArray& md5)
{
    // The stream information is the first block after "fLaC" and its 4-byte header; its
    // checksum fills the last 16 of its 34 bytes.
    constexpr qint64 kChecksumOffset = 4 + 4 + 18;
    QIODevice* target = m_encoder->target;
    const qint64 end = target->pos();
    if (!target->seek(start + kChecksumOffset) || target->write(md5) != md5.size() || !target->seek(end)) {
        raiseWriteError(target->errorString());
    }
}

void TFLACOut::FinishOutput()
{
    std::lock_guard guard(m_transferMutex);
    try {
        releaseTransfer();
    } catch (...) {
        // Closing the input failed; the file and the encoder are released all the same.
    }
    std::lock_guard commentsGuard(m_commentsMutex);
    m_comments.clear();
}

void TFLACOut::releaseTransfer()
{
    // An encoder that did not finish is thrown away, and with it what it wrote: the
    // temporary file goes without ever taking the target's name.
    m_encoder.reset();
    if (m_file) {
        m_file->cancelWriting();
        m_file.reset();
    }
    if (m_inputOpen) {
        m_inputOpen = false;
        if (TACSInput* input = Input()) {
            input->CloseInput();
        }
    }
}
