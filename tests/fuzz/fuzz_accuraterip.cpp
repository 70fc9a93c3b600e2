// fuzz-sources: cd/AccurateRipDatabase.cpp cd/AccurateRipDiscId.cpp cd/CddbDiscId.cpp
//
// Arbitrary bytes as the database file of a disc. The disc's IDs are those of the first
// chunk's header when there is one, so that the parser gets past the ID check and into the
// tracks; otherwise the bytes could hardly ever be of the disc asked for. Beyond surviving
// them: a file taken is made of whole chunks of the disc's track count that add up to its
// size exactly, and the verdicts give one per track with confidences no pressing could
// exceed.
#include "cd/AccurateRipDatabase.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void fail(const char* what)
{
    std::fprintf(stderr, "fuzz_accuraterip: %s\n", what);
    std::abort();
}

std::uint32_t wordAt(const std::uint8_t* data)
{
    return std::uint32_t{data[0]} | std::uint32_t{data[1]} << 8 | std::uint32_t{data[2]} << 16 |
           std::uint32_t{data[3]} << 24;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tarnwick::accuraterip;
    DiscIds ids;
    ids.trackCount = size > 0 ? data[0] : 1;
    if (size >= 13) {
        ids.id1 = wordAt(data + 1);
        ids.id2 = wordAt(data + 5);
        ids.cddbId = wordAt(data + 9);
    }
    const QByteArrayView file(data, static_cast<qsizetype>(size));
    const auto pressings = parseDatabaseFile(file, ids);

    std::vector<TrackSums> sums;
    for (std::size_t i = 0; i + 8 <= size && sums.size() < 120; i += 9) {
        sums.push_back({wordAt(data + i), wordAt(data + i + 4)});
    }
    if (pressings) {
        if (!ids.valid() || pressings->empty()) {
            fail("a file taken without pressings or for a disc without tracks");
        }
        for (const Pressing& pressing : *pressings) {
            if (static_cast<int>(pressing.tracks.size()) != ids.trackCount) {
                fail("a pressing of another track count");
            }
        }
        if (pressings->size() * (13 + 9 * static_cast<std::size_t>(ids.trackCount)) != size) {
            fail("pressings that do not add up to the file");
        }
    }
    const std::vector<TrackVerdict> verdicts = verdictsFor(pressings, sums);
    if (verdicts.size() != sums.size()) {
        fail("not one verdict per track");
    }
    const int most = pressings ? 255 * static_cast<int>(pressings->size()) : 0;
    for (const TrackVerdict& verdict : verdicts) {
        if (verdict.confidence < 0 || verdict.confidence > most ||
            (verdict.status == TrackVerdict::Status::Accurate) != (verdict.confidence > 0)) {
            fail("a confidence no pressing gives");
        }
        (void)verdict.text();
    }
    return 0;
}
