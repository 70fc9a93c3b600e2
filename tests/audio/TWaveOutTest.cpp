#include "MemorySource.h"
#include "StreamDoubles.h"
#include "WavFixtures.h"

#include "audio/TWaveIn.h"
#include "audio/TWaveOut.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

using namespace fixtures;

namespace {

// Size is declared apart from what the source delivers, as the resampler's is.
class FormatSource : public MemorySource
{
public:
    FormatSource(QByteArray bytes, int bits, int channels, int rate, std::int32_t declaredSize)
        : MemorySource(std::move(bytes), bits, channels, rate)
    {
        declareSize(declaredSize);
    }
};

// Runs one transfer to its end; returns the error text, empty when it ended through OnDone.
std::string transfer(TWaveOut& out)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool ended = false;
    std::string error;
    out.OnDone = [&](TACSOutput*) {
        std::lock_guard guard(mutex);
        ended = true;
        changed.notify_all();
    };
    out.OnThreadException = [&](TACSOutput*, const std::exception& e) {
        std::lock_guard guard(mutex);
        error = e.what();
        ended = true;
        changed.notify_all();
    };
    out.Start();
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return ended; });
    return error;
}

TEST(TWaveOut, pcmHeaderOfAThousandByteInput)
{
    TempFolder folder;
    FormatSource source(QByteArray(1000, '\x05'), 16, 2, 44100, 1000);
    TWaveOut out;
    out.SetInput(&source);
    out.SetFileName(folder.file("out.wav"));
    EXPECT_EQ(transfer(out), "");
    const QByteArray file = readFileBytes(folder.file("out.wav"));
    ASSERT_EQ(file.size(), 1044);
    EXPECT_EQ(file.left(4), "RIFF");
    EXPECT_EQ(u32At(file, 4), 1036u);
    EXPECT_EQ(u16At(file, 20), 1);
    EXPECT_EQ(u32At(file, 24), 44100u);
    EXPECT_EQ(u32At(file, 28), 176400u);
    EXPECT_EQ(u16At(file, 32), 4);
    EXPECT_EQ(u32At(file, 40), 1000u);
    EXPECT_EQ(file.mid(44), QByteArray(1000, '\x05'));
}

struct LengthCase
{
    std::int32_t declared;
    int delivered;
};

class PcmLengths : public testing::TestWithParam<LengthCase>
{
};

// The header tells what was written, whether the input declared that, nothing (-1) or a
// wrong length (a resampler's estimate).
TEST_P(PcmLengths, headerMatchesTheWrittenData)
{
    TempFolder folder;
    FormatSource source(QByteArray(GetParam().delivered, '\x01'), 8, 1, 8000, GetParam().declared);
    TWaveOut out;
    out.SetInput(&source);
    out.SetFileName(folder.file("out.wav"));
    EXPECT_EQ(transfer(out), "");
    const QByteArray file = readFileBytes(folder.file("out.wav"));
    EXPECT_EQ(u32At(file, 40), std::uint32_t(GetParam().delivered));
    EXPECT_EQ(u32At(file, 4), std::uint32_t(file.size() - 8));
}

INSTANTIATE_TEST_SUITE_P(TWaveOut, PcmLengths,
                         testing::Values(LengthCase{-1, 40000}, LengthCase{50000, 40000}, LengthCase{100, 333},
                                         LengthCase{0, 0}));

class ImaBlockLayout : public testing::TestWithParam<std::pair<int, int>>
{
};

TEST_P(ImaBlockLayout, samplesPerBlockFollowsTheChannels)
{
    const auto [channels, samplesPerBlock] = GetParam();
    TempFolder folder;
    const QByteArray pcm = samplesToBytes(testSignal(3000, channels));
    FormatSource source(pcm, 16, channels, 22050, std::int32_t(pcm.size()));
    TWaveOut out;
    out.SetInput(&source);
    out.SetWavType(wtDVIADPCM);
    out.SetFileName(folder.file("ima.wav"));
    EXPECT_EQ(transfer(out), "");
    const QByteArray file = readFileBytes(folder.file("ima.wav"));
    EXPECT_EQ(u16At(file, 20), 17);
    EXPECT_EQ(u16At(file, 32), 512);
    EXPECT_EQ(u16At(file, 34), 4);
    EXPECT_EQ(u16At(file, 38), samplesPerBlock);
    EXPECT_EQ(u32At(file, 28), std::uint32_t(22050 / samplesPerBlock * 512));
    EXPECT_EQ(u32At(file, 48), 3000u);
    const int blocks = (3000 + samplesPerBlock - 1) / samplesPerBlock;
    EXPECT_EQ(u32At(file, 56), std::uint32_t(blocks * 512));
    EXPECT_EQ(file.size(), 60 + blocks * 512);

    TWaveIn in;
    in.SetFileName(folder.file("ima.wav"));
    EXPECT_EQ(readAll(in).size(), pcm.size());
}

INSTANTIATE_TEST_SUITE_P(TWaveOut, ImaBlockLayout, testing::Values(std::pair{1, 1017}, std::pair{2, 505}));

TEST(TWaveOut, inputEndingOnABlockBoundaryGetsOneMoreSilentBlock)
{
    TempFolder folder;
    const QByteArray pcm = samplesToBytes(testSignal(1017, 1));
    FormatSource source(pcm, 16, 1, 22050, -1);
    TWaveOut out;
    out.SetInput(&source);
    out.SetWavType(wtDVIADPCM);
    out.SetFileName(folder.file("ima.wav"));
    EXPECT_EQ(transfer(out), "");
    const QByteArray file = readFileBytes(folder.file("ima.wav"));
    EXPECT_EQ(file.size(), 60 + 2 * 512);
    EXPECT_EQ(u32At(file, 48), 1017u);
}

TEST(TWaveOut, settersIgnoreValuesTheWriterCannotUse)
{
    TWaveOut out;
    out.SetBlockSize(510);
    out.SetBlockSize(0);
    EXPECT_EQ(out.BlockSize(), 512);
    out.SetBlockSize(1024);
    EXPECT_EQ(out.BlockSize(), 1024);
    out.SetWavType(wtMSADPCM);
    out.SetWavType(wtACM);
    EXPECT_EQ(out.WavType(), wtPCM);
    out.SetFileMode(foAppend);
    EXPECT_EQ(out.FileMode(), foAppend);
}

struct RefusalCase
{
    const char* name;
    QByteArray existing; // the file there before, empty for none
    TFileOutputMode mode;
    TWavType type;
    int bits;
    int rate;
    const char* error;
};

class Refusal : public testing::TestWithParam<RefusalCase>
{
};

TEST_P(Refusal, reportsThroughOnThreadExceptionAndLeavesTheFileAsItWas)
{
    const RefusalCase c = GetParam();
    TempFolder folder;
    const QString path = folder.file("target.wav");
    if (!c.existing.isEmpty()) {
        ASSERT_TRUE(writeFileBytes(path, c.existing));
    }
    FormatSource source(QByteArray(400, '\x02'), c.bits, 2, c.rate, 400);
    TWaveOut out;
    out.SetInput(&source);
    if (QString(c.name) != "noFileName") {
        out.SetFileName(path);
    }
    out.SetFileMode(c.mode);
    out.SetWavType(c.type);
    EXPECT_EQ(transfer(out), c.error);
    EXPECT_EQ(out.OutputStatus(), osIdle);
    EXPECT_FALSE(source.Busy());
    if (!c.existing.isEmpty()) {
        EXPECT_EQ(readFileBytes(path), c.existing);
    }
}

const QByteArray pcm44100 = pcmWav(QByteArray(64, '\x03'), 16, 2, 44100);
const QByteArray msAdpcmFile = "RIFF" + le32(40) + "WAVE" +
                               chunk("fmt ", le16(2) + le16(2) + le32(44100) + le32(44100) + le16(512) + le16(4)) +
                               chunk("data", QByteArray(8, '\0'));

INSTANTIATE_TEST_SUITE_P(
    TWaveOut, Refusal,
    testing::Values(
        RefusalCase{"noFileName", {}, foRewrite, wtPCM, 16, 44100, "File name is not assigned."},
        RefusalCase{"otherRate", pcm44100, foAppend, wtPCM, 16, 22050, "Cannot append data in different audio format."},
        RefusalCase{"otherBits", pcm44100, foAppend, wtPCM, 8, 44100, "Cannot append data in different audio format."},
        RefusalCase{"notPcmOrIma", msAdpcmFile, foAppend, wtPCM, 16, 44100, "Cannot append data to this .wav file."},
        RefusalCase{"notWav", QByteArray("plain text, no header"), foAppend, wtPCM, 16, 44100,
                    "Cannot append data to this .wav file."},
        RefusalCase{"eightBitIma", {}, foRewrite, wtDVIADPCM, 8, 44100, "Cannot encode 8 bit sound into ADPCM."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TWaveOut, appendingAddsDataAndFixesTheLengths)
{
    TempFolder folder;
    const QString path = folder.file("target.wav");
    ASSERT_TRUE(writeFileBytes(path, pcm44100));
    FormatSource source(QByteArray(100, '\x07'), 16, 2, 44100, 100);
    TWaveOut out;
    out.SetInput(&source);
    out.SetFileName(path);
    out.SetFileMode(foAppend);
    EXPECT_EQ(transfer(out), "");
    const QByteArray file = readFileBytes(path);
    EXPECT_EQ(file, pcmWav(QByteArray(64, '\x03') + QByteArray(100, '\x07'), 16, 2, 44100));
}

TEST(TWaveOut, appendingImaContinuesTheBlocksAndTheFactCount)
{
    TempFolder folder;
    const QString path = folder.file("ima.wav");
    const QByteArray pcm = samplesToBytes(testSignal(1017, 1));
    for (int pass = 0; pass < 2; ++pass) {
        FormatSource source(pcm, 16, 1, 22050, std::int32_t(pcm.size()));
        TWaveOut out;
        out.SetInput(&source);
        out.SetFileName(path);
        out.SetWavType(wtDVIADPCM);
        out.SetFileMode(pass == 0 ? foRewrite : foAppend);
        EXPECT_EQ(transfer(out), "");
    }
    const QByteArray file = readFileBytes(path);
    EXPECT_EQ(file.size(), 60 + 4 * 512); // each pass: one full block and one of silence
    EXPECT_EQ(u32At(file, 56), 4u * 512u);
    EXPECT_EQ(u32At(file, 48), 4u * 1017u);
    EXPECT_EQ(u32At(file, 4), std::uint32_t(file.size() - 8));
}

TEST(TWaveOut, anInputThatIsNotValidIsRefused)
{
    TempFolder folder;
    ASSERT_TRUE(writeFileBytes(folder.file("in.wav"), "not a wave file"));
    TWaveIn in;
    in.SetFileName(folder.file("in.wav"));
    TWaveOut out;
    out.SetInput(&in);
    out.SetFileName(folder.file("out.wav"));
    EXPECT_EQ(transfer(out),
              QString("The file \"%1\" holds no audio that can be read.").arg(in.FileName()).toStdString());
    EXPECT_FALSE(in.Busy());
}

TEST(TWaveOut, aFailingReadEndsTheTransferThroughOnDone)
{
    TempFolder folder;
    GatedSource source(countingBytes(40000), false, 40000);
    source.failAtRead(2);
    TWaveOut out;
    out.SetInput(&source);
    out.SetFileName(folder.file("out.wav"));
    EXPECT_EQ(transfer(out), "");
    const QByteArray file = readFileBytes(folder.file("out.wav"));
    EXPECT_EQ(file.size(), 44 + 16384);
    EXPECT_EQ(u32At(file, 40), 16384u);
}

} // namespace
