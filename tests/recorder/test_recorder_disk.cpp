// The recorder end to end on SDL's "disk" driver: the microphone reads a raw file and
// the speaker writes one, both in real time; lame makes the MP3 through the job window.
#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "platform/PcmWave.h"
#include "platform/SdlWaveAudio.h"
#include "platform/WaveAudioDevice.h"
#include "recorder/RecorderKit.h"
#include "recorder/TfrmRecord.h"
#include "settings/TSettings.h"
#include "support/DiskAudio.h"
#include "support/ToneWav.h"

#include <QAction>
#include <QEventLoop>
#include <QProcess>
#include <QSlider>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const PcmFormat cdFormat{44100, 2, 16};

// A tone as the raw bytes the microphone file holds.
QByteArray toneRaw(const QString& scratch, double frequency)
{
    EXPECT_TRUE(writeToneWav(scratch, 4.0, 44100, 2, frequency));
    return readFileBytes(scratch).mid(44);
}

// What sox decodes from a WAV file.
QByteArray soxRaw(const QString& path)
{
    QProcess sox;
    sox.start(QStringLiteral("sox"), {path, QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-")});
    sox.waitForFinished(-1);
    return sox.readAllStandardOutput();
}

double probeSeconds(const QString& path)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"),
                                              QStringLiteral("-show_entries"), QStringLiteral("format=duration"),
                                              QStringLiteral("-of"), QStringLiteral("default=nw=1:nk=1"), path});
    ffprobe.waitForFinished(-1);
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).trimmed().toDouble();
}

qsizetype bytesAt(std::int64_t milliseconds)
{
    return static_cast<qsizetype>(milliseconds * cdFormat.sampleRate / 1000) * cdFormat.blockAlign();
}

class RecorderDiskTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", scratch.file(QStringLiteral("speaker.raw")).toUtf8());
        microphone(first);
        WaveAudio::install(std::make_shared<SdlWaveAudio>());
        DiscImageWriter writer;
        writer.addTrack(75 * 4);
        ASSERT_TRUE(writer.write(scratch.file(QStringLiteral("disc.cue"))));
        qputenv("TARNWICK_DISC_IMAGES", scratch.file(QStringLiteral("disc.cue")).toUtf8());
        tarnwick::setCDDeviceSource(nullptr);
        drive = tarnwick::openFirstImage();
        ASSERT_NE(drive, 0u);
        kit = std::make_unique<RecorderKit>(nullptr, drive);
        settings().OutputFolder = kit->dir.path();
        kit->form->recordWait = [this](int milliseconds) {
            kit->waits.push_back(milliseconds);
            QEventLoop loop;
            QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
            loop.exec();
        };
    }
    void TearDown() override
    {
        kit.reset();
        WaveAudio::install(nullptr);
        if (drive != 0) {
            CloseCDHandle(drive);
        }
        qunsetenv("TARNWICK_DISC_IMAGES");
    }
    void microphone(const QByteArray& bytes)
    {
        const QString path = scratch.file(QStringLiteral("mic-%1.raw").arg(++m_mics));
        ASSERT_TRUE(writeFileBytes(path, bytes));
        qputenv("SDL_DISKAUDIOFILEIN", path.toUtf8());
    }
    // Records until the sound is `length` long, with the clock showing a part of 400 ms,
    // so Stop goes on recording for another 600.
    void recordUntil(std::int64_t length)
    {
        kit->form->MediaPlayer1Click(TMediaBar::btRecord);
        ASSERT_TRUE(kit->form->device().waitForLength(length));
        kit->clock = kit->clock.addMSecs(1400);
        kit->form->TimerRecordTimer();
        kit->form->MediaPlayer1Click(TMediaBar::btStop);
    }

    TempFolder scratch;
    QByteArray first = toneRaw(scratch.file(QStringLiteral("a.wav")), 440);
    QByteArray second = toneRaw(scratch.file(QStringLiteral("b.wav")), 1250);
    CDHandle drive = 0;
    std::unique_ptr<RecorderKit> kit;
    int m_mics = 0;
};

} // namespace

TEST_F(RecorderDiskTest, RecordInsertSaveUndoAndMp3)
{
    kit->newFile(cdFormat);
    ASSERT_TRUE(kit->takeMessages().isEmpty());
    recordUntil(1000);
    EXPECT_EQ(kit->waits, std::vector<int>{600});
    const QString unnamed = kit->home(QStringLiteral("MyNoName.wav"));
    const QByteArray take = soxRaw(unnamed);
    // The wait kept recording: more than the second we waited for.
    EXPECT_GE(take.size(), bytesAt(1400));
    EXPECT_EQ(take, first.left(take.size()));

    const QString named = kit->file(QStringLiteral("tone.wav"));
    kit->prompt->queueSaveFile(named);
    kit->form->actSaveExecute();
    ASSERT_EQ(kit->form->currentFile(), named);
    EXPECT_EQ(soxRaw(named), take);

    // A second take in the middle goes in there.
    microphone(second);
    const std::int64_t length = kit->form->device().length();
    kit->form->TrackBar1->setValue(200);
    const std::int64_t middle = length * 200 / 400;
    recordUntil(length + 500);
    const QByteArray joined = soxRaw(kit->form->workingCopy());
    const qsizetype inserted = joined.size() - take.size();
    ASSERT_GE(inserted, bytesAt(500));
    EXPECT_EQ(joined.left(bytesAt(middle)), take.left(bytesAt(middle)));
    EXPECT_EQ(joined.mid(bytesAt(middle), inserted), second.left(inserted));
    EXPECT_EQ(joined.mid(bytesAt(middle) + inserted), take.mid(bytesAt(middle)));
    EXPECT_EQ(soxRaw(named), take);

    // Undo goes back to the saved file.
    kit->prompt->queueAnswer(Prompt::Answer::Yes);
    kit->form->actUndoExecute();
    EXPECT_EQ(soxRaw(kit->form->workingCopy()), take);

    // Played back, the speaker hears the saved sound.
    kit->form->MediaPlayer1Click(TMediaBar::btPrev);
    kit->form->MediaPlayer1Click(TMediaBar::btPlay);
    kit->form->device().waitForPlaybackEnd();
    kit->form->device().close();
    // Silence the device filled in while the machine was busy is no part of the sound.
    const int frame = cdFormat.blockAlign();
    const QByteArray heard = withoutSilentFrames(readFileBytes(scratch.file(QStringLiteral("speaker.raw"))), frame);
    EXPECT_GE(heard.indexOf(withoutSilentFrames(take.mid(bytesAt(200), 4096), frame)), 0);

    // Save As with the MP3 format: an MP3 of the same length lands beside the WAV file.
    kit->form->miSaveMp3->setChecked(true);
    settings().OutputFormat = 2;
    const QString copy = kit->file(QStringLiteral("tone copy.wav"));
    kit->prompt->queueSaveFile(copy);
    kit->form->actSaveAsExecute();
    const QString mp3 = kit->file(QStringLiteral("tone copy.mp3"));
    ASSERT_TRUE(QFile::exists(mp3)) << kit->prompt->messageTexts().join(QLatin1Char('|')).toStdString();
    const double seconds = static_cast<double>(take.size()) / cdFormat.bytesPerSecond();
    EXPECT_NEAR(probeSeconds(mp3), seconds, 0.1);
    EXPECT_TRUE(kit->form->mp3PromptDone());
    EXPECT_EQ(settings().OutputFormat, 2);
}
