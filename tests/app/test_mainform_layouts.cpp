#include "MainFormFixture.h"
#include "cd/AudioDisc.h"
#include "cd/HandleAudioSource.h"
#include "platform/DigitalCdAudio.h"
#include "platform/SdlWaveAudio.h"
#include "platform/WaveAudio.h"
#include "support/DiskAudio.h"

#include <QEventLoop>
#include <QFile>

namespace {

// Discs people own: an enhanced CD (audio, then a data session) and a mixed-mode CD (a
// data track first), as images of their layout.
DiscImageWriter enhancedCd()
{
    DiscImageWriter writer;
    writer.addTrack(210 * 75);
    writer.addTrack(60 * 75);
    writer.addDataTrack(30 * 75);
    return writer;
}

bool checkable(const QTreeWidgetItem* item)
{
    return item->flags().testFlag(Qt::ItemIsUserCheckable) || item->flags().testFlag(Qt::ItemIsEnabled);
}

TEST_F(MainFormTest, EnhancedCdShowsItsDataTrackButNeverOffersIt)
{
    makeImage(enhancedCd());
    auto form = startForm();
    EXPECT_TRUE(prompt->calls().isEmpty()) << prompt->messageTexts().join('\n').toStdString();
    EXPECT_EQ(column(*form, 1), (QStringList{"Track01", "Track02", "Data track"}));
    // The last audio track ends with its session, not 11,400 frames later at the data track.
    EXPECT_EQ(column(*form, 2), (QStringList{"03:30", "01:00", "00:30"}));
    EXPECT_EQ(form->checkedCount(), 2);
    EXPECT_FALSE(checkable(form->trackList()->topLevelItem(2)));
    EXPECT_EQ(form->trackList()->topLevelItem(2)->checkState(0), Qt::Unchecked);
    form->ActionSelectNoneExecute();
    form->ActionSelectAllExecute();
    EXPECT_EQ(form->checkedCount(), 2);
    EXPECT_TRUE(checkable(form->trackList()->topLevelItem(1)));
    form->close();
}

// The disc has a key, so the titles a user typed come back at the next start.
TEST_F(MainFormTest, EnhancedCdKeepsItsTitlesAcrossARestart)
{
    makeImage(enhancedCd());
    ASSERT_FALSE(tarnwick::discKey().isEmpty());
    {
        auto form = startForm();
        form->trackList()->topLevelItem(1)->setText(1, QStringLiteral("Closing Song"));
        ASSERT_TRUE(form->close());
    }
    settings() = TSettings{};
    auto form = startForm();
    EXPECT_EQ(column(*form, 1), (QStringList{"Track01", "Closing Song", "Data track"}));
    form->close();
}

TEST_F(MainFormTest, MixedModeCdWithItsOwnBinNameListsItsAudioTracks)
{
    DiscImageWriter writer;
    writer.addDataTrack(60 * 75);
    writer.addTrack(30 * 75);
    writer.addTrack(45 * 75);
    writer.setBinName(QStringLiteral("Album (Disc 1).bin"));
    makeImage(writer);
    auto form = startForm();
    EXPECT_TRUE(prompt->calls().isEmpty()) << prompt->messageTexts().join('\n').toStdString();
    EXPECT_EQ(column(*form, 1), (QStringList{"Data track", "Track02", "Track03"}));
    EXPECT_EQ(column(*form, 2), (QStringList{"01:00", "00:30", "00:45"}));
    EXPECT_FALSE(checkable(form->trackList()->topLevelItem(0)));
    EXPECT_EQ(form->checkedCount(), 2);
    form->close();
}

TEST_F(MainFormTest, ImageWhoseDataFileIsGoneSaysWhich)
{
    DiscImageWriter writer;
    writer.addTrack(75);
    writer.setBinName(QStringLiteral("Album (Disc 1).bin"));
    makeImage(writer);
    ASSERT_TRUE(QFile::remove(dir.file(QStringLiteral("Album (Disc 1).bin"))));
    auto form = startForm();
    EXPECT_TRUE(form->noDisc());
    EXPECT_EQ(prompt->messageTexts(),
              QStringList{QStringLiteral("Please check if have Audio CD in your CD device.\n\nThe disc image's data "
                                         "file \"Album (Disc 1).bin\" named in \"disc.cue\" is missing.")});
    form->close();
}

// Playing the last audio track of an enhanced CD plays that track and stops where its
// session ends: nothing of the gap or the data session reaches the sound card.
TEST_F(MainFormTest, PlayingTheLastAudioTrackOfAnEnhancedCdStopsAtItsSession)
{
    DiskAudioCapture capture(dir.file(QStringLiteral("played.raw")));
    WaveAudio::install(std::make_shared<SdlWaveAudio>());
    DiscImageWriter writer;
    writer.addTrack(40);
    writer.addTrack(75);
    writer.addDataTrack(40);
    const QString cue = makeImage(writer);
    setup.cdAudio = [](CDHandle handle) {
        return std::make_unique<DigitalCdAudio>(std::make_unique<HandleAudioSource>(handle));
    };
    auto form = startForm();
    playRowToItsEnd(*form, 1);
    form->close();
    WaveAudio::install(nullptr);

    const QByteArray bin = readFileBytes(DiscImageWriter::binPathFor(cue));
    EXPECT_EQ(capture.sound(4), trimSilentFrames(bin.mid(40 * 2352, 75 * 2352), 4, 0));
}

} // namespace
