#include "audio/TWaveIn.h"

#include "audio/EACSException.h"
#include "audio/ImaAdpcm.h"
#include "audio/TWaveConverter.h"
#include "audio/WavHeader.h"
#include "common/Rounding.h"

#include <QBuffer>
#include <QFile>
#include <algorithm>
#include <cstring>

TWaveIn::TWaveIn(QObject* owner) : TACSFileIn(owner), m_staging(stagingSize) {}

TWaveIn::~TWaveIn()
{
    releaseHolders();
    if (m_openCount > 0) {
        m_openCount = 1;
        CloseSource();
    }
}

TWavType TWaveIn::WavType()
{
    OpenSource();
    const TWavType kind = m_kind;
    CloseSource();
    return kind;
}

void TWaveIn::OpenSource()
{
    if (m_openCount++ > 0) {
        return;
    }
    m_valid = true;
    m_kind = wtUnsupported;
    m_bits = m_channels = m_sampleRate = 0;
    m_totalSamples = 0;
    m_size = 0;
    if (!m_streamAssigned) {
        m_file = std::make_unique<QFile>(FileName());
        if (!m_file->open(QIODevice::ReadOnly)) {
            m_file.reset();
            m_stream = nullptr;
            m_valid = false;
            return;
        }
        m_stream = m_file.get();
    }
    if (!m_stream) {
        m_valid = false;
        return;
    }
    parseHeader();
}

void TWaveIn::parseHeader()
{
    const WavHeader h = WavHeader::parse(*m_stream, WavHeader::Reader::waveIn);
    m_kind = h.valid ? h.kind : wtUnsupported;
    m_channels = h.channels;
    m_sampleRate = std::int32_t(std::min<std::uint32_t>(h.sampleRate, 0x7fffffff));
    m_bits = h.bits;
    m_dataOffset = h.dataOffset;
    m_blockSize = h.blockAlign;
    m_samplesPerBlock = h.samplesPerBlock;
    m_factCount = h.factCount;
    m_coefficientCount = h.coefficientCount;
    m_coefficients = h.coefficients;
    // The components pass on 8- or 16-bit PCM of one or two channels; anything else is
    // not a file this reader can deliver.
    const bool channelsOk = m_channels == 1 || m_channels == 2;
    const std::int64_t factFrames = std::min<std::uint32_t>(m_factCount, 0x3fffffff / 4);
    switch (m_kind) {
    case wtUnsupported:
        m_valid = false;
        break;
    case wtPCM:
    case wtACM: {
        if (m_kind == wtACM && !m_converted) {
            useConvertedStream();
            return;
        }
        if (!channelsOk || (m_bits != 8 && m_bits != 16) || m_sampleRate <= 0) {
            m_valid = false;
            break;
        }
        // A data length beyond the end of the file (a truncated file, or one written to a
        // pipe) counts only what is there.
        const std::int64_t present = std::max<std::int64_t>(0, m_stream->size() - m_dataOffset);
        const std::int64_t length = std::min<std::int64_t>({h.dataLength, present, 0x7fffffff});
        m_size = std::int32_t(length);
        m_totalSamples = std::int32_t(length / frameBytes());
        break;
    }
    case wtDVIADPCM:
        m_valid = m_bits == 4 && channelsOk && m_blockSize > 4 * m_channels && m_sampleRate > 0;
        m_bits = 16;
        m_totalSamples = std::int32_t(factFrames);
        m_size = std::int32_t(m_channels * factFrames * 2);
        break;
    case wtMSADPCM:
        m_valid = channelsOk && m_blockSize >= 7 * m_channels && m_samplesPerBlock >= 2 && m_coefficientCount > 0 &&
                  m_sampleRate > 0;
        m_bits = 16;
        m_size = std::int32_t(m_channels * factFrames * 2);
        m_totalSamples = std::int32_t(factFrames);
        break;
    }
    if (m_valid && (m_kind == wtDVIADPCM || m_kind == wtMSADPCM)) {
        // Room for the largest block this file can hold, decoded.
        const std::int32_t frames =
            std::max<std::int32_t>(m_samplesPerBlock, ImaAdpcm::samplesPerBlock(m_blockSize, m_channels));
        m_staging.resize(std::max<size_t>(stagingSize, size_t(frames) * 2 * m_channels));
        m_block.resize(m_blockSize);
    }
}

void TWaveIn::useConvertedStream()
{
    TWaveConverter converter;
    m_stream->seek(0);
    converter.LoadWave(*m_stream);
    if (converter.ConvertData() != 0) {
        m_valid = false;
        return;
    }
    m_converted = std::make_unique<QBuffer>();
    m_converted->open(QIODevice::ReadWrite);
    if (converter.SaveWave(*m_converted) != 0) {
        m_converted.reset();
        m_valid = false;
        return;
    }
    m_fileStream = m_stream;
    m_fileStreamAssigned = m_streamAssigned;
    m_stream = m_converted.get();
    m_converted->seek(0);
    parseHeader();
    m_kind = wtACM;
}

void TWaveIn::CloseSource()
{
    if (m_openCount == 1) {
        if (m_converted) {
            m_stream = m_fileStream;
            m_converted.reset();
            m_fileStream = nullptr;
        }
        if (!m_streamAssigned) {
            m_file.reset();
            m_stream = nullptr;
        } else if (m_seekable && m_stream) {
            m_stream->seek(0);
        }
    }
    m_openCount = std::max(0, m_openCount - 1);
}

bool TWaveIn::SeekToSample(std::int32_t sample)
{
    if (!m_seekable || m_openCount == 0 || !m_stream || !m_valid) {
        return false;
    }
    std::int64_t offset = m_dataOffset;
    if (m_kind == wtPCM || m_kind == wtACM) {
        offset += std::int64_t(sample) * frameBytes();
    } else if (m_samplesPerBlock > 0) {
        offset += std::int64_t(sample / m_samplesPerBlock) * m_blockSize;
    }
    return m_stream->seek(offset);
}

void TWaveIn::OpenInput()
{
    TACSFileIn::OpenInput();
    // Also from a nested open, where the file was not opened (and positioned) afresh.
    SeekToSample(StartSample());
}

std::int32_t TWaveIn::ReadData(void* buffer, std::int32_t bufferSize)
{
    if (!Busy()) {
        throw EACSException("The Stream is not opened");
    }
    if (stagedBytes() <= 0 && !refill()) {
        return 0;
    }
    const std::int32_t count = std::min(bufferSize, stagedBytes());
    std::memcpy(buffer, m_staging.data() + m_bufferStart - 1, size_t(count));
    m_bufferStart += count;
    m_position += count;
    return count;
}

bool TWaveIn::refill()
{
    if (!m_valid || !m_stream) {
        return false;
    }
    switch (m_kind) {
    case wtPCM:
    case wtACM:
        return refillPcm();
    case wtDVIADPCM:
    case wtMSADPCM:
        return refillAdpcm();
    default:
        return false;
    }
}

void TWaveIn::restart()
{
    CloseInput();
    OpenInput();
}

bool TWaveIn::refillPcm()
{
    if (const std::int32_t jump = takeJump()) {
        const std::int64_t moved = Position() + tarnwick::roundHalfEven(jump / 100.0 * Size());
        std::int64_t position = std::clamp<std::int64_t>(moved, 0, Size());
        // Whole frames only: 4 bytes is a multiple of every frame size.
        position -= position % 4;
        m_position = std::int32_t(position);
        m_stream->seek(m_dataOffset + std::int64_t(StartSample()) * frameBytes() + position);
    }
    for (int pass = 0; pass < 2; ++pass) {
        const std::int64_t wanted = std::min<std::int64_t>(stagingSize, std::int64_t(Size()) - Position());
        const qint64 got = wanted > 0 ? m_stream->read(reinterpret_cast<char*>(m_staging.data()), wanted) : 0;
        if (got > 0) {
            m_bufferStart = 1;
            m_bufferEnd = std::int32_t(got);
            return true;
        }
        if (!Loop()) {
            return false;
        }
        // Once round: an empty range would otherwise loop for ever.
        restart();
    }
    return false;
}

bool TWaveIn::refillAdpcm()
{
    if (const std::int32_t jump = takeJump()) {
        const std::int64_t currentBlock = (m_stream->pos() - m_dataOffset) / m_blockSize;
        const std::int64_t target =
            currentBlock * m_samplesPerBlock + tarnwick::roundHalfEven(jump / 100.0 * TotalSamples());
        SeekToSample(std::int32_t(std::clamp<std::int64_t>(target, 0, 0x7fffffff)));
        const std::int64_t block = (m_stream->pos() - m_dataOffset) / m_blockSize;
        m_position = std::int32_t(std::min<std::int64_t>(block * m_samplesPerBlock * 2 * m_channels, Size()));
    }
    for (int pass = 0; pass < 2; ++pass) {
        if (Position() < Size()) {
            const qint64 got = m_stream->read(reinterpret_cast<char*>(m_block.data()), m_blockSize);
            if (got <= 0) {
                return false;
            }
            const std::int32_t frames = decodeBlock(m_block.data(), std::int32_t(got));
            if (frames < 0) {
                // A block that cannot be decoded ends what the file can give.
                m_valid = false;
                return false;
            }
            // The fact count ends the audio; the rest of the last block is padding.
            const std::int64_t bytes =
                std::min<std::int64_t>(std::int64_t(frames) * 2 * m_channels, Size() - Position());
            m_bufferStart = 1;
            m_bufferEnd = std::int32_t(bytes);
            return bytes > 0;
        }
        if (!Loop()) {
            return false;
        }
        restart();
    }
    return false;
}

std::int32_t TWaveIn::decodeBlock(const std::uint8_t* block, std::int32_t bytes)
{
    auto* out = reinterpret_cast<std::int16_t*>(m_staging.data());
    if (m_kind == wtDVIADPCM) {
        return ImaAdpcm::decodeBlock(block, bytes, m_channels, out);
    }
    return MsAdpcm::decodeBlock(block, bytes, m_channels, m_samplesPerBlock, m_coefficients, m_coefficientCount, out);
}
