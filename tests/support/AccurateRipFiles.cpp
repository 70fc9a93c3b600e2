#include "support/AccurateRipFiles.h"

namespace {

void appendWord(QByteArray& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) {
        out += static_cast<char>((value >> shift) & 0xff);
    }
}

} // namespace

QByteArray accurateRipChunk(std::uint32_t id1, std::uint32_t id2, std::uint32_t cddbId,
                            const std::vector<AccurateRipEntry>& tracks)
{
    QByteArray chunk;
    chunk += static_cast<char>(tracks.size());
    appendWord(chunk, id1);
    appendWord(chunk, id2);
    appendWord(chunk, cddbId);
    for (const AccurateRipEntry& track : tracks) {
        chunk += static_cast<char>(track.confidence);
        appendWord(chunk, track.checksum);
        appendWord(chunk, track.frame450);
    }
    return chunk;
}
