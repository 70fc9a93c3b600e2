#include "audio/WavHeader.h"

#include <QByteArray>
#include <QIODevice>
#include <cctype>

namespace {

constexpr qsizetype headerWindow = 4096;

// A cursor over the header window: every read checks that it stays inside.
class Cursor
{
public:
    explicit Cursor(QByteArray bytes) : m_bytes(std::move(bytes)) {}

    bool has(std::uint64_t count) const { return std::uint64_t(m_pos) + count <= std::uint64_t(m_bytes.size()); }
    bool skip(std::uint64_t count)
    {
        if (!has(count)) {
            return false;
        }
        m_pos += qsizetype(count);
        return true;
    }
    bool readU32(std::uint32_t& value)
    {
        if (!has(4)) {
            return false;
        }
        value = u32At(m_pos);
        m_pos += 4;
        return true;
    }
    // Whether the four bytes at `at` are `tag` (given in lower case), in any letter case.
    bool tagAt(qsizetype at, const char* tag) const
    {
        if (at < 0 || at + 4 > m_bytes.size()) {
            return false;
        }
        for (int i = 0; i < 4; ++i) {
            if (std::tolower(static_cast<unsigned char>(m_bytes[at + i])) != tag[i]) {
                return false;
            }
        }
        return true;
    }
    bool lastIs(const char* tag) const { return tagAt(m_pos - 4, tag); }
    // Moves on byte by byte until the last four bytes read are `tag`.
    bool scanFor(const char* tag)
    {
        if (!skip(4)) {
            return false;
        }
        while (!lastIs(tag)) {
            if (!skip(1)) {
                return false;
            }
        }
        return true;
    }
    std::uint16_t u16At(qsizetype at) const
    {
        return std::uint16_t(std::uint8_t(m_bytes[at]) | (std::uint8_t(m_bytes[at + 1]) << 8));
    }
    std::uint32_t u32At(qsizetype at) const { return std::uint32_t(u16At(at)) | (std::uint32_t(u16At(at + 2)) << 16); }
    qsizetype pos() const { return m_pos; }

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
};

TWavType kindOf(std::uint16_t formatTag, WavHeader::Reader reader)
{
    switch (formatTag) {
    case 1:
        return wtPCM;
    case 17:
        return wtDVIADPCM;
    case 2:
        return reader == WavHeader::Reader::waveIn ? wtMSADPCM : wtUnsupported;
    case 85:
        return reader == WavHeader::Reader::waveIn ? wtACM : wtUnsupported;
    default:
        return wtUnsupported;
    }
}

// Takes the fields of a "fmt " chunk whose content starts at `at`.
bool readFormat(const Cursor& c, qsizetype at, std::uint32_t length, WavHeader::Reader reader, WavHeader& h)
{
    if (length < 16) {
        return false;
    }
    h.kind = kindOf(c.u16At(at), reader);
    if (h.kind == wtUnsupported) {
        return false;
    }
    h.channels = c.u16At(at + 2);
    h.sampleRate = c.u32At(at + 4);
    h.blockAlign = c.u16At(at + 12);
    h.bits = c.u16At(at + 14);
    if (h.kind == wtDVIADPCM || h.kind == wtMSADPCM) {
        if (length < 20) {
            return false;
        }
        h.samplesPerBlock = c.u16At(at + 18);
    }
    if (h.kind == wtMSADPCM) {
        if (length < 22) {
            return false;
        }
        h.coefficientCount = c.u16At(at + 20);
        if (h.coefficientCount > 32 || length < 22u + 4u * h.coefficientCount) {
            return false;
        }
        for (int i = 0; i < h.coefficientCount; ++i) {
            h.coefficients[i][0] = std::int16_t(c.u16At(at + 22 + 4 * i));
            h.coefficients[i][1] = std::int16_t(c.u16At(at + 24 + 4 * i));
        }
    }
    return true;
}

} // namespace

WavHeader WavHeader::parse(QIODevice& stream, Reader reader)
{
    WavHeader h;
    if (!stream.seek(0)) {
        return h;
    }
    Cursor c(stream.read(headerWindow));
    std::uint32_t length = 0;
    if (!c.scanFor("riff") || !c.readU32(length) || !c.scanFor("wave")) {
        return h;
    }
    enum { lookingForFormat, lookingForFact, lookingForData } state = lookingForFormat;
    for (;;) {
        if (!c.skip(4)) {
            return h;
        }
        const qsizetype lengthAt = c.pos();
        if (!c.readU32(length)) {
            return h;
        }
        const qsizetype contentAt = c.pos();
        auto tagIs = [&](const char* tag) { return c.tagAt(lengthAt - 4, tag); };
        if (state == lookingForData && tagIs("data")) {
            h.dataLengthOffset = lengthAt;
            h.dataLength = length;
            h.dataOffset = contentAt;
            h.valid = true;
            return h;
        }
        if (!c.has(length)) {
            return h;
        }
        if (state == lookingForFormat && tagIs("fmt ")) {
            if (!readFormat(c, contentAt, length, reader, h)) {
                h.kind = wtUnsupported;
                return h;
            }
            state = (h.kind == wtDVIADPCM || h.kind == wtMSADPCM) ? lookingForFact : lookingForData;
        } else if (state == lookingForFact && tagIs("fact")) {
            if (length < 4) {
                return h;
            }
            h.factCount = c.u32At(contentAt);
            h.factCountOffset = contentAt;
            state = lookingForData;
        }
        c.skip(length);
    }
}
