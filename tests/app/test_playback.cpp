#include "MainFormFixture.h"
#include "cd/HandleAudioSource.h"
#include "platform/DigitalCdAudio.h"
#include "platform/SdlWaveAudio.h"
#include "platform/WaveAudio.h"
#include "support/DiskAudio.h"

#include <QEventLoop>

// Playback on a disc of three tracks (track n starts at block n * 1000 on the device).
class PlaybackTest : public MainFormTest
{
protected:
    std::unique_ptr<TMainForm> playable()
    {
        makeImage(1, {30 * 75, 40 * 75, 50 * 75});
        auto form = startForm(1, 3);
        form->setDriveDescription(QStringLiteral("IMAGE disc"));
        return form;
    }
};

TEST_F(PlaybackTest, PlayRunsFromTheTrackToTheNextOneAndTheLastRowToTheEnd)
{
    auto form = playable();
    selectRow(*form, 1);
    form->ActionPlay->trigger();
    EXPECT_EQ(*log, (QStringList{"open", "play 2000-3000"}));
    EXPECT_EQ(form->statusText(), QStringLiteral("Play Track02"));
    EXPECT_TRUE(form->playing());
    EXPECT_FALSE(form->paused());

    log->clear();
    selectRow(*form, 2);
    form->ActionPlay->trigger();
    // Playing (not paused): the device is closed and opened again for the new track.
    EXPECT_EQ(*log, (QStringList{"close", "open", "play 3000-end"}));
    EXPECT_EQ(form->statusText(), QStringLiteral("Play Track03"));
}

TEST_F(PlaybackTest, PlayWhilePausedResumesTheOldTrackButShowsTheSelectedTitle)
{
    auto form = playable();
    selectRow(*form, 0);
    form->ActionPlay->trigger();
    form->ActionPause->trigger();
    EXPECT_TRUE(form->paused());
    EXPECT_FALSE(form->ActionPause->isEnabled());
    EXPECT_TRUE(form->ActionStop->isEnabled());

    log->clear();
    selectRow(*form, 2);
    form->ActionPlay->trigger();
    EXPECT_EQ(*log, QStringList{"resume"});
    EXPECT_EQ(form->statusText(), QStringLiteral("Play Track03"));
    EXPECT_FALSE(form->paused());
    EXPECT_TRUE(form->ActionPause->isEnabled());
}

TEST_F(PlaybackTest, PauseOnAPausedDeviceResumesIt)
{
    auto form = playable();
    selectRow(*form, 0);
    form->ActionPlay->trigger();
    lastDevice->pause(); // paused behind the window's back
    log->clear();
    form->playback()->ActionPauseExecute();
    EXPECT_EQ(*log, QStringList{"resume"});
    EXPECT_TRUE(form->paused());
}

TEST_F(PlaybackTest, StopClosesTheDeviceAndShowsTheDriveAgain)
{
    auto form = playable();
    selectRow(*form, 0);
    form->ActionPlay->trigger();
    log->clear();
    form->ActionStop->trigger();
    EXPECT_EQ(*log, (QStringList{"stop", "close"}));
    EXPECT_EQ(form->statusText(), QStringLiteral("IMAGE disc"));
    EXPECT_FALSE(form->playing());
    EXPECT_FALSE(form->ActionStop->isEnabled());
    EXPECT_FALSE(form->ActionPause->isEnabled());
}

TEST_F(PlaybackTest, AFailedStopKeepsTheDeviceOpenAndTheNextPlayClosesIt)
{
    auto form = playable();
    selectRow(*form, 0);
    form->ActionPlay->trigger();
    lastDevice->failStop = true;
    log->clear();
    form->ActionStop->trigger();
    EXPECT_EQ(*log, QStringList{"stop"});
    EXPECT_FALSE(form->playing());
    log->clear();
    form->ActionPlay->trigger();
    EXPECT_EQ(*log, (QStringList{"close", "open", "play 1000-2000"}));
}

TEST_F(PlaybackTest, CompletionStopsOnlyForTheCurrentDevice)
{
    auto form = playable();
    selectRow(*form, 0);
    form->ActionPlay->trigger();
    LoggingCdAudio* first = lastDevice;
    first->complete();
    EXPECT_FALSE(form->playing());
    EXPECT_EQ(form->statusText(), QStringLiteral("IMAGE disc"));
    EXPECT_EQ(log->mid(log->size() - 2), (QStringList{"stop", "close"}));

    selectRow(*form, 1);
    form->ActionPlay->trigger();
    selectRow(*form, 2);
    form->ActionPlay->trigger(); // the second device is given up for a third
    ASSERT_EQ(devicesMade, 3);
    EXPECT_TRUE(form->playing());
    lastDevice->complete();
    EXPECT_FALSE(form->playing());
}

TEST_F(PlaybackTest, ATrackTheDeviceDoesNotKnowPlaysNothingButKeepsTheFlags)
{
    // The device knows tracks 1 and 2 only; row 3 has no position and nothing plays.
    makeImage(1, {30 * 75, 40 * 75, 50 * 75});
    auto form = startForm(1, 2);
    selectRow(*form, 1);
    form->ActionPlay->trigger();
    EXPECT_EQ(*log, QStringList{"open"}); // the end position (track 3) is missing
    EXPECT_TRUE(form->playing());
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
}

TEST_F(PlaybackTest, TheRowsTrackNumberIsPlayedOnADiscStartingAtTrackTwo)
{
    makeImage(2, {30 * 75, 40 * 75});
    auto form = startForm(2, 3);
    selectRow(*form, 0);
    form->ActionPlay->trigger();
    EXPECT_EQ(*log, (QStringList{"open", "play 2000-3000"}));
}

TEST_F(PlaybackTest, EnablingFollowsTheSelectionAndTheFlags)
{
    auto form = playable();
    form->trackList()->clearSelection();
    form->trackList()->setCurrentItem(nullptr);
    EXPECT_FALSE(form->ActionPlay->isEnabled());
    EXPECT_FALSE(form->ActionPause->isEnabled());
    EXPECT_FALSE(form->ActionStop->isEnabled());
    selectRow(*form, 0);
    EXPECT_TRUE(form->ActionPlay->isEnabled());
    form->ActionPlay->trigger();
    EXPECT_TRUE(form->ActionPause->isEnabled());
    EXPECT_TRUE(form->ActionStop->isEnabled());
}

TEST_F(PlaybackTest, ExtractStopsPlaybackFirst)
{
    auto form = playable();
    selectRow(*form, 0);
    form->ActionPlay->trigger();
    settings().OutputFolder = dir.path();
    log->clear();
    form->ActionExtract->trigger();
    ASSERT_GE(log->size(), 2);
    EXPECT_EQ(log->mid(0, 2), (QStringList{"stop", "close"}));
    EXPECT_FALSE(form->playing());
    EXPECT_EQ(prompt->windowNames(), QStringList{QStringLiteral("TRipForm")});
}

TEST_F(PlaybackTest, ClosingTheWindowStopsAndClosesTheDevice)
{
    auto form = playable();
    selectRow(*form, 0);
    form->ActionPlay->trigger();
    log->clear();
    EXPECT_TRUE(form->close());
    EXPECT_EQ(*log, (QStringList{"stop", "close"}));
}

TEST_F(MainFormTest, PlayingTrackTwoOfAnImageSoundsExactlyThatTrackAndStopsAtItsEnd)
{
    DiskAudioCapture capture(dir.file(QStringLiteral("played.raw")));
    WaveAudio::install(std::make_shared<SdlWaveAudio>());
    const QString cue = makeImage(1, {40, 75, 40});
    setup.cdAudio = [](CDHandle handle) {
        return std::make_unique<DigitalCdAudio>(std::make_unique<HandleAudioSource>(handle));
    };
    auto form = startForm();
    form->setDriveDescription(QStringLiteral("IMAGE disc"));
    playRowToItsEnd(*form, 1);
    EXPECT_EQ(form->statusText(), QStringLiteral("IMAGE disc"));
    form->close();
    WaveAudio::install(nullptr);

    const QByteArray bin = readFileBytes(DiscImageWriter::binPathFor(cue));
    const QByteArray track2 = bin.mid(40 * 2352, 75 * 2352);
    // A device fed late on a loaded machine (or under a sanitizer) fills silence in between;
    // every sounding frame must still be track 2's, in order, and all of them.
    EXPECT_EQ(withoutSilentFrames(capture.bytes(), 4), withoutSilentFrames(track2, 4));
}
