#include "WavFixtures.h"

#include "audio/EACSException.h"
#include "audio/TWaveIn.h"
#include "support/TempFolder.h"

#include <QBuffer>
#include <gtest/gtest.h>

using namespace fixtures;

namespace {

QByteArray imaFormat(int channels, int bits, int blockAlign, int samplesPerBlock)
{
    return le16(17) + le16(channels) + le32(22050) + le32(11100) + le16(blockAlign) + le16(bits) + le16(2) +
           le16(samplesPerBlock);
}

QByteArray msFormat(int channels, int blockAlign, int samplesPerBlock, int coefficientCount)
{
    static const int standard[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    QByteArray f = le16(2) + le16(channels) + le32(22050) + le32(11100) + le16(blockAlign) + le16(4) +
                   le16(4 + 4 * coefficientCount) + le16(samplesPerBlock) + le16(coefficientCount);
    for (int i = 0; i < coefficientCount; ++i) {
        f += le16(std::uint16_t(standard[i % 7][0])) + le16(std::uint16_t(standard[i % 7][1]));
    }
    return f;
}

QByteArray riff(const QByteArray& chunks)
{
    return "RIFF" + le32(std::uint32_t(chunks.size() + 4)) + "WAVE" + chunks;
}

// A reader over bytes held in memory.
struct MemoryWave
{
    explicit MemoryWave(const QByteArray& bytes) : buffer(&data)
    {
        data = bytes;
        buffer.open(QIODevice::ReadOnly);
        in.SetStream(&buffer);
    }
    QByteArray data;
    QBuffer buffer;
    TWaveIn in;
};

const QByteArray pcmData = samplesToBytes(testSignal(3000, 2));
const QByteArray pcmFormat = le16(1) + le16(2) + le32(44100) + le32(176400) + le16(4) + le16(16);

struct LayoutCase
{
    const char* name;
    QByteArray file;
};

class ReadableLayout : public testing::TestWithParam<LayoutCase>
{
};

TEST_P(ReadableLayout, deliversTheDataChunk)
{
    MemoryWave wave(GetParam().file);
    ASSERT_TRUE(wave.in.Valid());
    EXPECT_EQ(wave.in.WavType(), wtPCM);
    EXPECT_EQ(wave.in.SampleRate(), 44100);
    EXPECT_EQ(wave.in.TotalSamples(), 3000);
    EXPECT_EQ(readAll(wave.in), pcmData);
}

INSTANTIATE_TEST_SUITE_P(
    TWaveIn, ReadableLayout,
    testing::Values(LayoutCase{"plain", pcmWav(pcmData, 16, 2, 44100)},
                    LayoutCase{"listChunk", riff(chunk("fmt ", pcmFormat) + chunk("LIST", QByteArray(26, 'i')) +
                                                 chunk("data", pcmData))},
                    LayoutCase{"lowerCaseTags",
                               "riff" + le32(0) + "wave" + chunk("fmt ", pcmFormat) + chunk("data", pcmData)},
                    LayoutCase{"junkBeforeRiff", "junk" + pcmWav(pcmData, 16, 2, 44100)},
                    LayoutCase{"chunkBeforeFormat", riff(chunk("JUNK", QByteArray(100, 'j')) +
                                                         chunk("fmt ", pcmFormat) + chunk("data", pcmData))}),
    [](const auto& info) { return std::string(info.param.name); });

class InvalidFile : public testing::TestWithParam<LayoutCase>
{
};

TEST_P(InvalidFile, isNotValidAndDeliversNothing)
{
    MemoryWave wave(GetParam().file);
    EXPECT_FALSE(wave.in.Valid());
    EXPECT_EQ(readAll(wave.in), QByteArray());
}

const QByteArray imaBlocks(512, '\x11');

INSTANTIATE_TEST_SUITE_P(
    TWaveIn, InvalidFile,
    testing::Values(
        LayoutCase{"empty", QByteArray()},
        LayoutCase{"imaThreeBits", riff(chunk("fmt ", imaFormat(1, 3, 512, 1017)) + chunk("fact", le32(1017)) +
                                        chunk("data", imaBlocks))},
        LayoutCase{"imaWithoutFact", riff(chunk("fmt ", imaFormat(1, 4, 512, 1017)) + chunk("data", imaBlocks))},
        LayoutCase{"msWithoutFact", riff(chunk("fmt ", msFormat(1, 256, 500, 7)) + chunk("data", QByteArray(256, 0)))},
        LayoutCase{"msTooManyCoefficients", riff(chunk("fmt ", msFormat(1, 256, 500, 33)) + chunk("fact", le32(500)) +
                                                 chunk("data", QByteArray(256, 0)))},
        LayoutCase{"floatFormat", riff(chunk("fmt ", le16(3) + pcmFormat.mid(2)) + chunk("data", pcmData))},
        LayoutCase{"twentyFourBit", riff(chunk("fmt ", pcmFormat.left(14) + le16(24)) + chunk("data", pcmData))},
        LayoutCase{"dataPastHeaderWindow",
                   riff(chunk("fmt ", pcmFormat) + chunk("LIST", QByteArray(4100, 'i')) + chunk("data", pcmData))},
        LayoutCase{"shortFormat", riff(chunk("fmt ", pcmFormat.left(12)) + chunk("data", pcmData))},
        LayoutCase{"noData", riff(chunk("fmt ", pcmFormat))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TWaveIn, readingWhileClosedRaises)
{
    MemoryWave wave(pcmWav(pcmData, 16, 2, 44100));
    char buffer[4];
    try {
        wave.in.ReadData(buffer, 4);
        FAIL() << "no error";
    } catch (const EACSException& e) {
        EXPECT_STREQ(e.what(), "The Stream is not opened");
    }
}

TEST(TWaveIn, aMissingFileIsNotValid)
{
    TWaveIn in;
    in.SetFileName("/nonexistent/folder/x.wav");
    EXPECT_FALSE(in.Valid());
    EXPECT_EQ(in.SampleRate(), 0);
}

TEST(TWaveIn, startAndEndSampleCutTheRange)
{
    MemoryWave wave(pcmWav(pcmData, 16, 2, 44100));
    wave.in.SetStartSample(1000);
    EXPECT_EQ(readAll(wave.in), pcmData.mid(4000));
    wave.in.SetEndSample(1500);
    EXPECT_EQ(readAll(wave.in), pcmData.mid(4000, 2000));
}

TEST(TWaveIn, aDataLengthBeyondTheFileCountsWhatIsThere)
{
    QByteArray file = pcmWav(pcmData, 16, 2, 44100);
    file.replace(40, 4, le32(0xffffffff));
    MemoryWave wave(file);
    wave.in.OpenInput();
    EXPECT_EQ(wave.in.Size(), pcmData.size());
    wave.in.CloseInput();
    EXPECT_EQ(readAll(wave.in), pcmData);
}

TEST(TWaveIn, loopStartsOverAtTheEnd)
{
    MemoryWave wave(pcmWav(pcmData.left(400), 16, 2, 44100));
    wave.in.SetLoop(true);
    wave.in.OpenInput();
    QByteArray got(1000, '\0');
    int total = 0;
    while (total < 1000) {
        const int n = wave.in.ReadData(got.data() + total, 1000 - total);
        ASSERT_GT(n, 0);
        total += n;
    }
    wave.in.CloseInput();
    EXPECT_EQ(got, pcmData.left(400) + pcmData.left(400) + pcmData.left(200));
}

TEST(TWaveIn, jumpIsMadeAtTheNextRefill)
{
    MemoryWave wave(pcmWav(pcmData, 16, 2, 44100)); // 12000 bytes, one refill
    wave.in.OpenInput();
    QByteArray buffer(12000, '\0');
    ASSERT_EQ(wave.in.ReadData(buffer.data(), 12000), 12000);
    wave.in.Jump(-50);
    ASSERT_EQ(wave.in.ReadData(buffer.data(), 16), 16);
    EXPECT_EQ(wave.in.Position(), 6016);
    EXPECT_EQ(buffer.left(16), pcmData.mid(6000, 16));
    wave.in.Jump(-200); // clamped to the start
    wave.in.ReadData(buffer.data(), 12000);
    wave.in.ReadData(buffer.data(), 16);
    EXPECT_EQ(buffer.left(16), pcmData.left(16));
    wave.in.CloseInput();
}

// An IMA ADPCM mono block: header (first sample 1000, step index), then codes.
QByteArray imaMonoFile(std::uint8_t stepIndex, const QByteArray& codes)
{
    const QByteArray block = le16(1000) + QByteArray(1, char(stepIndex)) + QByteArray(1, '\0') + codes;
    const int frames = 1 + 2 * int(codes.size());
    return riff(chunk("fmt ", imaFormat(1, 4, int(block.size()), frames)) + chunk("fact", le32(frames)) +
                chunk("data", block));
}

TEST(TWaveIn, imaStepIndexAbove88IsTakenAs88)
{
    const QByteArray codes(8, '\x37');
    MemoryWave high(imaMonoFile(200, codes));
    MemoryWave top(imaMonoFile(88, codes));
    const QByteArray decoded = readAll(high.in);
    EXPECT_EQ(decoded.size(), 17 * 2);
    EXPECT_EQ(decoded, readAll(top.in));
}

TEST(TWaveIn, imaDecodesTheFirstCodesByHand)
{
    // Step 7 at index 0: code 7 adds 7/8 + 7 + 3 + 1 = 11, index +8; code 3 at step 16
    // (index 8) adds 2 + 8 + 4 = 14.
    MemoryWave wave(imaMonoFile(0, QByteArray(1, '\x37')));
    const QByteArray decoded = readAll(wave.in);
    ASSERT_EQ(decoded.size(), 6);
    EXPECT_EQ(std::int16_t(u16At(decoded, 0)), 1000);
    EXPECT_EQ(std::int16_t(u16At(decoded, 2)), 1011);
    EXPECT_EQ(std::int16_t(u16At(decoded, 4)), 1025);
}

QByteArray msMonoFile(std::uint8_t predictor, int coefficientCount)
{
    const QByteArray block = QByteArray(1, char(predictor)) + le16(16) + le16(100) + le16(50) + QByteArray(8, '\x12');
    return riff(chunk("fmt ", msFormat(1, int(block.size()), 18, coefficientCount)) + chunk("fact", le32(18)) +
                chunk("data", block));
}

TEST(TWaveIn, msAdpcmDecodesTheHeaderSamplesThenTheCodes)
{
    MemoryWave wave(msMonoFile(1, 7));
    ASSERT_TRUE(wave.in.Valid());
    const QByteArray decoded = readAll(wave.in);
    ASSERT_EQ(decoded.size(), 36);
    EXPECT_EQ(std::int16_t(u16At(decoded, 0)), 50);  // sample 2 first
    EXPECT_EQ(std::int16_t(u16At(decoded, 2)), 100); // then sample 1
    // Predictor 1: (100 * 512 - 50 * 256) / 256 = 150, code 1 adds delta 16.
    EXPECT_EQ(std::int16_t(u16At(decoded, 4)), 166);
}

TEST(TWaveIn, msAdpcmBlockWithAnUnknownPredictorEndsTheData)
{
    MemoryWave wave(msMonoFile(7, 7));
    EXPECT_TRUE(wave.in.Valid());
    EXPECT_EQ(readAll(wave.in), QByteArray());
}

} // namespace
