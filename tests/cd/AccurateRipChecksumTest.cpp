#include "cd/AccurateRipChecksum.h"
#include "cd/TCDRipThread.h"

#include "support/TempFolder.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>

namespace {

using tarnwick::accuraterip::TrackChecksum;
using tarnwick::accuraterip::TrackCrc;
using tarnwick::accuraterip::TrackSums;

// Noise over the whole 16-bit range, so that the products of large positions and samples
// overflow 32 bits and the v1 and v2 checksums part.
QByteArray noiseAudio(std::uint64_t samples, std::uint32_t seed)
{
    QByteArray audio(static_cast<qsizetype>(samples * 4), '\0');
    std::uint32_t state = seed;
    for (qsizetype i = 0; i < audio.size(); ++i) {
        state = state * 1664525u + 1013904223u;
        audio[i] = static_cast<char>(state >> 24);
    }
    return audio;
}

// The reference tool's answer for a WAV file holding `audio`, or an empty string.
QString referenceChecksum(const QString& wav, const char* version, int track, int count)
{
    QProcess tool;
    tool.start(QStringLiteral("accuraterip-checksum"),
               {QString::fromLatin1(version), wav, QString::number(track), QString::number(count)});
    if (!tool.waitForFinished(-1) || tool.exitCode() != 0) {
        return {};
    }
    return QString::fromLatin1(tool.readAllStandardOutput()).trimmed().toLower();
}

QString hex(std::uint32_t value)
{
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0'));
}

struct ChecksumCase
{
    const char* name;
    int track;
    int count;
    std::uint64_t samples;
    std::size_t block; // bytes per add()
};

void PrintTo(const ChecksumCase& c, std::ostream* os)
{
    *os << c.name;
}

class AccurateRipChecksums : public ::testing::TestWithParam<ChecksumCase>
{
};

TEST_P(AccurateRipChecksums, MatchTheReferenceTool)
{
    if (QStandardPaths::findExecutable(QStringLiteral("accuraterip-checksum")).isEmpty()) {
        GTEST_SKIP() << "accuraterip-checksum is not installed";
    }
    const ChecksumCase& c = GetParam();
    const QByteArray audio = noiseAudio(c.samples, static_cast<std::uint32_t>(c.track * 7919 + c.block));
    TempFolder folder;
    const QString wav = folder.file(QStringLiteral("track.wav"));
    ASSERT_TRUE(writeFileBytes(wav, TCDRipThread::wavHeader(static_cast<std::uint32_t>(audio.size())) + audio));

    TrackChecksum sums(c.track, c.count, c.samples);
    // The same track read before it is known whether it is the disc's first or last.
    TrackChecksum undecided(c.samples);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(audio.constData());
    for (std::size_t at = 0; at < static_cast<std::size_t>(audio.size()); at += c.block) {
        sums.add(bytes + at, std::min(c.block, static_cast<std::size_t>(audio.size()) - at));
        undecided.add(bytes + at, std::min(c.block, static_cast<std::size_t>(audio.size()) - at));
    }
    EXPECT_EQ(undecided.sums(c.track == 1, c.track == c.count), (TrackSums{sums.v1(), sums.v2()}));
    EXPECT_EQ(sums.samples(), c.samples);
    EXPECT_EQ(hex(sums.v1()), referenceChecksum(wav, "--accuraterip-v1", c.track, c.count));
    EXPECT_EQ(hex(sums.v2()), referenceChecksum(wav, "--accuraterip-v2", c.track, c.count));
    EXPECT_NE(sums.v1(), sums.v2());
}

INSTANTIATE_TEST_SUITE_P(Tracks, AccurateRipChecksums,
                         ::testing::Values(ChecksumCase{"first", 1, 5, 588 * 300, 2352 * 10},
                                           ChecksumCase{"middle", 3, 5, 588 * 300, 2352 * 10},
                                           ChecksumCase{"last", 5, 5, 588 * 300, 2352 * 10},
                                           ChecksumCase{"onlyTrack", 1, 1, 588 * 300, 2352 * 10},
                                           // Blocks that split samples between two calls, one byte at a time at worst.
                                           ChecksumCase{"firstOddBlocks", 1, 9, 588 * 40, 2351},
                                           ChecksumCase{"lastThreeByteBlocks", 9, 9, 588 * 40, 3},
                                           ChecksumCase{"onlyTrackByteBlocks", 1, 1, 588 * 30, 1},
                                           // A length that is no whole number of sectors.
                                           ChecksumCase{"middleRagged", 2, 3, 588 * 40 + 17, 1000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AccurateRipChecksum, SamplesPastTheTrackDoNotCount)
{
    const QByteArray audio = noiseAudio(588 * 20, 5);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(audio.constData());
    TrackChecksum exact(2, 3, 588 * 20);
    exact.add(bytes, static_cast<std::size_t>(audio.size()));
    TrackChecksum longer(2, 3, 588 * 10);
    longer.add(bytes, static_cast<std::size_t>(audio.size()));
    TrackChecksum shorter(2, 3, 588 * 10);
    shorter.add(bytes, static_cast<std::size_t>(audio.size()) / 2);
    EXPECT_NE(exact.v1(), longer.v1());
    EXPECT_EQ(longer.v1(), shorter.v1());
    EXPECT_EQ(longer.v2(), shorter.v2());
}

TEST(AccurateRipChecksum, LastTrackShorterThanItsExclusionCountsNothing)
{
    const QByteArray audio = noiseAudio(1000, 3);
    TrackChecksum sums(1, 1, 1000);
    sums.add(reinterpret_cast<const std::uint8_t*>(audio.constData()), static_cast<std::size_t>(audio.size()));
    EXPECT_EQ(sums.v1(), 0u);
    EXPECT_EQ(sums.v2(), 0u);
}

TEST(AccurateRipChecksum, CrcOfBlocksIsTheCrcOfTheWhole)
{
    const QByteArray audio = noiseAudio(588 * 7 + 3, 11);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(audio.constData());
    TrackCrc crc;
    for (qsizetype at = 0; at < audio.size(); at += 997) {
        crc.add(bytes + at, static_cast<std::size_t>(std::min<qsizetype>(997, audio.size() - at)));
    }
    EXPECT_EQ(crc.value(), static_cast<std::uint32_t>(crc32(0, bytes, static_cast<uInt>(audio.size()))));
    TrackCrc known;
    known.add(reinterpret_cast<const std::uint8_t*>("123456789"), 9);
    EXPECT_EQ(known.value(), 0xcbf43926u); // the check value of the CRC-32 of zip files
}

} // namespace
