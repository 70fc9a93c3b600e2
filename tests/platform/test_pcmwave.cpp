#include "platform/PcmWave.h"
#include "support/DiskFull.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

QByteArray pattern(int bytes, int seed = 0)
{
    QByteArray data(bytes, Qt::Uninitialized);
    for (int i = 0; i < bytes; ++i) {
        data[i] = static_cast<char>((i * 7 + seed * 13 + i / 256) & 0xFF);
    }
    return data;
}

std::uint32_t at32(const QByteArray& bytes, int offset)
{
    return qFromLittleEndian<std::uint32_t>(bytes.constData() + offset);
}

std::uint16_t at16(const QByteArray& bytes, int offset)
{
    return qFromLittleEndian<std::uint16_t>(bytes.constData() + offset);
}

// sox's view of a file's samples: the raw data it decodes.
QByteArray soxRaw(const QString& path)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"), {path, QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-")});
    sox.waitForFinished(-1);
    return sox.readAllStandardOutput();
}

struct HeaderCase
{
    PcmFormat format;
    std::uint32_t bytesPerSecond;
    std::uint16_t blockAlign;
};

class PcmHeaderTest : public ::testing::TestWithParam<HeaderCase>
{
};

} // namespace

TEST_P(PcmHeaderTest, HeaderDescribesTheFormat)
{
    const HeaderCase c = GetParam();
    const QByteArray header = PcmWave::header(c.format, 0);
    ASSERT_EQ(header.size(), 44);
    EXPECT_EQ(header.left(4), "RIFF");
    EXPECT_EQ(at32(header, 4), 36u);
    EXPECT_EQ(header.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(at32(header, 16), 16u);
    EXPECT_EQ(at16(header, 20), 1u);
    EXPECT_EQ(at16(header, 22), c.format.channels);
    EXPECT_EQ(at32(header, 24), static_cast<std::uint32_t>(c.format.sampleRate));
    EXPECT_EQ(at32(header, 28), c.bytesPerSecond);
    EXPECT_EQ(at16(header, 32), c.blockAlign);
    EXPECT_EQ(at16(header, 34), c.format.bitsPerSample);
    EXPECT_EQ(header.mid(36, 4), "data");
    EXPECT_EQ(at32(header, 40), 0u);
}

INSTANTIATE_TEST_SUITE_P(Formats, PcmHeaderTest,
                         ::testing::Values(HeaderCase{{8000, 1, 8}, 8000, 1}, HeaderCase{{8000, 2, 8}, 16000, 2},
                                           HeaderCase{{11025, 1, 16}, 22050, 2}, HeaderCase{{44100, 2, 16}, 176400, 4},
                                           HeaderCase{{48000, 2, 8}, 96000, 2}));

TEST(PcmWaveTest, WrittenFileReadsBackAndSoxAgrees)
{
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("tone.wav"));
    const PcmFormat format{22050, 2, 16};
    const QByteArray data = pattern(22050 * 4 / 10);
    ASSERT_TRUE(PcmWave::write(path, format, data));
    EXPECT_EQ(QFile(path).size(), 44 + data.size());

    const auto contents = PcmWave::read(path);
    ASSERT_TRUE(contents.has_value());
    EXPECT_EQ(contents->format.sampleRate, format.sampleRate);
    EXPECT_EQ(contents->format.channels, format.channels);
    EXPECT_EQ(contents->format.bitsPerSample, format.bitsPerSample);
    EXPECT_EQ(contents->data, data);
    EXPECT_EQ(soxRaw(path), data);
}

TEST(PcmWaveTest, ReadSkipsOtherChunksAndKeepsWholeFramesOfAShortData)
{
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("odd.wav"));
    QByteArray file = PcmWave::header({8000, 2, 16}, 1000);
    // A "LIST" chunk of odd size (padded) between fmt and data, and data cut short at 403
    // bytes although the header claims 1000.
    QByteArray list("LIST\x05\x00\x00\x00"
                    "abcde\x00",
                    14);
    file.insert(36, list);
    const QByteArray data = pattern(403);
    file += data;
    ASSERT_TRUE(writeFileBytes(path, file));
    const auto contents = PcmWave::read(path);
    ASSERT_TRUE(contents.has_value());
    EXPECT_EQ(contents->data, data.left(400));
}

class PcmRejectTest : public ::testing::TestWithParam<std::pair<const char*, QByteArray>>
{
};

TEST_P(PcmRejectTest, RefusesWhatTheDeviceCannotPlay)
{
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("bad.wav"));
    ASSERT_TRUE(writeFileBytes(path, GetParam().second));
    QString error;
    EXPECT_FALSE(PcmWave::read(path, &error).has_value()) << GetParam().first;
    EXPECT_FALSE(error.isEmpty());
}

namespace {

QByteArray withField(QByteArray header, int offset, std::uint16_t value)
{
    qToLittleEndian(value, header.data() + offset);
    return header;
}

const QByteArray goodHeader = PcmWave::header({44100, 2, 16}, 0);

} // namespace

INSTANTIATE_TEST_SUITE_P(
    Files, PcmRejectTest,
    ::testing::Values(std::pair{"ADPCM", withField(goodHeader, 20, 0x11)},
                      std::pair{"three channels", withField(goodHeader, 22, 3)},
                      std::pair{"24-bit", withField(withField(goodHeader, 34, 24), 32, 6)},
                      std::pair{"wrong block align", withField(goodHeader, 32, 3)},
                      std::pair{"no data chunk", goodHeader.left(36)}, std::pair{"empty", QByteArray()},
                      std::pair{"not RIFF", QByteArray("RIFX").append(goodHeader.mid(4))},
                      std::pair{"MP3 bytes", QByteArray("ID3\x03\x00\x00\x00\x00\x00\x00\xff\xfb", 12)}));

TEST(PcmWaveTest, FailedWriteLeavesTheOldFileByteForByte)
{
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("keep.wav"));
    const QByteArray old = pattern(3000, 1);
    ASSERT_TRUE(PcmWave::write(path, {8000, 1, 8}, old));
    const QByteArray before = readFileBytes(path);
    {
        DiskFull full(4000);
        QString error;
        EXPECT_FALSE(PcmWave::write(path, {8000, 1, 8}, pattern(9000, 2), &error));
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_EQ(readFileBytes(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.wav")});
}
