#include "cd/TCDRipThread.h"

#include "cd/CDDriveLibrary.h"
#include "cd/OffsetAudioReader.h"
#include "cd/TocTracks.h"
#include "common/Messages.h"
#include "common/Rounding.h"
#include "common/TextFormat.h"
#include "platform/Files.h"
#include "settings/TSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr int NormalizeBlock = 2048;

std::int64_t frames(const TOCEntry& entry)
{
    return tarnwick::toc::frames(entry);
}

void putLe32(QByteArray& bytes, int offset, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xff);
    }
}

void putLe16(QByteArray& bytes, int offset, std::uint16_t value)
{
    bytes[offset] = static_cast<char>(value & 0xff);
    bytes[offset + 1] = static_cast<char>(value >> 8);
}

// A short write is not yet a failure: the next attempt either goes on or fails with the
// system's reason (a full disk shows as a short write first, then as ENOSPC).
bool writeAll(QFile& file, const char* data, qint64 size)
{
    while (size > 0) {
        const qint64 written = file.write(data, size);
        if (written <= 0) {
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

// Reads until `size` bytes or the end of the file, so samples never split across reads;
// -1 on a read error.
qint64 readFull(QFile& file, char* data, qint64 size)
{
    qint64 filled = 0;
    while (filled < size) {
        const qint64 count = file.read(data + filled, size - filled);
        if (count < 0) {
            return -1;
        }
        if (count == 0) {
            break;
        }
        filled += count;
    }
    return filled;
}

// Gathers small writes into large ones: one system call per quarter megabyte instead of
// one per block.
class ChunkWriter
{
public:
    static constexpr qsizetype ChunkBytes = 256 * 1024;

    explicit ChunkWriter(QFile& file) : m_file(file) { m_buffer.reserve(ChunkBytes + 32 * 1024); }
    bool append(const char* data, qsizetype size)
    {
        m_buffer.insert(m_buffer.end(), data, data + size);
        return static_cast<qsizetype>(m_buffer.size()) < ChunkBytes || flush();
    }
    bool flush()
    {
        const bool ok = writeAll(m_file, m_buffer.data(), static_cast<qint64>(m_buffer.size()));
        m_buffer.clear(); // keeps the room for the next chunk
        return ok;
    }

private:
    QFile& m_file;
    std::vector<char> m_buffer;
};

} // namespace

TCDRipThread::TCDRipThread(std::int32_t trackNumber, const QString& title, QObject* parent)
    : QThread(parent), m_trackNumber(trackNumber), m_title(title)
{
}

TCDRipThread::~TCDRipThread()
{
    wait();
}

QByteArray TCDRipThread::wavHeader(std::uint32_t dataBytes)
{
    QByteArray header(44, '\0');
    header.replace(0, 4, "RIFF");
    putLe32(header, 4, dataBytes + 36);
    header.replace(8, 8, "WAVEfmt ");
    putLe32(header, 16, 16);
    putLe16(header, 20, 1);
    putLe16(header, 22, 2);
    putLe32(header, 24, 44100);
    putLe32(header, 28, 176400);
    putLe16(header, 32, 4);
    putLe16(header, 34, 16);
    header.replace(36, 4, "data");
    putLe32(header, 40, dataBytes);
    return header;
}

std::int16_t TCDRipThread::scaleSample(std::int16_t sample, float factor)
{
    // The product of a 16-bit sample and a float is exact in double, so only the one
    // rounding below happens. A percentage above 100 (typed into the settings file) can
    // leave the 16-bit range: clip rather than wrap round into noise.
    const std::int64_t scaled = tarnwick::roundHalfEven(static_cast<double>(sample) * static_cast<double>(factor));
    return static_cast<std::int16_t>(std::clamp<std::int64_t>(scaled, INT16_MIN, INT16_MAX));
}

void TCDRipThread::run()
{
    Execute();
    flushProgress();
}

namespace {

struct TrackSpan
{
    std::int64_t start = 0;
    std::int64_t length = 0;
};

int tracksIn(const TOC& toc)
{
    return tarnwick::toc::trackCount(toc);
}

// Where track `track` (its row position, 1-based) lies in `toc`, counted from the start
// of the first track; empty when the table does not hold it as audio. A data track read as
// audio would make a file of noise.
std::optional<TrackSpan> spanOf(const TOC& toc, std::int32_t track)
{
    // A track the table does not hold would read entries that are not there.
    const int tracks = tracksIn(toc);
    if (track < 1 || track > tracks || tarnwick::toc::isData(toc, track - 1)) {
        return std::nullopt;
    }
    const std::int64_t start = frames(toc.entries[track - 1]);
    return TrackSpan{start - frames(toc.entries[0]), tarnwick::toc::audioEnd(toc, track - 1) - start};
}

} // namespace

void TCDRipThread::Execute()
{
    if (ModifyCDParms(m_driveHandle, cdaudio::AddressingParameter, 1) == 0) {
        postRipError(ErrorAddressing);
        return;
    }
    TOC toc;
    if (ReadTOC(m_driveHandle, &toc) != 1) {
        postRipError(ErrorTableOfContents);
        return;
    }
    m_toc = toc;
    const std::optional<TrackSpan> span = spanOf(toc, m_trackNumber);
    // A track of no length, or one that moved since the job began, cannot be read whole
    // as the job meant it: an empty or foreign file would pass for the track.
    const std::optional<TrackSpan> expected = m_reference ? spanOf(*m_reference, m_trackNumber) : span;
    if (!span || span->length <= 0 || !expected || expected->start != span->start || expected->length != span->length) {
        postRipError(ErrorTableOfContents);
        return;
    }
    std::int64_t length = span->length;
    const TSettings& options = settings();
    if (options.EnableRipTime) {
        length = std::min<std::int64_t>(length, std::int64_t{options.RipTime} * cdaudio::FramesPerSecond);
    }
    const QString path = options.OutputFolder + QLatin1Char('/') + m_title + QStringLiteral(".wav");
    m_secure = options.SecureMode;
    m_offset = options.ReadOffset;
    m_readStats = SecureReadStats();
    TrackAudioInfo info;
    info.position = m_trackNumber;
    info.trackCount = tracksIn(toc);
    info.trackFrames = span->length;
    info.frames = std::max<std::int64_t>(length, 0);
    info.secure = m_secure;
    info.readOffset = m_offset;
    // The audio ends at the lead-out, or where the session ends before a data track, counted
    // in the same addressing as the track's start: nothing past it can be read as audio.
    const std::int64_t discEnd = tarnwick::toc::audioSessionEnd(toc, m_trackNumber - 1) - frames(toc.entries[0]);
    extract(path, span->start, info.frames, discEnd, info);
}

void TCDRipThread::extract(const QString& path, std::int64_t start, std::int64_t length, std::int64_t discEnd,
                           const TrackAudioInfo& info)
{
    // The sink hears of the track once it begins, and of its end exactly once.
    bool sinkOpen = false;
    auto endSink = [&](bool complete) {
        if (sinkOpen) {
            sinkOpen = false;
            m_sink->end(complete);
        }
    };
    // The title becomes a file name: one that names a folder or leaves the output folder
    // is refused before anything is written.
    if (!Files::isValidFileName(m_title + QStringLiteral(".wav")) || Files::isInUse(path)) {
        postOutcome(StatusFileFailed);
        return;
    }
    QFile output(path);
    if (!output.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        postOutcome(StatusWriteFailed, output.errorString());
        return;
    }
    // Whatever ends the track early, except a stop, takes the file with it.
    auto abandon = [&](std::int32_t status, const QString& reason) {
        output.close();
        Files::remove(path);
        postOutcome(status, reason);
    };
    const QByteArray firstHeader = wavHeader(0);
    if (!writeAll(output, firstHeader.constData(), firstHeader.size())) {
        abandon(StatusWriteFailed, output.errorString());
        return;
    }
    QElapsedTimer started;
    started.start();

    bool readFailed = false;
    bool writeFailed = false;
    ChunkWriter writer(output);
    tarnwick::TrackBufferPtr buffer = tarnwick::allocTrackBuffer(cdaudio::MaxReadFrames);
    // Both settings off: the drive is read block by block straight into the buffer, as it
    // always was. Otherwise every read goes through the offset correction, and in secure
    // mode through the device's verified reading.
    const bool plain = !m_secure && m_offset == 0;
    OffsetAudioReader corrected(
        [&](std::int32_t position, int n, std::uint8_t* dest) {
            buffer->startFrame = static_cast<std::uint32_t>(position);
            buffer->numFrames = static_cast<std::uint32_t>(n);
            const bool ok = m_secure ? tarnwick::readAudioSecure(m_driveHandle, buffer.get(), m_readStats)
                                     : ReadCDAudioLBA(m_driveHandle, buffer.get()) == 1;
            if (ok) {
                std::memcpy(dest, buffer->data() + buffer->dataOffset,
                            static_cast<std::size_t>(n) * cdaudio::FrameBytes);
            }
            return ok;
        },
        static_cast<std::int32_t>(discEnd), m_offset, cdaudio::MaxReadFrames);
    std::vector<std::uint8_t> block(plain ? 0 : std::size_t{cdaudio::MaxReadFrames} * cdaudio::FrameBytes);
    if (m_sink != nullptr) {
        m_sink->begin(info);
        sinkOpen = true;
    }
    std::int64_t done = 0;
    // A length of 0 (RipTime 0) reads nothing: the file is a valid WAV without audio.
    while (done < length) {
        const int n = static_cast<int>(std::min<std::int64_t>(cdaudio::MaxReadFrames, length - done));
        const std::int32_t position = static_cast<std::int32_t>(start + done);
        const std::uint8_t* audio = nullptr;
        std::size_t bytes = 0;
        if (plain) {
            buffer->startFrame = static_cast<std::uint32_t>(position);
            buffer->numFrames = static_cast<std::uint32_t>(n);
            if (ReadCDAudioLBA(m_driveHandle, buffer.get()) == 1) {
                audio = buffer->data() + buffer->dataOffset;
                bytes = buffer->length;
            }
        } else if (corrected.read(position, n, block.data())) {
            audio = block.data();
            bytes = static_cast<std::size_t>(n) * cdaudio::FrameBytes;
        }
        if (audio != nullptr) {
            // The one place the extracted audio passes: corrected, not yet written.
            if (m_sink != nullptr) {
                m_sink->audio(audio, bytes);
            }
            writeFailed = !writer.append(reinterpret_cast<const char*>(audio), static_cast<qsizetype>(bytes));
        } else {
            readFailed = true;
        }
        done += n;
        postProgress(done * 100 / length, started);
        if (readFailed || writeFailed || m_stop.load()) {
            break;
        }
    }
    buffer.reset();
    writeFailed = !writer.flush() || writeFailed;
    if (readFailed) {
        endSink(false);
        abandon(StatusReadFailed, QString());
        return;
    }
    if (writeFailed) {
        endSink(false);
        abandon(StatusWriteFailed, output.errorString());
        return;
    }
    const qint64 size = output.size();
    const QByteArray finalHeader = wavHeader(static_cast<std::uint32_t>(std::max<qint64>(size - 44, 0)));
    const bool completed = output.seek(0) && writeAll(output, finalHeader.constData(), finalHeader.size());
    const QString reason = output.errorString();
    output.close();
    if (!completed || output.error() != QFileDevice::NoError) {
        endSink(false);
        Files::remove(path);
        if (!m_stop.load()) {
            postOutcome(StatusWriteFailed, completed ? output.errorString() : reason);
        }
        return;
    }
    endSink(done >= length);
    if (m_stop.load()) {
        return;
    }
    const TSettings& options = settings();
    if (options.IsNormalize && !normalize(path, options.NormalizePercent)) {
        if (!m_stop.load()) {
            postOutcome(StatusNormalizeFailed);
        }
        return;
    }
    postOutcome(StatusDone);
}

bool TCDRipThread::normalize(const QString& path, std::int32_t percent)
{
    flushProgress();
    tarnwick::postProcessInfo(m_window, ProgressCode::NormalizeBegins, QString(), QString(), 0);
    const QFileInfo info(path);
    const QString temporary = info.dir().filePath(info.completeBaseName() + QStringLiteral(".nor"));
    const float factor = static_cast<float>(percent) / 100.0f;
    // Every 16-bit sample scaled once: the pass then costs a table look-up per sample.
    std::vector<std::uint16_t> scaled(65536);
    for (int s = INT16_MIN; s <= INT16_MAX; ++s) {
        scaled[static_cast<std::uint16_t>(s)] =
            static_cast<std::uint16_t>(scaleSample(static_cast<std::int16_t>(s), factor));
    }

    QFile source(path);
    QFile target(temporary);
    if (!source.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        return false;
    }
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        return false;
    }
    const qint64 total = source.size();
    QElapsedTimer started;
    started.start();

    // Any failure leaves the extracted WAV untouched and removes the half-made copy; a
    // short write must never be renamed over the only good file.
    auto abandon = [&] {
        target.close();
        Files::remove(temporary);
        return false;
    };
    const QByteArray header = source.read(44);
    if (header.size() != 44 || !writeAll(target, header.constData(), header.size())) {
        return abandon();
    }
    // The file is read and written in large chunks, and worked through in 2,048-byte
    // blocks with one progress record each.
    constexpr qint64 ChunkBytes = 128 * NormalizeBlock;
    std::vector<char> chunk(ChunkBytes);
    qint64 consumed = 44;
    for (;;) {
        const qint64 filled = readFull(source, chunk.data(), ChunkBytes);
        if (filled < 0) {
            return abandon();
        }
        qint64 offset = 0;
        do {
            postProgress(total > 0 ? consumed * 100 / total : 100, started);
            const qint64 count = std::min<qint64>(NormalizeBlock, filled - offset);
            char* block = chunk.data() + offset;
            for (qint64 i = 0; i + 1 < count; i += 2) {
                const auto low = static_cast<std::uint8_t>(block[i]);
                const auto high = static_cast<std::uint8_t>(block[i + 1]);
                const std::uint16_t value = scaled[static_cast<std::uint16_t>(low | (high << 8))];
                block[i] = static_cast<char>(value & 0xff);
                block[i + 1] = static_cast<char>(value >> 8);
            }
            consumed += count;
            offset += count;
        } while (offset < filled);
        if (filled == 0) {
            break;
        }
        if (!writeAll(target, chunk.data(), filled) || m_stop.load()) {
            return abandon();
        }
    }
    source.close();
    target.close();
    if (target.error() != QFileDevice::NoError) {
        Files::remove(temporary);
        return false;
    }
    // rename() replaces the extracted file in one step; if it cannot, both files stay.
    return Files::rename(temporary, path);
}

void TCDRipThread::postProgress(std::int64_t progress, const QElapsedTimer& started)
{
    TProcessInfo info;
    info.Progress = static_cast<std::int32_t>(progress);
    if (progress > 0) {
        const std::int64_t elapsed = tarnwick::roundHalfEven(static_cast<double>(started.elapsed()) / 1000.0);
        // Thousands of blocks share a second and a percentage: format their texts once.
        if (elapsed != m_textElapsed || progress != m_textProgress) {
            const std::int64_t estimated = tarnwick::roundHalfEven(static_cast<double>(elapsed) * 100.0 / progress);
            m_elapsedText = tarnwick::timeText(static_cast<int>(elapsed));
            m_estimatedText = tarnwick::timeText(static_cast<int>(estimated));
            m_textElapsed = elapsed;
            m_textProgress = progress;
        }
        info.ElapsedText = m_elapsedText;
        info.EstimatedText = m_estimatedText;
    }
    m_pending.push_back(std::move(info));
    if (!m_lastPost.isValid() || m_lastPost.elapsed() >= ProgressBatchMs) {
        flushProgress();
    }
}

void TCDRipThread::flushProgress()
{
    for (TProcessInfo& info : m_pending) {
        tarnwick::postMessage(m_window, new ProcessInfoEvent(std::make_unique<TProcessInfo>(std::move(info))));
    }
    m_pending.clear();
    m_lastPost.start();
}

void TCDRipThread::postOutcome(std::int32_t status, const QString& reason)
{
    flushProgress();
    tarnwick::postProcessInfo(m_window, ProgressCode::TrackExtracted, reason, QString(), status);
}

void TCDRipThread::postRipError(std::intptr_t error)
{
    flushProgress();
    tarnwick::postMessage(m_window, new MessageEvent(WM_RIPERROR, 0, error));
}
