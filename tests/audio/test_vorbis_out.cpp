#include "audio/TVorbisIn.h"
#include "audio/TVorbisOut.h"
#include "support/TempFolder.h"
#include "test_vorbis_support.h"

#include <QFile>
#include <QtEndian>
#include <gtest/gtest.h>

#include <functional>

using namespace vorbistest;

namespace {

// Runs one transfer from `source` into `path`; the error text, or empty on success.
std::string encode(TVorbisOut& output, TACSInput& source, const QString& path)
{
    TransferEnd end(output);
    output.SetInput(&source);
    output.SetFileName(path);
    output.Start();
    return end.wait();
}

struct OggPage
{
    std::uint8_t flags = 0;
    std::int64_t granule = 0;
    std::uint32_t serial = 0;
    QByteArray lacing;
};

std::vector<OggPage> oggPages(const QByteArray& bytes)
{
    std::vector<OggPage> pages;
    qsizetype at = 0;
    while (at + 27 <= bytes.size() && bytes.mid(at, 4) == "OggS") {
        OggPage page;
        page.flags = std::uint8_t(bytes[at + 5]);
        page.granule = qFromLittleEndian<qint64>(bytes.constData() + at + 6);
        page.serial = qFromLittleEndian<quint32>(bytes.constData() + at + 14);
        const int segments = std::uint8_t(bytes[at + 26]);
        page.lacing = bytes.mid(at + 27, segments);
        qsizetype body = 0;
        for (char value : page.lacing) {
            body += std::uint8_t(value);
        }
        pages.push_back(page);
        at += 27 + segments + body;
    }
    return pages;
}

// --- bit-rate setters -----------------------------------------------------------------

enum class Setter { nominal, maximum, minimum };
struct SetterCase
{
    const char* name;
    std::vector<std::pair<Setter, TVorbisBitRate>> steps;
    TVorbisBitRate nominal;
    TVorbisBitRate maximum;
    TVorbisBitRate minimum;
    TVorbisOut::ManagedBitrates passed; // only checked for a managed nominal
};
void PrintTo(const SetterCase& c, std::ostream* os)
{
    *os << c.name;
}

class VorbisOutBitrates : public testing::TestWithParam<SetterCase>
{
};

TEST_P(VorbisOutBitrates, settersFollowTheirRulesAndPassTheTableValues)
{
    const SetterCase& c = GetParam();
    TVorbisOut output;
    for (const auto& [setter, rate] : c.steps) {
        switch (setter) {
        case Setter::nominal:
            output.SetDesiredNominalBitrate(rate);
            break;
        case Setter::maximum:
            output.SetDesiredMaximumBitrate(rate);
            break;
        case Setter::minimum:
            output.SetMinimumBitrate(rate);
            break;
        }
    }
    EXPECT_EQ(output.DesiredNominalBitrate(), c.nominal);
    EXPECT_EQ(output.DesiredMaximumBitrate(), c.maximum);
    EXPECT_EQ(output.MinimumBitrate(), c.minimum);
    if (c.nominal != brAutoSelect) {
        const TVorbisOut::ManagedBitrates rates = output.managedBitrates();
        EXPECT_EQ(rates.maximum, c.passed.maximum);
        EXPECT_EQ(rates.nominal, c.passed.nominal);
        EXPECT_EQ(rates.minimum, c.passed.minimum);
    }
}

const SetterCase kSetterCases[] = {
    {"nominalAloneIsAlsoMaximumAndMinimum",
     {{Setter::nominal, br128}},
     br128,
     br128,
     brAutoSelect,
     {128000, 128000, 128000}},
    {"maximumBelowNominalIgnoredThenAutoNominalDropsMaximum",
     {{Setter::nominal, br128}, {Setter::maximum, br96}, {Setter::nominal, brAutoSelect}},
     brAutoSelect,
     brAutoSelect,
     brAutoSelect,
     {}},
    {"maximumBelowNominalIgnored",
     {{Setter::nominal, br128}, {Setter::maximum, br96}},
     br128,
     br128,
     brAutoSelect,
     {128000, 128000, 128000}},
    {"maximumIgnoredUnderQualityEncoding", {{Setter::maximum, br192}}, brAutoSelect, brAutoSelect, brAutoSelect, {}},
    {"fullManagedRange",
     {{Setter::nominal, br128}, {Setter::maximum, br192}, {Setter::minimum, br64}},
     br128,
     br192,
     br64,
     {192000, 128000, 64000}},
    {"minimumAboveNominalIgnored",
     {{Setter::nominal, br128}, {Setter::minimum, br160}},
     br128,
     br128,
     brAutoSelect,
     {128000, 128000, 128000}},
    {"lowerNominalDragsMinimumDown",
     {{Setter::nominal, br128}, {Setter::minimum, br96}, {Setter::nominal, br64}},
     br64,
     br128,
     br64,
     {128000, 64000, 64000}},
    {"higherNominalLiftsMaximum",
     {{Setter::nominal, br64}, {Setter::maximum, br96}, {Setter::nominal, br160}},
     br160,
     br160,
     brAutoSelect,
     {160000, 160000, 160000}},
    {"maximumBackToAuto",
     {{Setter::nominal, br128}, {Setter::maximum, br192}, {Setter::maximum, brAutoSelect}},
     br128,
     brAutoSelect,
     brAutoSelect,
     {128000, 128000, 128000}},
    // "56 kbit/s" in the options means 56000 bit/s.
    {"br56Passes56000", {{Setter::nominal, br56}}, br56, br56, brAutoSelect, {56000, 56000, 56000}},
};

INSTANTIATE_TEST_SUITE_P(Rules, VorbisOutBitrates, testing::ValuesIn(kSetterCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VorbisOutBitrateTable, everyValueHasItsKilobits)
{
    const long expected[] = {-1,     45000,  48000,  56000,  64000,  80000,  96000,  112000,
                             128000, 144000, 160000, 192000, 224000, 256000, 320000, 499000};
    for (int i = brAutoSelect; i <= br499; ++i) {
        EXPECT_EQ(vorbisBitsPerSecond(TVorbisBitRate(i)), expected[i]) << i;
    }
}

// --- encoding, checked by independent decoders -----------------------------------------

struct RoundTripCase
{
    const char* name;
    int bits;
    int channels;
    int rate;
    std::int32_t chunk;
    TVorbisBitRate nominal;
};
void PrintTo(const RoundTripCase& c, std::ostream* os)
{
    *os << c.name;
}

class VorbisOutRoundTrip : public testing::TestWithParam<RoundTripCase>
{
};

TEST_P(VorbisOutRoundTrip, oggdecGivesTheInputsLengthAndTone)
{
    const RoundTripCase& c = GetParam();
    TempFolder folder;
    const std::int64_t frames = c.rate * 2 + 123;
    const double frequency = 440.0;
    PcmSource source(c.bits == 8 ? sineBytes8(frames, c.rate, c.channels, frequency)
                                 : sineBytes(frames, c.rate, c.channels, frequency),
                     c.bits, c.channels, c.rate, c.chunk);
    TVorbisOut output;
    output.SetDesiredNominalBitrate(c.nominal);
    const QString path = folder.file("out.ogg");
    ASSERT_EQ(encode(output, source, path), "");
    EXPECT_FALSE(source.Busy());
    EXPECT_EQ(source.closes(), 1);
    EXPECT_EQ(output.LastProgress(), 100);

    const Decoded decoded = decodeWithOggdec(path);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.channels, c.channels);
    EXPECT_EQ(decoded.rate, c.rate);
    EXPECT_EQ(decoded.frames(), frames);
    EXPECT_NEAR(toneFrequency(decoded, 0), frequency, frequency * 0.01);
    if (c.channels == 2) {
        EXPECT_NEAR(toneFrequency(decoded, 1), 2 * frequency, frequency * 0.02);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, VorbisOutRoundTrip,
                         testing::Values(RoundTripCase{"stereoQuality", 16, 2, 44100, 1 << 30, brAutoSelect},
                                         RoundTripCase{"mono", 16, 1, 44100, 1 << 30, brAutoSelect},
                                         RoundTripCase{"eightBit", 8, 2, 22050, 1 << 30, brAutoSelect},
                                         // Reads that end inside a frame lose nothing.
                                         RoundTripCase{"oddReads", 16, 2, 44100, 4099, brAutoSelect},
                                         RoundTripCase{"managed128", 16, 2, 44100, 1 << 30, br128}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VorbisOut, qualityPointTwoMatchesTheReferenceEncodersNominalRate)
{
    TempFolder folder;
    const int rate = 44100;
    const QByteArray pcm = sineBytes(rate * 5, rate, 2, 440.0);
    const QString wav = folder.file("in.wav");
    ASSERT_TRUE(writePcmWav(wav, pcm, rate, 2));
    const QString reference = folder.file("reference.ogg");
    const ProcessResult run = runTool("oggenc", {"-Q", "-q", "2", "-o", reference, wav});
    ASSERT_TRUE(run.started) << "oggenc is not installed";
    ASSERT_EQ(run.exitCode, 0) << run.output.toStdString();

    PcmSource source(pcm, 16, 2, rate);
    TVorbisOut output;
    output.SetCompression(0.2f);
    const QString ours = folder.file("ours.ogg");
    ASSERT_EQ(encode(output, source, ours), "");

    const double referenceRate = ffprobeStreamValue(reference, "bit_rate").toDouble();
    const double ourRate = ffprobeStreamValue(ours, "bit_rate").toDouble();
    ASSERT_GT(referenceRate, 0);
    EXPECT_NEAR(ourRate, referenceRate, referenceRate * 0.05);
    const double referenceSize = double(QFile(reference).size());
    EXPECT_NEAR(double(QFile(ours).size()), referenceSize, referenceSize * 0.15);
}

TEST(VorbisOut, managed128IsReportedAs128Kilobits)
{
    TempFolder folder;
    PcmSource source(sineBytes(44100 * 3, 44100, 2, 440.0), 16, 2, 44100);
    TVorbisOut output;
    output.SetDesiredNominalBitrate(br128);
    const QString path = folder.file("managed.ogg");
    ASSERT_EQ(encode(output, source, path), "");
    EXPECT_EQ(ffprobeStreamValue(path, "bit_rate"), "128000");

    TVorbisIn reader;
    reader.SetFileName(path);
    ASSERT_TRUE(reader.Valid());
    EXPECT_EQ(reader.NominalBitrate(), 128000);
    EXPECT_EQ(reader.UpperBitrate(), 128000);
    EXPECT_EQ(reader.LowerBitrate(), 128000);
}

TEST(VorbisOut, commentsAreWrittenOnceAndTheListIsEmptiedAfterTheFile)
{
    TempFolder folder;
    TVorbisOut output;
    output.SetComments({"ARTIST=Someone", "TITLE=One=Two", "not a comment", "=nameless"});
    PcmSource first(sineBytes(4410, 44100, 2, 440.0), 16, 2, 44100);
    const QString path = folder.file("tagged.ogg");
    ASSERT_EQ(encode(output, first, path), "");
    EXPECT_TRUE(output.Comments().isEmpty());

    const ProcessResult listed = runTool("vorbiscomment", {"-l", path});
    ASSERT_EQ(listed.exitCode, 0) << listed.output.toStdString();
    EXPECT_EQ(listed.output.split('\n', Qt::SkipEmptyParts), QStringList({"ARTIST=Someone", "TITLE=One=Two"}));

    TVorbisIn reader;
    reader.SetFileName(path);
    ASSERT_TRUE(reader.Valid());
    EXPECT_EQ(reader.Comments(), QStringList({"ARTIST=Someone", "TITLE=One=Two"}));

    PcmSource second(sineBytes(4410, 44100, 2, 440.0), 16, 2, 44100);
    const QString next = folder.file("untagged.ogg");
    ASSERT_EQ(encode(output, second, next), "");
    EXPECT_EQ(runTool("vorbiscomment", {"-l", next}).output.trimmed(), "");
}

TEST(VorbisOut, threeMonoBytesAreOneFrame)
{
    TempFolder folder;
    PcmSource source(QByteArray("\x10\x20\x30", 3), 16, 1, 44100);
    TVorbisOut output;
    const QString path = folder.file("tiny.ogg");
    ASSERT_EQ(encode(output, source, path), "");

    const Decoded decoded = decodeWithOggdec(path);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.frames(), 1);
    TVorbisIn reader;
    reader.SetFileName(path);
    ASSERT_TRUE(reader.Valid());
    EXPECT_EQ(reader.TotalSamples(), 1);
}

TEST(VorbisOut, emptyInputGivesAValidFileWithoutSamples)
{
    TempFolder folder;
    PcmSource source(QByteArray(), 16, 2, 44100);
    TVorbisOut output;
    const QString path = folder.file("empty.ogg");
    ASSERT_EQ(encode(output, source, path), "");
    TVorbisIn reader;
    reader.SetFileName(path);
    EXPECT_TRUE(reader.Valid());
    EXPECT_EQ(reader.TotalSamples(), 0);
}

TEST(VorbisOut, headersEndTheirPagesSoTheAudioStartsOnAFreshOne)
{
    TempFolder folder;
    PcmSource source(sineBytes(44100 * 4, 44100, 2, 440.0), 16, 2, 44100);
    TVorbisOut output;
    output.SetSerial(0x1234567);
    const QString path = folder.file("pages.ogg");
    ASSERT_EQ(encode(output, source, path), "");

    const std::vector<OggPage> pages = oggPages(readFileBytes(path));
    ASSERT_GE(pages.size(), 4u);
    // The identification page, then the comment and codebook page, both at granule 0
    // and ending with a finished packet.
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(pages[i].granule, 0) << i;
        ASSERT_FALSE(pages[i].lacing.isEmpty());
        EXPECT_LT(std::uint8_t(pages[i].lacing.back()), 255) << i;
    }
    EXPECT_EQ(pages[0].flags & 0x02, 0x02); // beginning of stream
    EXPECT_EQ(pages[2].flags & 0x01, 0);    // not a continued packet
    EXPECT_GT(pages[2].granule, 0);
    EXPECT_EQ(pages.back().flags & 0x04, 0x04); // end of stream
    for (const OggPage& page : pages) {
        EXPECT_EQ(page.serial, 0x1234567u);
    }
}

TEST(VorbisOut, appendAddsASecondLogicalStream)
{
    TempFolder folder;
    const QString path = folder.file("chain.ogg");
    TVorbisOut output;
    PcmSource first(sineBytes(100000, 44100, 2, 440.0), 16, 2, 44100);
    ASSERT_EQ(encode(output, first, path), "");
    output.SetFileMode(foAppend);
    EXPECT_EQ(output.FileMode(), foAppend);
    output.SetSerial(7);
    PcmSource second(sineBytes(80000, 44100, 2, 440.0), 16, 2, 44100);
    ASSERT_EQ(encode(output, second, path), "");

    const ProcessResult info = runTool("ogginfo", {path});
    EXPECT_EQ(info.output.count("New logical stream"), 2) << info.output.toStdString();
    EXPECT_FALSE(info.output.contains("WARNING")) << info.output.toStdString();
    TVorbisIn reader;
    reader.SetFileName(path);
    ASSERT_TRUE(reader.Valid());
    EXPECT_EQ(reader.TotalSamples(), 180000);
}

// --- failures ----------------------------------------------------------------------------

struct FailureCase
{
    const char* name;
    std::function<void(TVorbisOut&, const TempFolder&)> setUp;
    int channels;
    int rate;
    const char* errorStart;
};
void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class VorbisOutFailure : public testing::TestWithParam<FailureCase>
{
};

TEST_P(VorbisOutFailure, reportsThroughOnThreadExceptionAndLeavesTheChainReusable)
{
    const FailureCase& c = GetParam();
    TempFolder folder;
    const QString existing = folder.file("keep.ogg");
    ASSERT_TRUE(writeFileBytes(existing, "precious"));
    TVorbisOut output;
    output.SetFileName(existing);
    c.setUp(output, folder);
    PcmSource source(sineBytes(1000, 44100, c.channels, 440.0), 16, c.channels, c.rate);
    TransferEnd end(output);
    output.SetInput(&source);
    output.Start();
    EXPECT_EQ(end.wait().rfind(c.errorStart, 0), 0u) << end.wait();
    EXPECT_EQ(end.dones(), 0);
    EXPECT_EQ(output.OutputStatus(), osIdle);
    EXPECT_FALSE(source.Busy());
    EXPECT_EQ(readFileBytes(existing), "precious");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VorbisOutFailure,
    testing::Values(FailureCase{"noFileName", [](TVorbisOut& o, const TempFolder&) { o.SetFileName(""); }, 2, 44100,
                                "File name is not assigned."},
                    FailureCase{"missingFolder",
                                [](TVorbisOut& o, const TempFolder& f) { o.SetFileName(f.file("no/such/folder.ogg")); },
                                2, 44100, "Cannot create the file"},
                    // A full disk is a failure, not a short file reported as done.
                    FailureCase{"diskFull", [](TVorbisOut& o, const TempFolder&) { o.SetFileName("/dev/full"); }, 2,
                                44100, "Cannot write to the file"},
                    // The encoder has no set-up for these; the file is not emptied.
                    FailureCase{"unsupportedBitrate",
                                [](TVorbisOut& o, const TempFolder&) { o.SetDesiredNominalBitrate(br499); }, 1, 8000,
                                "The Ogg Vorbis encoder does not support"},
                    FailureCase{"threeChannels", [](TVorbisOut&, const TempFolder&) {}, 3, 44100, "Cannot encode"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VorbisOut, finishOutputAgainAfterTheEndChangesNothing)
{
    TempFolder folder;
    PcmSource source(sineBytes(4410, 44100, 2, 440.0), 16, 2, 44100);
    TVorbisOut output;
    const QString path = folder.file("twice.ogg");
    ASSERT_EQ(encode(output, source, path), "");
    const QByteArray written = readFileBytes(path);
    output.FinishOutput();
    EXPECT_EQ(source.closes(), 1);
    EXPECT_EQ(readFileBytes(path), written);
}

} // namespace
