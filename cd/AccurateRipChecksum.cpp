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

TrackChecksum::TrackChecksum(int trackPosition, int trackCount, std::uint64_t trackSamples)
{
    m_to = trackSamples;
    if (trackPosition == 1) {
        m_from = SkippedSamples;
    }
    if (trackPosition == trackCount) {
        // A last track shorter than the part left out has nothing that counts.
        m_to = trackSamples > SkippedSamples ? trackSamples - SkippedSamples : 0;
    }
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
    // Positions of this block: m_position + 1 ... m_position + count. Only the part inside
    // [m_from, m_to] counts; working that out once keeps the loop free of branches.
    const std::uint64_t first = m_position + 1;
    const std::uint64_t last = m_position + count;
    m_position = last;
    const std::uint64_t from = std::max(first, m_from);
    const std::uint64_t to = std::min(last, m_to);
    if (count == 0 || from > to) {
        return;
    }
    std::uint32_t v1 = m_v1;
    std::uint32_t v2 = m_v2;
    const std::uint8_t* sample = bytes + (from - first) * 4;
    for (std::uint64_t position = from; position <= to; ++position, sample += 4) {
        const std::uint64_t product = std::uint64_t{wordAt(sample)} * (position & 0xffffffffu);
        const auto low = static_cast<std::uint32_t>(product);
        v1 += low;
        v2 += low + static_cast<std::uint32_t>(product >> 32);
    }
    m_v1 = v1;
    m_v2 = v2;
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
