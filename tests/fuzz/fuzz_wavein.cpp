// clang-format off
// fuzz-sources: audio/TWaveIn.cpp audio/TWaveConverter.cpp audio/WavHeader.cpp audio/ImaAdpcm.cpp audio/MsAdpcm.cpp audio/TACSFileIn.cpp audio/TACSStreamedInput.cpp audio/TACSInput.cpp audio/TACSInputLink.cpp common/Rounding.cpp
// fuzz-libs: libmpg123
// clang-format on
//
// Bytes as the stream a TWaveIn reads: the header parse and every decoder. The first byte
// picks how: the rest as it stands (a real file behind a zero byte is read as it is), or
// as the format fields and data of a well-formed header of one of the four kinds, so the
// decoders are reached from any seed. Beyond surviving the input: a source that is not
// Valid gives nothing, one that is never gives more than its Size, and the format it
// reports is one the components can carry.
#include "audio/TWaveIn.h"

#include <QBuffer>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_wavein: %s\n", what);
    std::abort();
}

QByteArray le16(std::uint32_t v)
{
    QByteArray b(2, '\0');
    b[0] = char(v & 0xff);
    b[1] = char((v >> 8) & 0xff);
    return b;
}

QByteArray le32(std::uint32_t v)
{
    return le16(v & 0xffff) + le16(v >> 16);
}

QByteArray chunk(const char* tag, const QByteArray& content)
{
    return QByteArray(tag, 4) + le32(std::uint32_t(content.size())) + content;
}

// A header of the given format tag around fuzzer bytes: the first ones shape the format
// fields (channels, block size, samples per block, coefficients), the rest is the data.
QByteArray wellFormed(std::uint16_t formatTag, const std::uint8_t* data, size_t size)
{
    auto take = [&](size_t i) -> std::uint8_t { return i < size ? data[i] : 0; };
    const std::uint16_t channels = 1 + (take(0) & 1);
    const std::uint16_t blockAlign = std::uint16_t(take(1) | (take(2) << 8)) % 4096;
    const std::uint16_t samplesPerBlock = std::uint16_t(take(3) | (take(4) << 8));
    const std::uint16_t bits = formatTag == 1 ? ((take(0) & 2) ? 16 : 8) : 4;
    QByteArray format = le16(formatTag) + le16(channels) + le32(22050) + le32(44100) + le16(blockAlign) + le16(bits);
    if (formatTag == 17) {
        format += le16(2) + le16(samplesPerBlock);
    } else if (formatTag == 2) {
        const std::uint16_t count = take(5) % 8;
        format += le16(4 + 4 * count) + le16(samplesPerBlock) + le16(count);
        for (int i = 0; i < count; ++i) {
            format += le16(std::uint16_t(take(6 + i) * 3)) + le16(std::uint16_t(-take(14 + i)));
        }
    } else if (formatTag == 85) {
        format += le16(12) + QByteArray(12, '\0');
    }
    const size_t header = std::min<size_t>(size, 22);
    const QByteArray payload(reinterpret_cast<const char*>(data) + header, qsizetype(size - header));
    QByteArray body = "WAVE" + chunk("fmt ", format);
    if (formatTag == 17 || formatTag == 2) {
        body += chunk("fact", le32(std::uint32_t(take(5) | (take(6) << 8) | (take(7) << 16))));
    }
    body += chunk("data", payload);
    return "RIFF" + le32(std::uint32_t(body.size())) + body;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    QByteArray bytes;
    const std::uint8_t mode = size > 0 ? data[0] % 5 : 0;
    static const std::uint16_t tags[5] = {0, 1, 17, 2, 85};
    if (mode == 0 || size < 2) {
        bytes = size > 0 ? QByteArray(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1)) : QByteArray();
    } else {
        bytes = wellFormed(tags[mode], data + 1, size - 1);
    }
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    TWaveIn in;
    in.SetStream(&stream);
    const bool valid = in.Valid();
    const int bits = in.SampleBits();
    const int channels = in.ChannelCount();
    in.DurationSeconds();
    if (valid && (bits != 8 && bits != 16)) {
        fail("valid source with bits other than 8 or 16");
    }
    if (valid && channels != 1 && channels != 2) {
        fail("valid source with other than one or two channels");
    }
    if (size > 1) {
        in.SetStartSample(data[size - 1] % 3 == 0 ? data[size - 1] : 0);
    }
    in.OpenInput();
    std::vector<char> buffer(7000);
    std::int64_t total = 0;
    for (int reads = 0; reads < 10000; ++reads) {
        if (reads == 3 && size > 2) {
            in.Jump(data[1] % 101); // forward only, so the total stays bounded
        }
        const int n = in.ReadData(buffer.data(), 1 + reads * 997 % 6999);
        if (n <= 0) {
            break;
        }
        total += n;
    }
    if (!valid && total > 0) {
        fail("a source that is not valid gave data");
    }
    // A jump lands on a block start, so up to one decoded block may come twice.
    if (total > in.Size() + std::int64_t(140000)) {
        fail("gave more than its size");
    }
    in.CloseInput();
    return 0;
}
