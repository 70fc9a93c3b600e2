// fuzz-sources: audio/TVorbisIn.cpp audio/TACSFileIn.cpp audio/TACSStreamedInput.cpp audio/TACSInput.cpp audio/TACSInputLink.cpp common/Rounding.cpp
// fuzz-libs: vorbisfile vorbisenc vorbis ogg
//
// Arbitrary bytes, or a damaged copy of a small valid Ogg Vorbis file, as the stream a
// TVorbisIn decodes. Beyond surviving them: a source that is not Valid gives nothing, and
// one that is gives whole frames, never more than the size it announced.
#include "audio/TVorbisIn.h"

#include <QBuffer>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <vector>
#include <vorbis/vorbisenc.h>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_vorbisin: %s\n", what);
    std::abort();
}

void appendPage(QByteArray& out, const ogg_page& page)
{
    out.append(reinterpret_cast<const char*>(page.header), page.header_len);
    out.append(reinterpret_cast<const char*>(page.body), page.body_len);
}

// A short stereo tone encoded at start-up, so mutations reach past the headers: random
// bytes alone seldom make a stream the decoder accepts.
QByteArray makeTemplate()
{
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, 2, 22050, 0.1f) != 0) {
        fail("encoder set-up");
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_comment_add_tag(&comment, "ARTIST", "Someone");
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 1);
    ogg_packet header[3];
    vorbis_analysis_headerout(&dsp, &comment, &header[0], &header[1], &header[2]);
    for (ogg_packet& packet : header) {
        ogg_stream_packetin(&stream, &packet);
    }
    QByteArray out;
    ogg_page page;
    while (ogg_stream_flush(&stream, &page) != 0) {
        appendPage(out, page);
    }
    const int frames = 6000;
    for (int done = 0; done <= frames; done += 1000) {
        const int count = done < frames ? 1000 : 0;
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, count);
            for (int i = 0; i < count; ++i) {
                const double t = double(done + i) / 22050;
                buffer[0][i] = float(0.5 * std::sin(2 * std::numbers::pi * 440 * t));
                buffer[1][i] = float(0.5 * std::sin(2 * std::numbers::pi * 660 * t));
            }
        }
        vorbis_analysis_wrote(&dsp, count);
        ogg_packet packet;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    appendPage(out, page);
                }
            }
        }
    }
    while (ogg_stream_flush(&stream, &page) != 0) {
        appendPage(out, page);
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

const QByteArray& validTemplate()
{
    static const QByteArray bytes = makeTemplate();
    return bytes;
}

// First byte: 0 the rest as it stands; 1 the template with the rest as (offset, offset,
// xor) patches; 2 the same, cut at the length in the next two bytes.
QByteArray contentsFrom(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return {};
    }
    const int mode = data[0] % 3;
    if (mode == 0) {
        return QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    }
    QByteArray bytes = validTemplate();
    std::size_t at = 1;
    if (mode == 2 && size >= 3) {
        bytes.truncate(qsizetype(((data[1] << 8) | data[2]) % (bytes.size() + 1)));
        at = 3;
    }
    for (; at + 3 <= size && !bytes.isEmpty(); at += 3) {
        const qsizetype offset = qsizetype((data[at] << 8) | data[at + 1]) % bytes.size();
        bytes[offset] = char(bytes[offset] ^ data[at + 2]);
    }
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray contents = contentsFrom(data, size);
    QBuffer stream;
    stream.setData(contents);
    stream.open(QIODevice::ReadOnly);

    TVorbisIn source;
    source.SetStream(&stream);
    const bool valid = source.Valid();
    const std::int32_t channels = source.ChannelCount();
    if (valid != (channels == 1 || channels == 2)) {
        fail("Valid disagrees with the channel count");
    }
    if (source.DurationSeconds() < 0) {
        fail("negative duration");
    }

    source.OpenInput();
    const std::int32_t announced = source.Size();
    std::vector<char> buffer(5000);
    std::int64_t total = 0;
    bool jumped = false;
    for (;;) {
        const std::int32_t got = source.ReadData(buffer.data(), std::int32_t(buffer.size()));
        if (got < 0 || got > std::int32_t(buffer.size())) {
            fail("read outside the buffer");
        }
        if (got == 0) {
            break;
        }
        total += got;
        if (!jumped && total > 20000) {
            // Back to the start once: the decoder must cope with seeking in damaged data.
            source.Jump(-200);
            jumped = true;
            total = 0;
        }
    }
    source.CloseInput();
    if (!valid && total != 0) {
        fail("an invalid source gave data");
    }
    if (valid && announced >= 0 && total > announced + std::int64_t(8192)) {
        fail("more data than announced");
    }
    if (channels > 0 && total % (2 * channels) != 0) {
        fail("a partial frame");
    }
    if (source.OpenCount() != 0) {
        fail("source left open");
    }
    return 0;
}
