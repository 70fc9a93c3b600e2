#include "audio/TWaveConverter.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

std::uint32_t le32(const char* at)
{
    const auto* b = reinterpret_cast<const std::uint8_t*>(at);
    return std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[3]) << 24);
}

void putLe16(std::uint8_t* at, std::uint32_t value)
{
    at[0] = std::uint8_t(value);
    at[1] = std::uint8_t(value >> 8);
}

void putLe32(std::uint8_t* at, std::uint32_t value)
{
    putLe16(at, value);
    putLe16(at + 2, value >> 16);
}

QByteArray le32Bytes(std::uint32_t value)
{
    std::uint8_t bytes[4];
    putLe32(bytes, value);
    return QByteArray(reinterpret_cast<const char*>(bytes), 4);
}

struct Mpg123Deleter
{
    void operator()(mpg123_handle* handle) const
    {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};

// Error codes in the range of the compression manager's, so callers see one kind of result.
constexpr std::int32_t convertFailed = 512;

} // namespace

TWaveConverter::TWaveConverter()
{
    open(QIODevice::ReadWrite);
}

void TWaveConverter::LoadWave(QIODevice& stream)
{
    stream.seek(0);
    const QByteArray bytes = stream.readAll();
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
        return;
    }
    // An 8-byte window (tag and length) moves one byte at a time; a known chunk is taken
    // whole and the window goes on after it.
    qsizetype pos = 12;
    while (pos + 8 <= bytes.size()) {
        const QByteArray tag = bytes.mid(pos, 4);
        const std::uint64_t length = le32(bytes.constData() + pos + 4);
        const qsizetype content = pos + 8;
        const qsizetype available = std::min<std::uint64_t>(length, std::uint64_t(bytes.size() - content));
        if (tag == "fmt ") {
            // The format buffer has a fixed size; a longer format keeps its first part.
            m_source.fill(0);
            std::memcpy(m_source.data(), bytes.constData() + content,
                        size_t(std::min<qsizetype>(available, formatBufferSize)));
            pos = content + available;
        } else if (tag == "fact") {
            pos = content + available;
        } else if (tag == "data") {
            buffer() = bytes.mid(content, available);
            pos = content + available;
        } else {
            ++pos;
        }
    }
    seek(0);
}

std::int32_t TWaveConverter::ConvertData()
{
    mpg123_init();
    int error = MPG123_OK;
    std::unique_ptr<mpg123_handle, Mpg123Deleter> handle(mpg123_new(nullptr, &error));
    if (!handle) {
        return convertFailed;
    }
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    // Always 16-bit signed output, at whatever rate and channel count the stream has.
    mpg123_format_none(handle.get());
    const long* rates = nullptr;
    size_t rateCount = 0;
    mpg123_rates(&rates, &rateCount);
    for (size_t i = 0; i < rateCount; ++i) {
        mpg123_format(handle.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
    if (mpg123_open_feed(handle.get()) != MPG123_OK) {
        return convertFailed;
    }
    const QByteArray& input = data();
    if (mpg123_feed(handle.get(), reinterpret_cast<const unsigned char*>(input.constData()), size_t(input.size())) !=
        MPG123_OK) {
        return convertFailed;
    }
    QByteArray output;
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    unsigned char chunk[32768];
    for (;;) {
        size_t done = 0;
        const int result = mpg123_read(handle.get(), chunk, sizeof chunk, &done);
        output.append(reinterpret_cast<const char*>(chunk), qsizetype(done));
        if (result == MPG123_NEW_FORMAT) {
            mpg123_getformat(handle.get(), &rate, &channels, &encoding);
            continue;
        }
        if (result == MPG123_OK) {
            continue;
        }
        if (result == MPG123_NEED_MORE || result == MPG123_DONE) {
            break;
        }
        return convertFailed;
    }
    if (rate <= 0 || channels <= 0) {
        return convertFailed; // not one frame of audio was found
    }
    const std::uint32_t blockAlign = 2 * std::uint32_t(channels);
    m_target.fill(0);
    putLe16(&m_target[0], 1);
    putLe16(&m_target[2], std::uint32_t(channels));
    putLe32(&m_target[4], std::uint32_t(rate));
    putLe32(&m_target[8], std::uint32_t(rate) * blockAlign);
    putLe16(&m_target[12], blockAlign);
    putLe16(&m_target[14], 16);
    m_source = m_target;
    buffer() = output;
    seek(0);
    return 0;
}

std::int32_t TWaveConverter::SaveWave(QIODevice& stream)
{
    const qint64 start = stream.pos();
    QByteArray header;
    header += "RIFF";
    header += le32Bytes(0);
    header += "WAVE";
    header += "fmt ";
    header += le32Bytes(16);
    header += QByteArray(reinterpret_cast<const char*>(m_source.data()), 16);
    header += "data";
    header += le32Bytes(std::uint32_t(data().size()));
    if (stream.write(header) != header.size() || stream.write(data()) != data().size()) {
        return 286;
    }
    const qint64 end = stream.pos();
    if (!stream.seek(start + 4) || stream.write(le32Bytes(std::uint32_t(stream.size() - 8))) != 4) {
        return 286;
    }
    stream.seek(end);
    return 0;
}
