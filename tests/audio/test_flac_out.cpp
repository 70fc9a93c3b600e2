#include "StreamDoubles.h"
#include "WavFixtures.h"
#include "audio/TFLACOut.h"
#include "audio/TWaveIn.h"
#include "support/DiskFull.h"
#include "support/TempFolder.h"
#include "test_vorbis_support.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

using vorbistest::PcmSource;
using vorbistest::ProcessResult;
using vorbistest::runTool;
using vorbistest::TransferEnd;

namespace {

// Runs one transfer from `source` into `path`; the error text, or empty on success.
std::string encode(TFLACOut& output, TACSInput& source, const QString& path)
{
    TransferEnd end(output);
    output.SetInput(&source);
    output.SetFileName(path);
    output.Start();
    return end.wait();
}

// Noise, a sweep and full-scale bursts: every predictor order and the clamps are used.
QByteArray testPcm(int frames, int bits, int channels)
{
    const QByteArray sixteen = fixtures::samplesToBytes(fixtures::testSignal(frames, channels));
    if (bits == 16) {
        return sixteen;
    }
    QByteArray eight(sixteen.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < eight.size(); ++i) {
        eight[i] = char(std::uint8_t(sixteen[2 * i + 1]) ^ 0x80); // the high byte, unsigned
    }
    return eight;
}

// What `flac -d` gives back from a file as raw little-endian samples of the file's width.
QByteArray flacDecodeRaw(const QString& path, int bits)
{
    const QString raw = path + QStringLiteral(".raw");
    const ProcessResult run = runTool(QStringLiteral("flac"),
                                      {QStringLiteral("-s"), QStringLiteral("-d"), QStringLiteral("-f"),
                                       QStringLiteral("--force-raw-format"), QStringLiteral("--endian=little"),
                                       bits == 8 ? QStringLiteral("--sign=unsigned") : QStringLiteral("--sign=signed"),
                                       QStringLiteral("-o"), raw, path});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    return readFileBytes(raw);
}

QStringList metaflacComments(const QString& path)
{
    const ProcessResult run = runTool(QStringLiteral("metaflac"), {QStringLiteral("--export-tags-to=-"), path});
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    return run.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString metaflacValue(const QString& path, const QString& option)
{
    return runTool(QStringLiteral("metaflac"), {option, path}).output.trimmed();
}

// --- lossless round trips, checked by independent decoders ---------------------------------

struct RoundTripCase
{
    const char* name;
    int bits;
    int channels;
    int rate;
    int level;
    std::int32_t chunk; // reads of at most this many bytes; 0 reads through TWaveIn
    bool verify = true;
};
void PrintTo(const RoundTripCase& c, std::ostream* os)
{
    *os << c.name;
}

class FLACOutRoundTrip : public testing::TestWithParam<RoundTripCase>
{
};

TEST_P(FLACOutRoundTrip, flacAndFfmpegGiveBackEverySample)
{
    const RoundTripCase& c = GetParam();
    TempFolder folder;
    const int frames = c.rate * 2 + 123;
    const QByteArray pcm = testPcm(frames, c.bits, c.channels);
    TFLACOut output;
    output.SetCompressionLevel(c.level);
    output.SetVerify(c.verify);
    const QString path = folder.file(QStringLiteral("out.flac"));
    if (c.chunk == 0) {
        const QString wav = folder.file(QStringLiteral("in.wav"));
        ASSERT_TRUE(vorbistest::writePcmWav(wav, pcm, c.rate, c.channels, c.bits));
        TWaveIn input;
        input.SetFileName(wav);
        ASSERT_EQ(encode(output, input, path), "");
        EXPECT_FALSE(input.Busy());
    } else {
        PcmSource source(pcm, c.bits, c.channels, c.rate, c.chunk);
        ASSERT_EQ(encode(output, source, path), "");
        EXPECT_EQ(source.closes(), 1);
    }
    EXPECT_EQ(output.LastProgress(), 100);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), c.chunk == 0 ? 2 : 1) << "a temporary file was left";

    const ProcessResult test = runTool(QStringLiteral("flac"), {QStringLiteral("-s"), QStringLiteral("-t"), path});
    EXPECT_EQ(test.exitCode, 0) << test.output.toStdString();
    EXPECT_EQ(flacDecodeRaw(path, c.bits), pcm);
    EXPECT_EQ(fixtures::ffmpegDecode(path, c.bits == 8 ? QStringLiteral("u8") : QStringLiteral("s16le")), pcm);
    EXPECT_EQ(metaflacValue(path, QStringLiteral("--show-total-samples")), QString::number(frames));
    EXPECT_EQ(metaflacValue(path, QStringLiteral("--show-sample-rate")), QString::number(c.rate));
    EXPECT_EQ(metaflacValue(path, QStringLiteral("--show-channels")), QString::number(c.channels));
    EXPECT_EQ(metaflacValue(path, QStringLiteral("--show-bps")), QString::number(c.bits));
    // The stream information's checksum is of the signed samples: 8-bit PCM moves by 128.
    QByteArray signedPcm = pcm;
    if (c.bits == 8) {
        for (char& byte : signedPcm) {
            byte = char(std::uint8_t(byte) ^ 0x80);
        }
    }
    EXPECT_EQ(metaflacValue(path, QStringLiteral("--show-md5sum")),
              QString::fromLatin1(QCryptographicHash::hash(signedPcm, QCryptographicHash::Md5).toHex()));
}

INSTANTIATE_TEST_SUITE_P(Formats, FLACOutRoundTrip,
                         testing::Values(RoundTripCase{"cdQualityFromWav", 16, 2, 44100, 5, 0},
                                         RoundTripCase{"monoFromWav", 16, 1, 44100, 5, 0},
                                         RoundTripCase{"eightBitFromWav", 8, 2, 22050, 5, 0},
                                         RoundTripCase{"eightBitMono", 8, 1, 8000, 5, 1 << 30},
                                         RoundTripCase{"levelZero", 16, 2, 44100, 0, 1 << 30},
                                         RoundTripCase{"levelEight", 16, 2, 44100, 8, 1 << 30},
                                         // Reads that end inside a frame lose nothing.
                                         RoundTripCase{"oddReads", 16, 2, 48000, 5, 4099},
                                         RoundTripCase{"highRate", 16, 2, 96000, 5, 1 << 30},
                                         // Without the check the encoder takes the checksum itself.
                                         RoundTripCase{"withoutCheck", 16, 2, 44100, 5, 0, false},
                                         RoundTripCase{"eightBitWithoutCheck", 8, 1, 8000, 5, 1 << 30, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FLACOut, higherLevelsGiveSmallerFiles)
{
    TempFolder folder;
    const QByteArray pcm = testPcm(44100 * 3, 16, 2);
    std::vector<qint64> sizes;
    for (int level : {0, 8}) {
        PcmSource source(pcm, 16, 2, 44100);
        TFLACOut output;
        output.SetCompressionLevel(level);
        const QString path = folder.file(QStringLiteral("level%1.flac").arg(level));
        ASSERT_EQ(encode(output, source, path), "");
        sizes.push_back(QFile(path).size());
    }
    EXPECT_LT(sizes[1], sizes[0]);
}

TEST(FLACOut, levelsOutsideTheRangeAreBroughtToItsEnds)
{
    TFLACOut output;
    EXPECT_EQ(output.CompressionLevel(), 5);
    EXPECT_TRUE(output.Verify());
    output.SetCompressionLevel(12);
    EXPECT_EQ(output.CompressionLevel(), 8);
    output.SetCompressionLevel(-3);
    EXPECT_EQ(output.CompressionLevel(), 0);
}

TEST(FLACOut, commentsReadBackAndTheListIsEmptiedAfterTheFile)
{
    TempFolder folder;
    TFLACOut output;
    output.SetComments(
        {"ARTIST=Sigur Rós", "TITLE=One=Two", "TRACKNUMBER=3", "not a comment", "=nameless", "BAD~NAME=x"});
    PcmSource first(testPcm(4410, 16, 2), 16, 2, 44100);
    const QString path = folder.file(QStringLiteral("tagged.flac"));
    ASSERT_EQ(encode(output, first, path), "");
    EXPECT_TRUE(output.Comments().isEmpty());

    EXPECT_EQ(metaflacComments(path), (QStringList{"ARTIST=Sigur Rós", "TITLE=One=Two", "TRACKNUMBER=3"}));
    const ProcessResult probe = runTool(QStringLiteral("ffprobe"),
                                        {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                         QStringLiteral("format_tags=artist,title,track"), QStringLiteral("-of"),
                                         QStringLiteral("default=nw=1"), path});
    EXPECT_TRUE(probe.output.contains(QStringLiteral("TAG:ARTIST=Sigur Rós"))) << probe.output.toStdString();
    EXPECT_TRUE(probe.output.contains(QStringLiteral("TAG:TITLE=One=Two"))) << probe.output.toStdString();
    EXPECT_TRUE(probe.output.contains(QStringLiteral("TAG:track=3"))) << probe.output.toStdString();

    PcmSource second(testPcm(4410, 16, 2), 16, 2, 44100);
    const QString next = folder.file(QStringLiteral("untagged.flac"));
    ASSERT_EQ(encode(output, second, next), "");
    EXPECT_TRUE(metaflacComments(next).isEmpty());
}

TEST(FLACOut, emptyInputGivesAValidFileWithoutSamples)
{
    TempFolder folder;
    PcmSource source(QByteArray(), 16, 2, 44100);
    TFLACOut output;
    const QString path = folder.file(QStringLiteral("empty.flac"));
    ASSERT_EQ(encode(output, source, path), "");
    EXPECT_EQ(runTool(QStringLiteral("flac"), {QStringLiteral("-s"), QStringLiteral("-t"), path}).exitCode, 0);
    EXPECT_EQ(metaflacValue(path, QStringLiteral("--show-total-samples")), QStringLiteral("0"));
}

TEST(FLACOut, aLongFileCarriesSeekPoints)
{
    TempFolder folder;
    PcmSource source(testPcm(44100 * 25, 16, 1), 16, 1, 44100);
    TFLACOut output;
    const QString path = folder.file(QStringLiteral("long.flac"));
    ASSERT_EQ(encode(output, source, path), "");
    const ProcessResult list =
        runTool(QStringLiteral("metaflac"), {QStringLiteral("--list"), QStringLiteral("--block-type=SEEKTABLE"), path});
    EXPECT_TRUE(list.output.contains(QStringLiteral("seek points: 3"))) << list.output.toStdString();
    EXPECT_FALSE(list.output.contains(QStringLiteral("PLACEHOLDER"))) << list.output.toStdString();
}

// --- failures and stops: nothing that looks finished is left ---------------------------------

struct FailureCase
{
    const char* name;
    std::function<void(TFLACOut&, const TempFolder&)> setUp;
    int bits;
    int channels;
    int rate;
    const char* errorStart;
};
void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class FLACOutFailure : public testing::TestWithParam<FailureCase>
{
};

TEST_P(FLACOutFailure, reportsThroughOnThreadExceptionAndKeepsTheOldFile)
{
    const FailureCase& c = GetParam();
    TempFolder folder;
    const QString existing = folder.file(QStringLiteral("keep.flac"));
    ASSERT_TRUE(writeFileBytes(existing, "precious"));
    TFLACOut output;
    output.SetFileName(existing);
    c.setUp(output, folder);
    PcmSource source(QByteArray(4000, '\0'), c.bits, c.channels, c.rate);
    TransferEnd end(output);
    output.SetInput(&source);
    output.Start();
    EXPECT_EQ(end.wait().rfind(c.errorStart, 0), 0u) << end.wait();
    EXPECT_EQ(end.dones(), 0);
    EXPECT_EQ(output.OutputStatus(), osIdle);
    EXPECT_FALSE(source.Busy());
    EXPECT_EQ(readFileBytes(existing), "precious");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.flac")});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FLACOutFailure,
    testing::Values(FailureCase{"noFileName", [](TFLACOut& o, const TempFolder&) { o.SetFileName(""); }, 16, 2, 44100,
                                "File name is not assigned."},
                    FailureCase{"missingFolder",
                                [](TFLACOut& o, const TempFolder& f) {
                                    o.SetFileName(f.file(QStringLiteral("no/such/a.flac")));
                                },
                                16, 2, 44100, "Cannot create the file"},
                    FailureCase{"threeChannels", [](TFLACOut&, const TempFolder&) {}, 16, 3, 44100, "Cannot encode"},
                    FailureCase{"twentyFourBits", [](TFLACOut&, const TempFolder&) {}, 24, 2, 44100, "Cannot encode"},
                    FailureCase{"noRate", [](TFLACOut&, const TempFolder&) {}, 16, 2, 0, "Cannot encode"}),
    [](const auto& info) { return std::string(info.param.name); });

// A tmpfs of a few blocks mounted for one test, unmounted at its end.
class SmallDisk
{
public:
    explicit SmallDisk(const QString& folder) : m_folder(folder)
    {
        m_mounted =
            runTool(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                              QStringLiteral("size=96k"), QStringLiteral("tmpfs"), folder})
                .exitCode == 0;
    }
    ~SmallDisk()
    {
        if (m_mounted) {
            runTool(QStringLiteral("umount"), {QStringLiteral("-l"), m_folder});
        }
    }
    bool mounted() const { return m_mounted; }

private:
    QString m_folder;
    bool m_mounted = false;
};

// How the disk runs out: a tmpfs of a few blocks, or a limit on the size of any file this
// process writes, set to cut the file at one point: in its header, among its frames, or
// short of its last byte (the part still buffered when the stream information is
// rewritten at the end).
struct FullDiskCase
{
    const char* name;
    bool smallDisk;
    qint64 limit; // above 0: the file may hold this much; else this much less than it needs
    const char* reason;
};
void PrintTo(const FullDiskCase& c, std::ostream* os)
{
    *os << c.name;
}

class FLACOutFullDisk : public testing::TestWithParam<FullDiskCase>
{
};

TEST_P(FLACOutFullDisk, endsWithTheErrorAndNoFileUnderTheName)
{
    const FullDiskCase& c = GetParam();
    TempFolder folder;
    const QString disk = folder.file(QStringLiteral("disk"));
    ASSERT_TRUE(QDir().mkpath(disk));
    std::optional<SmallDisk> small;
    if (c.smallDisk) {
        small.emplace(disk);
        if (!small->mounted()) {
            GTEST_SKIP() << "a tmpfs cannot be mounted here (needs root)";
        }
    }
    // Ten seconds of noisy stereo compress to far more than the small disk holds.
    const QByteArray pcm = testPcm(44100 * 10, 16, 2);
    qint64 limit = c.limit;
    if (!c.smallDisk && limit <= 0) {
        PcmSource whole(pcm, 16, 2, 44100);
        TFLACOut output;
        const QString complete = folder.file(QStringLiteral("complete.flac"));
        ASSERT_EQ(encode(output, whole, complete), "");
        limit += QFile(complete).size();
    }
    const QString existing = disk + QStringLiteral("/track.flac");
    ASSERT_TRUE(writeFileBytes(existing, "older take"));
    PcmSource source(pcm, 16, 2, 44100);
    TFLACOut output;
    std::string error;
    {
        std::optional<DiskFull> full;
        if (!c.smallDisk) {
            full.emplace(limit);
        }
        error = encode(output, source, existing);
    }
    EXPECT_EQ(error, "Cannot write to the file \"" + existing.toStdString() + "\": " + c.reason);
    EXPECT_FALSE(source.Busy());
    EXPECT_EQ(readFileBytes(existing), "older take");
    EXPECT_EQ(QDir(disk).entryList(QDir::Files), QStringList{QStringLiteral("track.flac")});
}

INSTANTIATE_TEST_SUITE_P(Limits, FLACOutFullDisk,
                         testing::Values(FullDiskCase{"smallTmpfs", true, 0, "No space left on device"},
                                         FullDiskCase{"sizeLimitInTheHeader", false, 100, "File too large"},
                                         FullDiskCase{"sizeLimitAmongTheFrames", false, 300000, "File too large"},
                                         FullDiskCase{"sizeLimitShortOfTheLastByte", false, -1, "File too large"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FLACOut, stopLeavesNoPartialFileAndTheOldOneStays)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("stopped.flac"));
    ASSERT_TRUE(writeFileBytes(path, "older take"));
    GatedSource source(testPcm(44100 * 4, 16, 2), true, 8192);
    TFLACOut output;
    TransferEnd end(output);
    output.SetInput(&source);
    output.SetFileName(path);
    output.Start();
    source.allow(3);
    source.waitForBlockedRead();
    output.Stop();
    source.ungate();
    EXPECT_EQ(end.wait(), "");
    EXPECT_EQ(end.dones(), 1);
    EXPECT_EQ(source.closes(), 1);
    EXPECT_EQ(readFileBytes(path), "older take");
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("stopped.flac")});
}

TEST(FLACOut, finishFromAnotherThreadMidTransferDiscardsTheFile)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("cut.flac"));
    GatedSource source(testPcm(44100 * 4, 16, 2), true, 8192);
    TFLACOut output;
    output.SetInput(&source);
    output.SetFileName(path);
    output.Start();
    source.allow(2);
    source.waitForBlockedRead();
    output.Stop();
    source.ungate();
    output.FinishOutput();
    output.waitForIdle();
    EXPECT_FALSE(source.Busy());
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}

TEST(FLACOut, aSecondTransferAfterAFailureWorks)
{
    TempFolder folder;
    TFLACOut output;
    PcmSource bad(QByteArray(400, '\0'), 16, 3, 44100);
    EXPECT_NE(encode(output, bad, folder.file(QStringLiteral("bad.flac"))), "");
    PcmSource good(testPcm(4410, 16, 2), 16, 2, 44100);
    const QString path = folder.file(QStringLiteral("good.flac"));
    ASSERT_EQ(encode(output, good, path), "");
    EXPECT_EQ(flacDecodeRaw(path, 16), testPcm(4410, 16, 2));
}

} // namespace
