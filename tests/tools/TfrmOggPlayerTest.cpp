#include "tools/TfrmOggPlayer.h"
#include "audio/TAudioOut.h"
#include "audio/TStereoBalance.h"
#include "audio/TVorbisIn.h"
#include "platform/ChildProcess.h"
#include "platform/ScriptedPrompt.h"
#include "support/DiskAudio.h"
#include "support/FakeWaveAudio.h"
#include "support/TempFolder.h"
#include "support/ToneWav.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QSlider>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>

namespace {

bool runTool(const QString& program, const QStringList& arguments)
{
    ChildProcess child;
    if (child.start(program, arguments) != 0) {
        return false;
    }
    child.closeInput();
    child.readAll(ChildProcess::Stream::Output);
    child.readAll(ChildProcess::Stream::Error);
    return child.waitForExit(-1) && child.exitCode() == 0;
}

// An Ogg file made by the reference encoder from a generated tone.
QString makeOgg(const TempFolder& folder, const QString& name, double seconds, int rate = 44100, int channels = 2)
{
    const QString wav = folder.file(name + QStringLiteral(".wav"));
    const QString ogg = folder.file(name);
    if (!writeToneWav(wav, seconds, rate, channels) ||
        !runTool(QStringLiteral("oggenc"), {QStringLiteral("-Q"), QStringLiteral("-o"), ogg, wav})) {
        return {};
    }
    return ogg;
}

// Runs the window's event loop until `done` holds. The reports of the output's worker
// arrive as posted events, so each one wakes the loop.
void processUntil(const std::function<bool()>& done)
{
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

class OggPlayerTest : public ::testing::Test
{
protected:
    OggPlayerTest()
    {
        Prompt::install(prompt);
        WaveAudio::install(fake);
    }
    ~OggPlayerTest() override
    {
        WaveAudio::install(nullptr);
        Prompt::install(nullptr);
    }

    // Opens `file` through the play button, as the user would.
    void open(TfrmOggPlayer& player, const QString& file)
    {
        prompt->queueOpenFiles({file});
        player.BitBtn1Click();
    }
    void waitForEnd(TfrmOggPlayer& player)
    {
        bool ended = false;
        const auto connection = QObject::connect(&player, &TfrmOggPlayer::playbackEnded, [&] { ended = true; });
        processUntil([&] { return ended; });
        QObject::disconnect(connection);
    }

    TempFolder folder;
    std::shared_ptr<ScriptedPrompt> prompt = std::make_shared<ScriptedPrompt>();
    std::shared_ptr<FakeWaveAudio> fake = std::make_shared<FakeWaveAudio>();
};

} // namespace

TEST_F(OggPlayerTest, StartsIdleWithItsCaptionsAndNamedControls)
{
    TfrmOggPlayer player;
    EXPECT_EQ(player.windowTitle(), "Ogg Player");
    EXPECT_EQ(player.fileNameLabel()->text(), "OGG");
    EXPECT_EQ(player.sampleRateLabel()->text(), "bps");
    EXPECT_EQ(player.currentTimeLabel()->text(), "0:00");
    EXPECT_EQ(player.totalTimeLabel()->text(), "0:00");
    EXPECT_FALSE(player.positionBar()->isEnabled());
    EXPECT_EQ(player.positionBar()->maximum(), 100);
    EXPECT_EQ(player.openButton()->toolTip(), "Press to open and play ogg file.");
    EXPECT_EQ(player.openButton()->accessibleName(), "Play");
    EXPECT_EQ(player.pauseButton()->accessibleName(), "Pause");
    EXPECT_EQ(player.stopButton()->accessibleName(), "Stop");
    EXPECT_EQ(player.balanceSlider()->value(), 5);
    EXPECT_EQ(player.balanceSlider()->maximum(), 10);
    EXPECT_EQ(player.levelPicture().size(), QSize(124, 48));
    EXPECT_EQ(player.levelTimer()->interval(), 50);
    EXPECT_EQ(player.clockTimer()->interval(), 500);
    EXPECT_FALSE(player.levelTimer()->isActive());
    EXPECT_EQ(player.AudioOut1()->Input(), static_cast<TACSInput*>(player.StereoBalance1()));
}

struct NameCase
{
    QString file;
    bool accepted;
    QString shown;
};

class OggPlayerNames : public OggPlayerTest, public ::testing::WithParamInterface<NameCase>
{
};

TEST_P(OggPlayerNames, OnlyValidOggFilesWithTheirExtensionPlay)
{
    fake->holdPlayback = true;
    const QString made = makeOgg(folder, QStringLiteral("made.ogg"), 0.5);
    ASSERT_FALSE(made.isEmpty());
    const QString path = folder.file(GetParam().file);
    if (GetParam().file.startsWith(QStringLiteral("broken"))) {
        ASSERT_TRUE(writeFileBytes(path, QByteArray(5000, 'x')));
    } else {
        ASSERT_TRUE(QFile::copy(made, path));
    }
    TfrmOggPlayer player;
    open(player, path);
    const QStringList messages = prompt->messageTexts();
    if (GetParam().accepted) {
        EXPECT_TRUE(messages.isEmpty());
        EXPECT_EQ(player.fileNameLabel()->text(), GetParam().shown);
        EXPECT_NE(player.AudioOut1()->OutputStatus(), osIdle);
        EXPECT_FALSE(player.openButton()->isEnabled());
        EXPECT_TRUE(player.positionBar()->isEnabled());
        EXPECT_EQ(player.sampleRateLabel()->text(), "44100 bps");
        fake->release(1000);
        waitForEnd(player);
        EXPECT_TRUE(player.openButton()->isEnabled());
        EXPECT_FALSE(player.positionBar()->isEnabled());
        EXPECT_FALSE(player.clockTimer()->isActive());
        EXPECT_TRUE(player.levelTimer()->isActive());
    } else {
        ASSERT_EQ(messages, QStringList{"Ogg file is not valid."});
        EXPECT_EQ(prompt->calls().last().message.caption, QString());
        EXPECT_EQ(player.AudioOut1()->OutputStatus(), osIdle);
        EXPECT_TRUE(player.openButton()->isEnabled());
        EXPECT_EQ(player.fileNameLabel()->text(), "OGG");
        EXPECT_EQ(fake->openCount(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, OggPlayerNames,
                         ::testing::Values(NameCase{"SONG.OGG", true, "SONG"}, NameCase{"a.b.ogg", true, "a.b"},
                                           NameCase{"song.ogx", false, {}}, NameCase{"broken.ogg", false, {}}));

TEST_F(OggPlayerTest, CancelledDialogChangesNothing)
{
    TfrmOggPlayer player;
    player.BitBtn1Click();
    ASSERT_EQ(prompt->calls().size(), 1);
    EXPECT_EQ(prompt->calls()[0].kind, "open");
    EXPECT_EQ(prompt->calls()[0].dialog.filter, "Sound file(*.ogg)|*.ogg| Any file(*.*)|*.*");
    EXPECT_EQ(player.AudioOut1()->OutputStatus(), osIdle);
}

TEST_F(OggPlayerTest, ShowsTheDurationAndRunsItsClockWhilePlaying)
{
    fake->holdPlayback = true;
    const QString file = makeOgg(folder, QStringLiteral("long.ogg"), 125.0, 8000, 1);
    ASSERT_FALSE(file.isEmpty());
    TfrmOggPlayer player;
    open(player, file);
    EXPECT_EQ(player.totalTimeLabel()->text(), "2:05");
    EXPECT_EQ(player.sampleRateLabel()->text(), "8000 bps");
    EXPECT_TRUE(player.clockTimer()->isActive());
    // The clock timer's ticks, driven by hand: 123 ticks of 500 ms are 61.5 s.
    for (int tick = 0; tick < 123; ++tick) {
        player.Timer2Timer();
    }
    EXPECT_EQ(player.currentTimeLabel()->text(), "1:01");
    // It stops at the duration.
    for (int tick = 0; tick < 200; ++tick) {
        player.Timer2Timer();
    }
    EXPECT_EQ(player.playClock(), 125000);
    EXPECT_EQ(player.currentTimeLabel()->text(), "2:05");

    player.BitBtn3Click();
    fake->release(1000);
    waitForEnd(player);
}

TEST_F(OggPlayerTest, SeekingJumpsByTheDifferenceAndSetsTheClock)
{
    fake->holdPlayback = true;
    // 92160 frames: the nine blocks queued at the start are exactly 20 percent of it.
    const QString file = makeOgg(folder, QStringLiteral("seek.ogg"), 92160.0 / 44100.0);
    ASSERT_FALSE(file.isEmpty());
    TfrmOggPlayer player;
    open(player, file);
    fake->waitForWritten(9);
    ASSERT_EQ(player.AudioOut1()->Progress(), 20);

    player.ScrollBar1Scroll(70);
    EXPECT_EQ(player.playClock(), 2 * 700);
    fake->release(1);
    fake->waitForWritten(10);
    // The tenth block came from 50 percent further on.
    EXPECT_GE(player.AudioOut1()->Progress(), 70);
    EXPECT_LE(player.AudioOut1()->Progress(), 75);

    fake->release(1000);
    waitForEnd(player);
    const int frameBytes = 4;
    EXPECT_LT(fake->lastDevice().played.size(), 92160 * frameBytes * 6 / 10);
}

TEST_F(OggPlayerTest, PauseHoldsTheClockAndStopWhilePausedReachesIdle)
{
    fake->holdPlayback = true;
    const QString file = makeOgg(folder, QStringLiteral("pause.ogg"), 2.0);
    ASSERT_FALSE(file.isEmpty());
    TfrmOggPlayer player;
    open(player, file);
    fake->waitForWritten(9);

    player.BitBtn2Click();
    EXPECT_EQ(player.AudioOut1()->OutputStatus(), osPaused);
    EXPECT_FALSE(player.clockTimer()->isActive());
    player.BitBtn2Click();
    EXPECT_NE(player.AudioOut1()->OutputStatus(), osPaused);
    EXPECT_TRUE(player.clockTimer()->isActive());
    player.BitBtn2Click();
    ASSERT_EQ(player.AudioOut1()->OutputStatus(), osPaused);

    player.BitBtn3Click();
    fake->release(1000);
    waitForEnd(player);
    EXPECT_EQ(player.AudioOut1()->OutputStatus(), osIdle);
    EXPECT_TRUE(player.openButton()->isEnabled());
    EXPECT_FALSE(player.clockTimer()->isActive());

    // Pausing an idle player starts no clock.
    player.BitBtn2Click();
    EXPECT_FALSE(player.clockTimer()->isActive());
}

TEST_F(OggPlayerTest, BalanceSliderGivesTenthsFromRightToLeft)
{
    TfrmOggPlayer player;
    for (const auto& [position, balance] : {std::pair{0, 0.0f}, {10, 1.0f}, {3, 0.3f}, {5, 0.5f}}) {
        player.balanceSlider()->setValue(position);
        EXPECT_FLOAT_EQ(player.StereoBalance1()->Balance(), balance) << position;
    }
}

TEST_F(OggPlayerTest, LevelBarsAreDrawnFromTheBottomInGreen)
{
    TfrmOggPlayer player;
    double levels[32];
    for (int i = 0; i < 32; ++i) {
        levels[i] = i * 1.5; // bar 3 is 4.5 pixels: rounded to 4, halves go to even
    }
    player.drawLevels(levels);
    const QImage& picture = player.levelPicture();
    const QRgb green = qRgb(0, 128, 0);
    const auto barHeight = [&](int x) {
        int height = 0;
        while (height < picture.height() && picture.pixel(x, picture.height() - 1 - height) == green) {
            ++height;
        }
        return height;
    };
    EXPECT_EQ(barHeight(4 * 3), 4);
    EXPECT_EQ(barHeight(4 * 10), 15);
    // The 2-pixel pen covers the column left of x too: that half is all of the last bar
    // that fits in the 124-pixel picture.
    EXPECT_EQ(barHeight(4 * 10 - 1), 15);
    EXPECT_EQ(barHeight(123), 46);
    EXPECT_EQ(barHeight(4 * 0), 0);
    // Between the bars the picture is black.
    EXPECT_EQ(picture.pixel(4 * 10 + 2, picture.height() - 1), qRgb(0, 0, 0));
    EXPECT_EQ(picture.pixel(4 * 10, picture.height() - 16), qRgb(0, 0, 0));
}

TEST_F(OggPlayerTest, NoSoundDeviceIsSaidPlainlyBeforeAnyFileIsChosen)
{
    fake->outputs = 0;
    TfrmOggPlayer player;
    player.BitBtn1Click();
    ASSERT_EQ(prompt->messageTexts(), QStringList{"No sound output device is available."});
    EXPECT_EQ(prompt->calls().size(), 1);
    EXPECT_TRUE(player.openButton()->isEnabled());
}

TEST_F(OggPlayerTest, DeviceThatFailsOrGoesAwayReturnsTheWindowToIdle)
{
    const QString file = makeOgg(folder, QStringLiteral("gone.ogg"), 2.0);
    ASSERT_FALSE(file.isEmpty());
    for (const bool failOpen : {true, false}) {
        prompt->clear();
        fake->openError = failOpen ? "The sound output device cannot be opened: busy" : "";
        fake->loseAfterBlocks = failOpen ? -1 : 2;
        TfrmOggPlayer player;
        open(player, file);
        waitForEnd(player);
        EXPECT_EQ(player.AudioOut1()->OutputStatus(), osIdle);
        EXPECT_TRUE(player.openButton()->isEnabled());
        EXPECT_FALSE(player.positionBar()->isEnabled());
        EXPECT_FALSE(player.clockTimer()->isActive());
        EXPECT_EQ(prompt->messageTexts(), QStringList{failOpen ? "The sound output device cannot be opened: busy"
                                                               : "The sound output device is no longer available."});
    }
}

// The real sound system on SDL's disk driver. What the player sends to the device is
// compared with the reference decoder's output for the same file, sample for sample. The
// disk driver takes the format as it is asked for, so SDL converts nothing; the one
// difference is the silence a device plays before the first block arrives and after the
// last, which is stripped from both ends of both (a silent frame in the file's own first
// or last samples cannot be told apart from it).
TEST(OggPlayerDisk, PlaysWhatTheReferenceDecoderDecodes)
{
    TempFolder folder;
    auto prompt = std::make_shared<ScriptedPrompt>();
    Prompt::install(prompt);
    const QString ogg = makeOgg(folder, QStringLiteral("tone.ogg"), 1.0);
    ASSERT_FALSE(ogg.isEmpty());
    const QString raw = folder.file(QStringLiteral("oggdec.raw"));
    ASSERT_TRUE(runTool(QStringLiteral("oggdec"),
                        {QStringLiteral("-Q"), QStringLiteral("-R"), QStringLiteral("-o"), raw, ogg}));
    DiskAudioCapture capture(folder.file(QStringLiteral("played.raw")));
    QByteArray played;
    {
        TfrmOggPlayer player;
        bool ended = false;
        QObject::connect(&player, &TfrmOggPlayer::playbackEnded, [&] { ended = true; });
        prompt->queueOpenFiles({ogg});
        player.BitBtn1Click();
        ASSERT_NE(player.AudioOut1()->OutputStatus(), osIdle);
        // The level display shows the tone while it plays (and drops to nothing after).
        bool sawBars = false;
        processUntil([&] {
            const QImage& picture = player.levelPicture();
            for (int x = 0; x < picture.width(); ++x) {
                sawBars = sawBars || picture.pixel(x, picture.height() - 1) == qRgb(0, 128, 0);
            }
            return ended;
        });
        EXPECT_TRUE(prompt->messageTexts().isEmpty());
        EXPECT_TRUE(sawBars);
    }
    Prompt::install(nullptr);
    const QByteArray reference = trimSilentFrames(readFileBytes(raw), 4, 0);
    ASSERT_GT(reference.size(), 40000);
    EXPECT_TRUE(capture.sound(4) == reference);
}

TEST(OggPlayerDisk, ClosingWhilePlayingEndsThePlaybackAndReturns)
{
    TempFolder folder;
    auto prompt = std::make_shared<ScriptedPrompt>();
    Prompt::install(prompt);
    const QString ogg = makeOgg(folder, QStringLiteral("close.ogg"), 2.0);
    ASSERT_FALSE(ogg.isEmpty());
    DiskAudioCapture capture(folder.file(QStringLiteral("played.raw")));
    TfrmOggPlayer player;
    player.show();
    prompt->queueOpenFiles({ogg});
    player.BitBtn1Click();
    ASSERT_NE(player.AudioOut1()->OutputStatus(), osIdle);
    player.close();
    EXPECT_EQ(player.AudioOut1()->OutputStatus(), osIdle);
    EXPECT_FALSE(player.levelTimer()->isActive());
    Prompt::install(nullptr);
    // Less than the whole two seconds were played.
    EXPECT_LT(capture.bytes().size(), 2 * 176400);
}
