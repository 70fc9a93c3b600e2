#include "platform/PcmWave.h"
#include "platform/WaveAudioDevice.h"
#include "recorder/RecorderKit.h"
#include "recorder/TfrmRecord.h"
#include "settings/TSettings.h"
#include "support/DiskFull.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <QtEndian>
#include <gtest/gtest.h>

using B = TMediaBar;

namespace {

const QString deviceFailed = QStringLiteral("Error while initializing MCI device!");
const QString saveFailed = QStringLiteral("Error when saving WAV file,please check if the file is being uesd.");

std::vector<int> enabledButtons(const RecorderKit& kit)
{
    std::vector<int> on;
    for (int n = 0; n < B::buttonCount; ++n) {
        if (kit.enabled(n)) {
            on.push_back(n);
        }
    }
    return on;
}

QByteArray dataOf(const QString& path)
{
    const auto contents = PcmWave::read(path);
    return contents ? contents->data : QByteArray("unreadable");
}

} // namespace

TEST(RecorderTest, NewEightBitMonoFileHasItsHeaderAndOnlyRecordEnabled)
{
    RecorderKit kit;
    kit.newFile({8000, 1, 8});
    EXPECT_TRUE(kit.takeMessages().isEmpty());
    const QString unnamed = kit.home(QStringLiteral("MyNoName.wav"));
    EXPECT_EQ(kit.form->currentFile(), unnamed);
    const QByteArray header = readFileBytes(unnamed);
    ASSERT_EQ(header.size(), 44);
    EXPECT_EQ(qFromLittleEndian<std::uint32_t>(header.constData() + 24), 8000u);
    EXPECT_EQ(qFromLittleEndian<std::uint32_t>(header.constData() + 28), 8000u);
    EXPECT_EQ(qFromLittleEndian<std::uint16_t>(header.constData() + 32), 1u);
    EXPECT_EQ(qFromLittleEndian<std::uint16_t>(header.constData() + 34), 8u);
    EXPECT_EQ(enabledButtons(kit), std::vector<int>{B::btRecord});
    EXPECT_EQ(kit.form->windowTitle(), QStringLiteral("Record(NoName)"));
    EXPECT_EQ(kit.form->lbLength->text(), QStringLiteral("0.00 Sec"));
    EXPECT_EQ(kit.form->lbPosition->text(), QStringLiteral("0.00 Sec"));
    EXPECT_EQ(kit.form->panRecordTime->text(), QStringLiteral("00:00:00.0"));
    EXPECT_TRUE(kit.form->actSave->isEnabled());
    EXPECT_TRUE(kit.form->actSaveAs->isEnabled());
    EXPECT_FALSE(kit.form->actUndo->isEnabled());
}

TEST(RecorderTest, NewWithoutAMicrophoneSaysSoAndLeavesNothingToPress)
{
    RecorderKit kit;
    kit.microphone().hasInput = false;
    kit.newFile({44100, 2, 16});
    EXPECT_EQ(kit.takeMessages(), QStringList{deviceFailed});
    EXPECT_TRUE(enabledButtons(kit).empty());
    EXPECT_EQ(kit.form->windowTitle(), QStringLiteral("Record(NoName)"));
    EXPECT_EQ(kit.form->lbLength->text(), QStringLiteral("0.00 Sec"));
    EXPECT_FALSE(kit.form->actSave->isEnabled());
}

class StopWaitTest : public ::testing::TestWithParam<std::pair<int, std::vector<int>>>
{
};

TEST_P(StopWaitTest, RecordingRunsOnToTheNextWholeSecond)
{
    RecorderKit kit;
    kit.newFile({8000, 1, 8});
    const QByteArray take = soundBytes(2000, 1);
    kit.record(2000 + GetParam().first, take);
    EXPECT_EQ(kit.waits, GetParam().second);
    EXPECT_EQ(kit.form->lastMillisecondPart(), GetParam().first);
    EXPECT_EQ(dataOf(kit.form->currentFile()), take);
    EXPECT_EQ(kit.form->TrackBar1->value(), 400);
    EXPECT_EQ(kit.form->lbState->text(), QStringLiteral("Record over!"));
    EXPECT_EQ(kit.form->lbLength->text(), QStringLiteral("0.25 Sec"));
    EXPECT_FALSE(kit.form->TimerRecord->isActive());
    EXPECT_EQ(enabledButtons(kit), (std::vector<int>{B::btPlay, B::btNext, B::btPrev, B::btRecord}));
    EXPECT_TRUE(kit.form->isModified());
}

INSTANTIATE_TEST_SUITE_P(MillisecondParts, StopWaitTest,
                         ::testing::Values(std::pair{340, std::vector<int>{660}}, std::pair{100, std::vector<int>{}},
                                           std::pair{0, std::vector<int>{}}, std::pair{101, std::vector<int>{899}},
                                           std::pair{999, std::vector<int>{1}}));

TEST(RecorderTest, ClockShowsTheRecordingTimeWhileRecording)
{
    RecorderKit kit;
    kit.newFile({8000, 1, 8});
    kit.form->MediaPlayer1Click(B::btRecord);
    EXPECT_EQ(kit.form->lbState->text(), QStringLiteral("Recording..."));
    EXPECT_EQ(enabledButtons(kit), std::vector<int>{B::btStop});
    EXPECT_FALSE(kit.form->actSave->isEnabled());
    EXPECT_TRUE(kit.form->TimerRecord->isActive());
    kit.clock = kit.clock.addMSecs(3723456);
    kit.form->TimerRecordTimer();
    EXPECT_EQ(kit.form->panRecordTime->text(), QStringLiteral("01:02:03.4"));
    EXPECT_EQ(kit.form->lastMillisecondPart(), 456);
}

TEST(RecorderTest, ButtonSetsFollowPlayNextAndPrev)
{
    RecorderKit kit;
    kit.newFile({8000, 1, 8});
    kit.record(1000, soundBytes(8000, 2));
    ASSERT_EQ(kit.form->TrackBar1->value(), 400);

    // At the end, Play starts again from the beginning.
    kit.form->MediaPlayer1Click(B::btPlay);
    EXPECT_EQ(kit.form->TrackBar1->value(), 0);
    EXPECT_EQ(kit.form->lbState->text(), QStringLiteral("Playing..."));
    EXPECT_EQ(enabledButtons(kit), (std::vector<int>{B::btPause, B::btStop, B::btNext, B::btPrev}));
    EXPECT_TRUE(kit.form->Timer1->isActive());
    kit.form->device().waitForPlaybackEnd();
    EXPECT_EQ(kit.microphone().played(), soundBytes(8000, 2));
    kit.form->Timer1Timer();
    EXPECT_EQ(kit.form->TrackBar1->value(), 200);
    EXPECT_EQ(kit.form->lbPosition->text(), QStringLiteral("0.5 Sec"));
    kit.form->Timer1Timer();
    EXPECT_EQ(kit.form->TrackBar1->value(), 400);
    EXPECT_FALSE(kit.form->Timer1->isActive());
    EXPECT_EQ(enabledButtons(kit), (std::vector<int>{B::btPlay, B::btPrev, B::btRecord}));

    kit.form->MediaPlayer1Click(B::btPrev);
    EXPECT_EQ(kit.form->TrackBar1->value(), 0);
    EXPECT_EQ(enabledButtons(kit), (std::vector<int>{B::btPlay, B::btNext, B::btRecord}));
    kit.form->MediaPlayer1Click(B::btNext);
    EXPECT_EQ(kit.form->TrackBar1->value(), 400);
    EXPECT_EQ(kit.form->lbState->text(), QStringLiteral("-----------"));
    EXPECT_EQ(enabledButtons(kit), (std::vector<int>{B::btPlay, B::btPrev, B::btRecord}));

    // Play from the middle plays the second half; Stop ends it.
    kit.form->TrackBar1->setValue(200);
    kit.form->MediaPlayer1Click(B::btPlay);
    kit.form->MediaPlayer1Click(B::btStop);
    EXPECT_EQ(kit.form->TrackBar1->value(), 0);
    EXPECT_EQ(enabledButtons(kit), (std::vector<int>{B::btPlay, B::btNext, B::btPrev, B::btRecord}));
    EXPECT_EQ(kit.form->device().mode(), WaveAudioDevice::Mode::Stopped);
    // Stop may cut the second playback short, but what was played is the second half's start.
    const QByteArray played = kit.microphone().played();
    ASSERT_TRUE(played.startsWith(soundBytes(8000, 2)));
    EXPECT_TRUE(soundBytes(8000, 2).mid(4000).startsWith(played.mid(8000)));
}

TEST(RecorderTest, LostMicrophoneEndsTheRecordingAndKeepsWhatItCaptured)
{
    RecorderKit kit;
    kit.newFile({8000, 1, 8});
    kit.form->MediaPlayer1Click(B::btRecord);
    const QByteArray take = soundBytes(1200, 3);
    kit.microphone().deliver(take);
    kit.microphone().loseInput();
    kit.clock = kit.clock.addMSecs(650);
    kit.form->TimerRecordTimer();
    EXPECT_TRUE(kit.waits.empty());
    EXPECT_FALSE(kit.form->TimerRecord->isActive());
    EXPECT_EQ(kit.form->lbState->text(), QStringLiteral("Record over!"));
    EXPECT_EQ(dataOf(kit.form->currentFile()), take);
    const QStringList messages = kit.takeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("Recording stopped")));
}

TEST(RecorderTest, StopThatCannotSaveSaysSo)
{
    RecorderKit kit;
    kit.newFile({8000, 1, 8});
    // Something else took the file's place: the save has nowhere to go.
    ASSERT_TRUE(QFile::remove(kit.form->currentFile()));
    ASSERT_TRUE(QDir().mkdir(kit.form->currentFile()));
    kit.record(500, soundBytes(400, 4));
    EXPECT_EQ(kit.takeMessages(), QStringList{QStringLiteral("Error while saving sound file!")});
}

TEST(RecorderTest, SaveOfAnUnchangedFileDoesNothingButAnUnsavedRecordingAsksForAName)
{
    RecorderKit kit;
    kit.newFile({8000, 1, 8});
    kit.form->actSaveExecute();
    ASSERT_EQ(kit.prompt->calls().last().kind, QStringLiteral("save"));
    EXPECT_EQ(kit.prompt->calls().last().dialog.initialFolder, kit.home(QString()).chopped(1));

    const QString named = kit.file(QStringLiteral("named.wav"));
    ASSERT_TRUE(PcmWave::write(named, {8000, 1, 8}, soundBytes(800, 5)));
    kit.prompt->queueOpenFiles({named});
    kit.form->miOpenClick();
    ASSERT_EQ(kit.form->currentFile(), named);
    EXPECT_EQ(kit.form->windowTitle(), QStringLiteral("Record(") + named + QLatin1Char(')'));
    EXPECT_EQ(kit.form->lbLength->text(), QStringLiteral("0.1 Sec"));
    EXPECT_EQ(enabledButtons(kit), (std::vector<int>{B::btPlay, B::btNext, B::btRecord}));
    const auto callsBefore = kit.prompt->calls().size();
    const QByteArray before = readFileBytes(named);
    kit.form->actSaveExecute();
    EXPECT_EQ(kit.prompt->calls().size(), callsBefore);
    EXPECT_EQ(readFileBytes(named), before);
}

TEST(RecorderTest, ClosingWithChangesAsksOnceAndCancelStillCloses)
{
    RecorderKit kit;
    kit.newFile({8000, 1, 8});
    kit.record(200, soundBytes(160, 6));
    kit.takeMessages();
    kit.form->show();
    kit.prompt->queueAnswer(Prompt::Answer::Cancel);
    kit.form->close();
    EXPECT_FALSE(kit.form->isVisible());
    EXPECT_EQ(kit.takeMessages(), QStringList{QStringLiteral("NoName has been modified,Save it?")});
    EXPECT_EQ(kit.prompt->calls().last().message.buttons, Prompt::Buttons::YesNoCancel);
    // The unnamed recording stays; the working copy goes; the check mark is kept.
    EXPECT_TRUE(QFile::exists(kit.home(QStringLiteral("MyNoName.wav"))));
    EXPECT_FALSE(QFile::exists(kit.home(QStringLiteral("MyTemp.wav"))));
    EXPECT_EQ(kit.form->device().mode(), WaveAudioDevice::Mode::NotReady);
}

TEST(RecorderTest, Mp3FormatWithoutACdDriveClosesTheRecorderAfterTheNotice)
{
    RecorderKit kit;
    settings().SaveMp3 = true;
    kit.form->FormCreate();
    ASSERT_TRUE(kit.form->miSaveMp3->isChecked());
    kit.form->show();
    kit.newFile({8000, 1, 8});
    kit.record(200, soundBytes(160, 7));
    const QString target = kit.file(QStringLiteral("take.wav"));
    kit.prompt->queueSaveFile(target);
    kit.form->actSaveExecute();
    EXPECT_TRUE(QFile::exists(target));
    EXPECT_EQ(kit.takeMessages().last(), QStringLiteral("Please access CD devices rightly above all!"));
    EXPECT_TRUE(kit.form->isVisible());
    // The window closes once the save has finished, without asking again.
    QCoreApplication::processEvents();
    EXPECT_FALSE(kit.form->isVisible());
    EXPECT_TRUE(kit.takeMessages().isEmpty());
    EXPECT_FALSE(QFile::exists(kit.file(QStringLiteral("take.mp3"))));
}

TEST(RecorderTest, OpenOfAMissingFileSaysSoAndAsksAgain)
{
    RecorderKit kit;
    const QString missing = kit.file(QStringLiteral("gone.wav"));
    kit.prompt->queueOpenFiles({missing});
    kit.form->miOpenClick();
    const auto calls = kit.prompt->calls();
    ASSERT_EQ(calls.size(), 3);
    EXPECT_EQ(calls[0].kind, QStringLiteral("open"));
    EXPECT_EQ(calls[0].dialog.title, QStringLiteral("Please select a sound file to open"));
    EXPECT_EQ(calls[0].dialog.filter, QStringLiteral("Sound file(*.wav)|*.wav|All files(*.*)|*.*"));
    EXPECT_EQ(calls[1].message.text,
              QStringLiteral("Please check the filename correct or not\nCould not be found\uFF01\n") + missing);
    EXPECT_EQ(calls[1].message.icon, Prompt::Icon::Exclamation);
    EXPECT_EQ(calls[2].kind, QStringLiteral("open"));
    EXPECT_TRUE(kit.form->currentFile().isEmpty());
}

TEST(RecorderTest, OpenOfAFileTheDeviceCannotPlaySaysSo)
{
    RecorderKit kit;
    const QString notPcm = kit.file(QStringLiteral("song.wav"));
    ASSERT_TRUE(writeFileBytes(notPcm, QByteArray("ID3\x03\x00\x00\x00\x00\x00\x00", 10)));
    kit.prompt->queueOpenFiles({notPcm});
    kit.form->miOpenClick();
    EXPECT_EQ(kit.takeMessages(), QStringList{deviceFailed});
    EXPECT_TRUE(enabledButtons(kit).empty());
    EXPECT_TRUE(kit.form->currentFile().isEmpty());
}

TEST(RecorderTest, RecordingInTheMiddleOfASavedFileThenUndo)
{
    RecorderKit kit;
    kit.newFile({8000, 1, 8});
    const QByteArray first = soundBytes(800, 8);
    kit.record(100, first);
    const QString target = kit.file(QStringLiteral("take.wav"));
    kit.prompt->queueSaveFile(target);
    kit.form->actSaveAsExecute();
    ASSERT_EQ(kit.form->currentFile(), target);
    EXPECT_FALSE(kit.form->isModified());
    EXPECT_FALSE(QFile::exists(kit.home(QStringLiteral("MyNoName.wav"))));
    EXPECT_EQ(dataOf(target), first);
    EXPECT_EQ(dataOf(kit.form->workingCopy()), first);

    kit.form->TrackBar1->setValue(200);
    const QByteArray second = soundBytes(240, 9);
    kit.record(30, second);
    const QByteArray joined = first.left(400) + second + first.mid(400);
    EXPECT_EQ(dataOf(kit.form->workingCopy()), joined);
    EXPECT_EQ(dataOf(target), first);
    EXPECT_TRUE(kit.form->actUndo->isEnabled());

    kit.prompt->queueAnswer(Prompt::Answer::Yes);
    kit.form->actUndoExecute();
    EXPECT_EQ(kit.takeMessages().last(), QStringLiteral("Discard the modification since last save file."));
    EXPECT_EQ(dataOf(kit.form->workingCopy()), first);
    EXPECT_EQ(kit.form->device().samples(), first);
    EXPECT_FALSE(kit.form->isModified());
    EXPECT_EQ(kit.form->lbLength->text(), QStringLiteral("0.1 Sec"));
    EXPECT_EQ(kit.form->lbPosition->text(), QStringLiteral("0.1 Sec"));
    EXPECT_EQ(enabledButtons(kit), (std::vector<int>{B::btPlay, B::btNext, B::btRecord}));

    // The slider stayed at the end, so this take goes behind the sound.
    kit.record(30, second);
    kit.form->actSaveExecute();
    EXPECT_EQ(dataOf(target), first + second);
}

TEST(RecorderTest, SaveThatFailsKeepsTheEarlierFile)
{
    RecorderKit kit;
    const QString named = kit.file(QStringLiteral("named.wav"));
    ASSERT_TRUE(PcmWave::write(named, {8000, 1, 8}, soundBytes(800, 10)));
    kit.prompt->queueOpenFiles({named});
    kit.form->miOpenClick();
    kit.record(1000, soundBytes(8000, 11));
    const QByteArray before = readFileBytes(named);
    {
        DiskFull full(4000);
        kit.form->actSaveExecute();
    }
    EXPECT_EQ(kit.takeMessages(), QStringList{saveFailed});
    EXPECT_EQ(readFileBytes(named), before);
    EXPECT_TRUE(kit.form->isModified());
}

TEST(RecorderTest, SaveAsRefusesOtherExtensionsAndKeepsAnExistingFileOnNo)
{
    RecorderKit kit;
    kit.newFile({8000, 1, 8});
    kit.record(100, soundBytes(800, 12));
    kit.takeMessages();
    kit.prompt->queueSaveFile(kit.file(QStringLiteral("take.mp3")));
    kit.form->actSaveAsExecute();
    EXPECT_EQ(kit.takeMessages(), QStringList{QStringLiteral("The save file should be WAV!")});

    const QString existing = kit.file(QStringLiteral("old.WAV"));
    ASSERT_TRUE(writeFileBytes(existing, "keep me"));
    kit.prompt->queueSaveFile(existing);
    kit.prompt->queueAnswer(Prompt::Answer::No);
    kit.form->actSaveAsExecute();
    EXPECT_EQ(kit.takeMessages(), QStringList{existing + QStringLiteral(" has existed,overite it?")});
    EXPECT_EQ(readFileBytes(existing), "keep me");
    EXPECT_TRUE(kit.form->isModified());
    EXPECT_EQ(kit.form->currentFile(), kit.home(QStringLiteral("MyNoName.wav")));
}

TEST(RecorderTest, RecordingControlWithoutAMixerTellsTheUser)
{
    RecorderKit kit;
    int opened = 0;
    kit.form->openMixer = [&opened] {
        ++opened;
        return false;
    };
    kit.form->miRecordOptionSetClick();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(kit.takeMessages().size(), 1);
}
