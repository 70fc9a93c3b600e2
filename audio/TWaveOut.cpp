#include "audio/TWaveOut.h"

#include "audio/EACSException.h"
#include "audio/EACSWriteError.h"
#include "audio/TACSFileIn.h"
#include "audio/WavHeader.h"
#include "common/Rounding.h"

#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

void putLe16(QByteArray& bytes, std::uint32_t value)
{
    bytes.append(char(value & 0xff));
    bytes.append(char((value >> 8) & 0xff));
}

void putLe32(QByteArray& bytes, std::uint32_t value)
{
    putLe16(bytes, value & 0xffff);
    putLe16(bytes, value >> 16);
}

QByteArray le32(std::uint32_t value)
{
    QByteArray bytes;
    putLe32(bytes, value);
    return bytes;
}

// Writes a 32-bit field at `offset` and comes back to where the stream was.
void patch32(QIODevice& stream, std::int64_t offset, std::uint32_t value)
{
    const qint64 back = stream.pos();
    if (stream.seek(offset)) {
        stream.write(le32(value));
    }
    stream.seek(back);
}

std::uint32_t lengthField(std::int64_t value)
{
    return std::uint32_t(std::clamp<std::int64_t>(value, 0, 0xffffffffLL));
}

} // namespace

TWaveOut::TWaveOut(QObject* owner) : TACSFileOut(owner), m_transfer(transferSize) {}

TWaveOut::~TWaveOut()
{
    endWorker();
}

void TWaveOut::SetWavType(TWavType type)
{
    if (!Busy() && (type == wtPCM || type == wtDVIADPCM)) {
        m_wavType = type;
    }
}

void TWaveOut::SetBlockSize(std::uint16_t size)
{
    if (!Busy() && size != 0 && size % 4 == 0) {
        m_blockSize = size;
    }
}

void TWaveOut::SetFileMode(TFileOutputMode mode)
{
    m_fileMode = mode;
}

void TWaveOut::refuse(const char* message)
{
    closeTarget();
    throw EACSException(message);
}

void TWaveOut::closeTarget()
{
    if (!m_streamAssigned) {
        m_file.reset();
    }
    m_target = nullptr;
}

void TWaveOut::PrepareOutput()
{
    m_endOfInput = false;
    m_appending = false;
    if (m_streamAssigned) {
        m_target = m_stream;
    } else {
        if (m_fileName.isEmpty()) {
            throw EACSException("File name is not assigned.");
        }
        m_file = std::make_unique<QFile>(m_fileName);
        const bool append = m_fileMode == foAppend && m_file->exists();
        if (!m_file->open(append ? QIODevice::ReadWrite : (QIODevice::ReadWrite | QIODevice::Truncate))) {
            m_file.reset();
            throw EACSException(QStringLiteral("Cannot open file \"%1\".").arg(m_fileName));
        }
        m_target = m_file.get();
    }
    TACSInput* input = Input();
    input->OpenInput();

    if (m_fileMode == foAppend && m_target->size() > 0) {
        const WavHeader h = WavHeader::parse(*m_target, WavHeader::Reader::waveOut);
        if (!h.valid || (h.kind != wtPCM && h.kind != wtDVIADPCM)) {
            refuse("Cannot append data to this .wav file.");
        }
        m_appending = true;
        m_wavType = h.kind;
        m_blockSize = h.blockAlign;
        m_fileRate = h.sampleRate;
        m_fileChannels = h.channels;
        m_fileBits = h.bits;
        m_factCountOffset = h.factCountOffset;
        m_dataLengthOffset = h.dataLengthOffset;
        m_dataOffset = h.dataOffset;
    }

    const std::int32_t channels = input->ChannelCount();
    m_channels = channels;
    m_framesRead = 0;
    const std::int32_t bits = input->SampleBits();
    const std::int32_t rate = input->SampleRate();
    // A source that is not valid (a file that is not understood) reports no format; a
    // header of zeros would make a file no program can read.
    if (channels == 0 && bits == 0 && rate == 0) {
        auto* file = dynamic_cast<TACSFileIn*>(input);
        const QString message =
            file ? QStringLiteral("The file \"%1\" holds no audio that can be read.").arg(file->FileName())
                 : QStringLiteral("The input holds no audio that can be read.");
        closeTarget();
        throw EACSException(message);
    }
    if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16) || rate <= 0) {
        closeTarget();
        throw EACSException(QStringLiteral("Cannot write %1-bit audio with %2 channels at %3 Hz to a .wav file.")
                                .arg(bits)
                                .arg(channels)
                                .arg(rate));
    }
    if (m_wavType == wtPCM) {
        if (m_appending) {
            if (std::uint32_t(rate) != m_fileRate || bits != m_fileBits || channels != m_fileChannels) {
                refuse("Cannot append data in different audio format.");
            }
            m_target->seek(m_target->size());
        } else {
            writeHeader();
        }
        return;
    }
    if (bits != 16) {
        refuse("Cannot encode 8 bit sound into ADPCM.");
    }
    if (m_appending) {
        if (std::uint32_t(rate) != m_fileRate || channels != m_fileChannels) {
            refuse("Cannot append data in different audio format.");
        }
    }
    // Stereo codes come in groups of 4 bytes per channel: a block that does not hold whole
    // groups cannot carry the frames its header promises.
    if ((channels != 1 && channels != 2) || m_blockSize <= 4 * channels ||
        (channels == 2 && (m_blockSize - 8) % 8 != 0)) {
        refuse("Cannot encode sound into ADPCM blocks of this size.");
    }
    m_encoder[0] = m_encoder[1] = ImaAdpcm::Channel{};
    if (m_appending) {
        m_target->seek(m_target->size());
    } else {
        writeHeader();
    }
}

void TWaveOut::writeHeader()
{
    TACSInput* input = Input();
    const std::uint32_t channels = std::uint32_t(input->ChannelCount());
    const std::uint32_t rate = std::uint32_t(input->SampleRate());
    const std::int64_t size = input->Size();
    QByteArray h;
    h += "RIFF";
    if (m_wavType == wtPCM) {
        const std::uint32_t bits = std::uint32_t(input->SampleBits());
        const std::uint32_t blockAlign = bits * channels / 8;
        putLe32(h, lengthField(size + 36));
        h += "WAVEfmt ";
        putLe32(h, 16);
        putLe16(h, 1);
        putLe16(h, channels);
        putLe32(h, rate);
        putLe32(h, rate * blockAlign);
        putLe16(h, blockAlign);
        putLe16(h, bits);
        h += "data";
        putLe32(h, lengthField(size));
    } else {
        const std::uint32_t b = m_blockSize;
        const std::uint32_t s = std::uint32_t(ImaAdpcm::samplesPerBlock(std::int32_t(b), std::int32_t(channels)));
        const std::int64_t frames = size < 0 ? 0 : size / (input->SampleBits() / 8) / std::int64_t(channels);
        const std::int64_t dataLength = tarnwick::roundHalfEven(double(frames) / s) * b;
        putLe32(h, lengthField(dataLength + 52));
        h += "WAVEfmt ";
        putLe32(h, 20);
        putLe16(h, 17);
        putLe16(h, channels);
        putLe32(h, rate);
        putLe32(h, (rate / s) * b);
        putLe16(h, b);
        putLe16(h, 4);
        putLe16(h, 2);
        putLe16(h, s);
        h += "fact";
        putLe32(h, 4);
        putLe32(h, lengthField(frames));
        h += "data";
        putLe32(h, lengthField(dataLength));
    }
    writeOrFail(h.constData(), h.size());
}

bool TWaveOut::ProduceBlock(bool abort)
{
    bool result = false;
    if (!stepPreamble(abort, m_endOfInput, result)) {
        return result;
    }
    return m_wavType == wtPCM ? producePcm() : produceAdpcm();
}

bool TWaveOut::producePcm()
{
    std::int32_t got = 0;
    try {
        got = readInput(m_transfer.data(), transferSize);
    } catch (...) {
        // A failed read ends the transfer like the end of the input.
        got = 0;
    }
    if (got <= 0) {
        m_endOfInput = true;
        return false;
    }
    writeOrFail(reinterpret_cast<const char*>(m_transfer.data()), got);
    return true;
}

bool TWaveOut::produceAdpcm()
{
    const std::int32_t channels = m_channels;
    const std::int32_t frames = ImaAdpcm::samplesPerBlock(m_blockSize, channels);
    const std::int32_t wanted = frames * 2 * channels;
    std::vector<std::int16_t> pcm(size_t(frames) * size_t(channels), 0);
    auto* bytes = reinterpret_cast<char*>(pcm.data());
    std::int32_t filled = 0;
    try {
        while (filled < wanted) {
            const std::int32_t got = readInput(bytes + filled, wanted - filled);
            if (got <= 0) {
                m_endOfInput = true;
                break;
            }
            filled += got;
        }
    } catch (...) {
        m_endOfInput = true;
        return false;
    }
    m_framesRead += filled / (2 * channels);
    std::vector<std::uint8_t> block(m_blockSize);
    ImaAdpcm::encodeBlock(pcm.data(), channels, m_blockSize, m_encoder, block.data());
    writeOrFail(reinterpret_cast<const char*>(block.data()), qint64(block.size()));
    return true;
}

void TWaveOut::writeOrFail(const char* data, qint64 size)
{
    qint64 left = size;
    errno = 0;
    try {
        // A short write is retried: the next attempt fails with the system's reason.
        while (left > 0) {
            const qint64 written = m_target->write(data, left);
            if (written <= 0) {
                break;
            }
            data += written;
            left -= written;
        }
    } catch (...) {
        // A stream that throws has failed like one that refuses the bytes.
    }
    if (left > 0) {
        // A file cut short by a full disk must not end as a valid, shorter WAV.
        const QString reason = EACSWriteError::reasonOf(*m_target, errno);
        throw EACSWriteError(QStringLiteral("Cannot write to the file \"%1\": %2").arg(m_fileName, reason),
                             m_streamAssigned ? QString() : m_fileName, reason);
    }
}

void TWaveOut::fixUpHeader()
{
    QIODevice& f = *m_target;
    const std::int64_t length = f.size();
    if (m_appending) {
        const std::int64_t dataLength = length - m_dataOffset;
        patch32(f, m_dataLengthOffset, lengthField(dataLength));
        if (m_wavType == wtDVIADPCM && m_factCountOffset >= 0) {
            const std::int64_t s = ImaAdpcm::samplesPerBlock(m_blockSize, m_fileChannels);
            patch32(f, m_factCountOffset, lengthField(s * (dataLength / m_blockSize)));
        }
    } else if (m_wavType == wtPCM) {
        patch32(f, 40, lengthField(length - 44));
    } else {
        patch32(f, 56, lengthField(length - 60));
        // The frames that really came, not the padding of the last block: a reader that
        // stops at this count gives back exactly what was written.
        patch32(f, 48, lengthField(m_framesRead));
    }
    patch32(f, 4, lengthField(length - 8));
}

void TWaveOut::FinishOutput()
{
    if (m_target) {
        // The lengths are set from what was written, so the header is right even when
        // the input delivered more or less than it declared.
        fixUpHeader();
        m_target->seek(m_target->size());
        // Buffered bytes reach the disk here: a full disk shows at the flush.
        errno = 0;
        const bool flushed = !m_file || m_file->flush();
        const QString reason = flushed ? QString() : EACSWriteError::reasonOf(*m_file, errno);
        closeTarget();
        if (!flushed) {
            if (TACSInput* input = Input()) {
                input->CloseInput();
            }
            throw EACSWriteError(QStringLiteral("Cannot write to the file \"%1\": %2").arg(m_fileName, reason),
                                 m_fileName, reason);
        }
    }
    if (TACSInput* input = Input()) {
        input->CloseInput();
    }
}
