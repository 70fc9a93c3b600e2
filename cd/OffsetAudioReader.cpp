#include "cd/OffsetAudioReader.h"

#include <algorithm>
#include <cstring>

namespace {

std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

OffsetAudioReader::OffsetAudioReader(SectorRead read, std::int32_t discEnd, int offsetSamples, int maxFrames)
    : m_read(std::move(read)), m_discEnd(discEnd), m_offset(offsetSamples), m_maxFrames(std::max(maxFrames, 1)),
      m_kept(SectorBytes)
{
}

bool OffsetAudioReader::read(std::int32_t position, int frames, std::uint8_t* dest)
{
    if (frames <= 0) {
        return frames == 0;
    }
    constexpr int SampleBytes = SectorBytes / SamplesPerSector;
    const std::int64_t firstSample = std::int64_t{position} * SamplesPerSector + m_offset;
    const std::int64_t endSample = firstSample + std::int64_t{frames} * SamplesPerSector;
    // The sectors that hold the wanted samples, cut to the disc.
    const std::int64_t firstSector = std::max<std::int64_t>(floorDiv(firstSample, SamplesPerSector), 0);
    const std::int64_t endSector = std::min(floorDiv(endSample + SamplesPerSector - 1, SamplesPerSector), m_discEnd);
    const std::size_t bytes = static_cast<std::size_t>(frames) * SectorBytes;
    if (endSector <= firstSector) {
        std::memset(dest, 0, bytes);
        return true;
    }
    // A whole-sector offset inside the disc: the sectors are the answer as they stand.
    const std::int64_t wantedSectors = std::int64_t{frames};
    if (firstSample == firstSector * SamplesPerSector && endSector - firstSector == wantedSectors) {
        return readSectors(firstSector, wantedSectors, dest);
    }
    m_staging.resize(static_cast<std::size_t>(endSector - firstSector) * SectorBytes);
    if (!readSectors(firstSector, endSector - firstSector, m_staging.data())) {
        return false;
    }
    // Copy the samples that lie on the disc; silence before and after them.
    const std::int64_t copyFirst = std::max(firstSample, firstSector * SamplesPerSector);
    const std::int64_t copyEnd = std::min(endSample, endSector * SamplesPerSector);
    const std::size_t lead = static_cast<std::size_t>(copyFirst - firstSample) * SampleBytes;
    const std::size_t count = static_cast<std::size_t>(std::max<std::int64_t>(copyEnd - copyFirst, 0)) * SampleBytes;
    std::memset(dest, 0, lead);
    std::memcpy(dest + lead, m_staging.data() + (copyFirst - firstSector * SamplesPerSector) * SampleBytes, count);
    std::memset(dest + lead + count, 0, bytes - lead - count);
    return true;
}

bool OffsetAudioReader::readSectors(std::int64_t first, std::int64_t count, std::uint8_t* dest)
{
    if (first == m_keptPosition && count > 0) {
        std::memcpy(dest, m_kept.data(), SectorBytes);
        ++first;
        --count;
        dest += SectorBytes;
    }
    while (count > 0) {
        const int n = static_cast<int>(std::min<std::int64_t>(count, m_maxFrames));
        if (!m_read(static_cast<std::int32_t>(first), n, dest)) {
            m_keptPosition = -1;
            return false;
        }
        first += n;
        count -= n;
        dest += static_cast<std::size_t>(n) * SectorBytes;
        m_keptPosition = first - 1;
        std::memcpy(m_kept.data(), dest - SectorBytes, SectorBytes);
    }
    return true;
}
