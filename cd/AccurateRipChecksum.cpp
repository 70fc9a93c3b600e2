#include "cd/AccurateRipChecksum.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace tarnwick::accuraterip {

namespace {

constexpr std::uint64_t SkippedSamples = std::uint64_t{SkippedSectors} * SamplesPerSector;

std::uint32_t wordAt(const std::uint8_t* bytes)
{
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

} // namespace

TrackChecksum::TrackChecksum(std::uint64_t trackSamples)
    : m_headEnd(std::min(SkippedSamples - 1, trackSamples)),
      m_tailStart(trackSamples > SkippedSamples ? trackSamples - SkippedSamples + 1 : 1), m_length(trackSamples)
{
}

TrackChecksum::TrackChecksum(int trackPosition, int trackCount, std::uint64_t trackSamples)
    : TrackChecksum(trackSamples)
{
    m_first = trackPosition == 1;
    m_last = trackPosition == trackCount;
}

TrackSums TrackChecksum::sums(bool firstTrack, bool lastTrack) const
{
    TrackSums result;
    for (int part = 0; part < 4; ++part) {
        const bool head = (part & 1) != 0;
        const bool tail = (part & 2) != 0;
        if ((head && firstTrack) || (tail && lastTrack)) {
            continue;
        }
        result.v1 += m_v1[part];
        result.v2 += m_v2[part];
    }
    return result;
}

std::uint32_t TrackChecksum::v1() const
{
    return sums(m_first, m_last).v1;
}

std::uint32_t TrackChecksum::v2() const
{
    return sums(m_first, m_last).v2;
}

void TrackChecksum::add(const std::uint8_t* bytes, std::size_t n)
{
    if (bytes == nullptr || n == 0) {
        return;
    }
    if (m_partialBytes > 0) {
        const std::size_t take = std::min(n, 4 - m_partialBytes);
        std::copy(bytes, bytes + take, m_partial + m_partialBytes);
        m_partialBytes += take;
        bytes += take;
        n -= take;
        if (m_partialBytes < 4) {
            return;
        }
        addSamples(m_partial, 1);
        m_partialBytes = 0;
    }
    const std::size_t whole = n / 4;
    addSamples(bytes, whole);
    m_partialBytes = n - whole * 4;
    std::copy(bytes + whole * 4, bytes + n, m_partial);
}

void TrackChecksum::addSamples(const std::uint8_t* bytes, std::uint64_t count)
{
    // Positions of this block: m_position + 1 ... m_position + count, cut at the track's
    // length and split where head and tail begin and end, so each stretch adds to one sum
    // and the loop stays free of branches.
    const std::uint64_t first = m_position + 1;
    const std::uint64_t last = std::min(m_position + count, m_length);
    m_position += count;
    for (std::uint64_t from = first; from <= last;) {
        const bool head = from <= m_headEnd;
        const bool tail = from >= m_tailStart;
        std::uint64_t to = last;
        if (head) {
            to = std::min(to, m_headEnd);
        }
        if (!tail) {
            to = std::min(to, m_tailStart - 1);
        }
        std::uint32_t v1 = 0;
        std::uint32_t v2 = 0;
        const std::uint8_t* sample = bytes + (from - first) * 4;
        for (std::uint64_t position = from; position <= to; ++position, sample += 4) {
            const std::uint64_t product = std::uint64_t{wordAt(sample)} * (position & 0xffffffffu);
            const auto low = static_cast<std::uint32_t>(product);
            v1 += low;
            v2 += low + static_cast<std::uint32_t>(product >> 32);
        }
        const int part = (head ? 1 : 0) + (tail ? 2 : 0);
        m_v1[part] += v1;
        m_v2[part] += v2;
        from = to + 1;
    }
}

void TrackCrc::add(const std::uint8_t* bytes, std::size_t n)
{
    // zlib takes at most an unsigned int's worth of bytes per call.
    while (bytes != nullptr && n > 0) {
        const auto chunk = static_cast<uInt>(std::min<std::size_t>(n, std::numeric_limits<uInt>::max()));
        m_crc = static_cast<std::uint32_t>(crc32(m_crc, bytes, chunk));
        bytes += chunk;
        n -= chunk;
    }
}

} // namespace tarnwick::accuraterip
