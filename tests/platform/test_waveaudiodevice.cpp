#include "platform/PcmWave.h"
#include "platform/SdlWaveAudio.h"
#include "platform/WaveAudioDevice.h"
#include "support/DiskAudio.h"
#include "support/DiskFull.h"
#include "support/ScriptedSound.h"
#include "support/TempFolder.h"
#include "support/ToneWav.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

QByteArray pattern(qsizetype bytes, int seed)
{
    QByteArray data(bytes, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes; ++i) {
        // Never a whole frame of zeros, so silence stripped from a played file cannot eat it.
        data[i] = static_cast<char>(1 + (i * 31 + seed * 17) % 250);
    }
    return data;
}

qsizetype bytesOf(const PcmFormat& format, int milliseconds)
{
    return static_cast<qsizetype>(std::int64_t{milliseconds} * format.sampleRate / 1000) * format.blockAlign();
}

class WaveAudioDeviceTest : public ::testing::TestWithParam<PcmFormat>
{
protected:
    void SetUp() override { WaveAudio::install(sound); }
    void TearDown() override
    {
        device.close();
        WaveAudio::install(nullptr);
    }

    // A file of `milliseconds` of pattern sound, opened on the device.
    QByteArray openFile(const PcmFormat& format, int milliseconds)
    {
        const QByteArray data = pattern(bytesOf(format, milliseconds), 1);
        EXPECT_TRUE(PcmWave::write(path, format, data));
        device.setFileName(path);
        EXPECT_TRUE(device.open()) << device.errorString().toStdString();
        return data;
    }

    TempFolder dir;
    QString path = dir.file(QStringLiteral("sound.wav"));
    std::shared_ptr<ScriptedSound> sound = std::make_shared<ScriptedSound>();
    WaveAudioDevice device;
};

} // namespace

TEST_P(WaveAudioDeviceTest, RecordingIsInsertedAtItsPositionInTheFilesFormat)
{
    const PcmFormat format = GetParam();
    const QByteArray old = openFile(format, 100);
    EXPECT_EQ(device.length(), 100);
    ASSERT_TRUE(device.record(50));
    EXPECT_EQ(sound->inputFormat().sampleRate, format.sampleRate);
    EXPECT_EQ(sound->inputFormat().channels, format.channels);
    EXPECT_EQ(sound->inputFormat().bitsPerSample, format.bitsPerSample);
    const QByteArray fresh = pattern(bytesOf(format, 20), 2);
    ASSERT_TRUE(sound->deliver(fresh));
    EXPECT_EQ(device.mode(), WaveAudioDevice::Mode::Recording);
    EXPECT_EQ(device.length(), 120);
    EXPECT_EQ(device.position(), 70);
    device.stop();
    EXPECT_FALSE(sound->inputOpen());
    EXPECT_EQ(device.mode(), WaveAudioDevice::Mode::Stopped);
    const qsizetype at = bytesOf(format, 50);
    EXPECT_EQ(device.samples(), old.left(at) + fresh + old.mid(at));
    EXPECT_EQ(device.position(), 70);
    // Nothing reaches the file until it is saved.
    EXPECT_EQ(PcmWave::read(path)->data, old);
    ASSERT_TRUE(device.save());
    EXPECT_EQ(PcmWave::read(path)->data, old.left(at) + fresh + old.mid(at));
}

INSTANTIATE_TEST_SUITE_P(Formats, WaveAudioDeviceTest,
                         ::testing::Values(PcmFormat{8000, 1, 8}, PcmFormat{44100, 2, 16}, PcmFormat{12000, 2, 8},
                                           PcmFormat{48000, 1, 16}));

using WaveAudioDeviceModeTest = WaveAudioDeviceTest;

TEST_F(WaveAudioDeviceModeTest, WithoutAPositionRecordingGoesWhereTheDeviceStands)
{
    const PcmFormat format{8000, 1, 8};
    const QByteArray old = openFile(format, 100);
    const QByteArray a = pattern(80, 3);
    const QByteArray b = pattern(40, 4);
    const QByteArray c = pattern(16, 5);
    // Just opened: the start.
    ASSERT_TRUE(device.record());
    sound->deliver(a);
    device.stop();
    // Straight after a recording: right behind it.
    ASSERT_TRUE(device.record());
    sound->deliver(b);
    device.stop();
    EXPECT_EQ(device.samples(), a + b + old);
    device.seekToEnd();
    ASSERT_TRUE(device.record());
    sound->deliver(c);
    device.stop();
    EXPECT_EQ(device.samples(), a + b + old + c);
    device.seekToStart();
    EXPECT_EQ(device.position(), 0);
}

TEST_F(WaveAudioDeviceModeTest, SaveDuringARecordingKeepsItAndEndsIt)
{
    const PcmFormat format{16000, 2, 16};
    const QByteArray old = openFile(format, 10);
    ASSERT_TRUE(device.record());
    const QByteArray fresh = pattern(bytesOf(format, 30), 6);
    sound->deliver(fresh);
    ASSERT_TRUE(device.save());
    EXPECT_EQ(device.mode(), WaveAudioDevice::Mode::Stopped);
    EXPECT_EQ(PcmWave::read(path)->data, fresh + old);
    EXPECT_EQ(device.length(), 40);
}

TEST_F(WaveAudioDeviceModeTest, LostMicrophoneStopsTheRecordingAndKeepsWhatArrived)
{
    const QByteArray old = openFile({8000, 1, 16}, 10);
    ASSERT_TRUE(device.record());
    const QByteArray fresh = pattern(320, 7);
    sound->deliver(fresh);
    sound->loseInput();
    EXPECT_FALSE(device.waitForLength(1000));
    EXPECT_EQ(device.mode(), WaveAudioDevice::Mode::Stopped);
    EXPECT_FALSE(device.errorString().isEmpty());
    EXPECT_EQ(device.samples(), fresh + old);
    EXPECT_FALSE(sound->deliver(fresh));
}

TEST_F(WaveAudioDeviceModeTest, NoMicrophoneMeansNoRecordingAndTheSoundStaysAsItWas)
{
    sound->hasInput = false;
    const QByteArray old = openFile({44100, 2, 16}, 20);
    EXPECT_FALSE(device.canRecord());
    EXPECT_FALSE(device.record());
    EXPECT_FALSE(device.errorString().isEmpty());
    EXPECT_EQ(device.mode(), WaveAudioDevice::Mode::Stopped);
    EXPECT_EQ(device.samples(), old);
}

TEST_F(WaveAudioDeviceModeTest, PlaysFromAPositionToTheEndAndStopsThere)
{
    const PcmFormat format{22050, 2, 16};
    const QByteArray old = openFile(format, 300);
    ASSERT_TRUE(device.play(100));
    device.waitForPlaybackEnd();
    EXPECT_EQ(device.mode(), WaveAudioDevice::Mode::Stopped);
    EXPECT_EQ(sound->played(), old.mid(bytesOf(format, 100)));
    EXPECT_EQ(device.position(), device.length());
}

TEST_F(WaveAudioDeviceModeTest, TimeFormatsCountFramesOrBytes)
{
    openFile({11025, 2, 16}, 200);
    EXPECT_EQ(device.length(), 200);
    device.setTimeFormat(WaveAudioDevice::TimeFormat::Samples);
    EXPECT_EQ(device.length(), 2205);
    device.setTimeFormat(WaveAudioDevice::TimeFormat::Bytes);
    EXPECT_EQ(device.length(), 8820);
}

TEST_F(WaveAudioDeviceModeTest, ClosedOrUnreadableFileIsNotReady)
{
    EXPECT_EQ(device.mode(), WaveAudioDevice::Mode::NotReady);
    ASSERT_TRUE(writeFileBytes(path, "RIFF\x10\x00\x00\x00WAVEjunk"));
    device.setFileName(path);
    EXPECT_FALSE(device.open());
    EXPECT_EQ(device.mode(), WaveAudioDevice::Mode::NotReady);
    EXPECT_EQ(device.length(), 0);
    EXPECT_FALSE(device.play());
    EXPECT_FALSE(device.record());
    EXPECT_FALSE(device.save());
}

TEST_F(WaveAudioDeviceModeTest, SaveThatFailsLeavesTheFileAsItWas)
{
    const QByteArray old = openFile({8000, 1, 8}, 100);
    ASSERT_TRUE(device.record());
    sound->deliver(pattern(8000, 8));
    const QByteArray before = readFileBytes(path);
    {
        DiskFull full(2000);
        EXPECT_FALSE(device.save());
    }
    EXPECT_EQ(readFileBytes(path), before);
    EXPECT_EQ(device.length(), 1100);
}

namespace {

// The real SDL service on its "disk" driver: the microphone reads SDL_DISKAUDIOFILEIN and
// what is played goes to SDL_DISKAUDIOFILE, both in real time.
class DiskDriverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILEIN", input.toUtf8());
        qputenv("SDL_DISKAUDIOFILE", output.toUtf8());
    }
    void TearDown() override
    {
        device.close();
        WaveAudio::install(nullptr);
    }
    void startService() { WaveAudio::install(std::make_shared<SdlWaveAudio>()); }

    TempFolder dir;
    QString input = dir.file(QStringLiteral("microphone.raw"));
    QString output = dir.file(QStringLiteral("speaker.raw"));
    QString path = dir.file(QStringLiteral("take.wav"));
    WaveAudioDevice device;
};

} // namespace

TEST_F(DiskDriverTest, RecordingHoldsExactlyWhatTheMicrophoneDelivered)
{
    const PcmFormat format{44100, 2, 16};
    const QByteArray tone = pattern(bytesOf(format, 2000), 9);
    ASSERT_TRUE(writeFileBytes(input, tone));
    startService();
    ASSERT_TRUE(PcmWave::write(path, format, {}));
    device.setFileName(path);
    ASSERT_TRUE(device.open());
    ASSERT_TRUE(device.canRecord());
    ASSERT_TRUE(device.record());
    ASSERT_TRUE(device.waitForLength(400));
    device.stop();
    const QByteArray got = device.samples();
    EXPECT_GE(got.size(), bytesOf(format, 400));
    EXPECT_EQ(got, tone.left(got.size()));
}

TEST_F(DiskDriverTest, NoMicrophoneFileMeansNoRecording)
{
    startService();
    ASSERT_TRUE(PcmWave::write(path, {8000, 1, 8}, {}));
    device.setFileName(path);
    ASSERT_TRUE(device.open());
    EXPECT_FALSE(device.canRecord());
    EXPECT_FALSE(device.record());
}

TEST_F(DiskDriverTest, PlaybackSendsTheRestOfTheSoundToTheSpeaker)
{
    const PcmFormat format{22050, 1, 16};
    const QByteArray sound = pattern(bytesOf(format, 400), 10);
    ASSERT_TRUE(PcmWave::write(path, format, sound));
    ASSERT_TRUE(writeFileBytes(input, QByteArray(16, '\0')));
    startService();
    device.setFileName(path);
    ASSERT_TRUE(device.open());
    ASSERT_TRUE(device.play(100));
    device.waitForPlaybackEnd();
    device.close();
    // The driver plays silence before the first block and after the last one, and in between
    // whenever a loaded machine kept the feeding thread from handing over the next block in
    // time. The pattern never holds a silent frame, so what is left once silence is taken out
    // is what was played, in order.
    EXPECT_EQ(withoutSilentFrames(readFileBytes(output), format.blockAlign()), sound.mid(bytesOf(format, 100)));
}
