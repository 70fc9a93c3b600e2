#include "jobs/JobCommands.h"
#include "jobs/JobTestKit.h"
#include "jobs/TRipForm.h"
#include "settings/TSettings.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

const QString kNoFolder = QStringLiteral("The output directory does not exist.");

class JobCommandsTest : public ::testing::Test
{
protected:
    JobCommandsTest() : commands(nullptr, kit.mp3.get(), kit.wma.get())
    {
        // Every job window is recorded, not run, unless a test says otherwise.
        kit.prompt->onWindow = nullptr;
    }

    QList<JobCommands::Row> rows(std::initializer_list<std::pair<const char*, bool>> list)
    {
        QList<JobCommands::Row> result;
        for (const auto& [title, checked] : list) {
            result.append({QString::fromUtf8(title), checked});
        }
        return result;
    }

    JobTestKit kit;
    JobCommands commands;
};

} // namespace

TEST_F(JobCommandsTest, ExtractListUsesRowPositions)
{
    EXPECT_EQ(JobCommands::extractList(rows({{"Intro", false}, {"Song", true}, {"Blue Night", true}})),
              (QStringList{"02Song", "03Blue Night"}));
}

TEST_F(JobCommandsTest, ExtractWithoutDriveOrCheckedRowSaysSo)
{
    commands.ActionExtractExecute(0, rows({{"A", true}}), false, nullptr);
    commands.ActionExtractExecute(5, rows({{"A", false}}), false, nullptr);
    EXPECT_EQ(kit.prompt->messageTexts(), (QStringList{"Please access CD devices rightly above all!",
                                                       "Please select a track at least!"}));
    EXPECT_TRUE(kit.prompt->windowNames().isEmpty());
}

TEST_F(JobCommandsTest, MissingFolderAnsweredNoCreatesNothing)
{
    settings().OutputFolder = kit.dir.file(QStringLiteral("new"));
    kit.prompt->queueAnswer(Prompt::Answer::No);
    commands.ActionExtractExecute(5, rows({{"A", true}}), false, nullptr);
    EXPECT_FALSE(QDir(settings().OutputFolder).exists());
    ASSERT_EQ(kit.prompt->messageTexts().size(), 1);
    EXPECT_EQ(kit.prompt->messageTexts().first(),
              settings().OutputFolder + "," + kNoFolder + "\r\ncreates a new directory?");
    EXPECT_TRUE(kit.prompt->windowNames().isEmpty());
}

TEST_F(JobCommandsTest, ZeroRipTimeIsReportedAfterTheFolderWasCreated)
{
    settings().OutputFolder = kit.dir.file(QStringLiteral("new"));
    settings().EnableRipTime = true;
    settings().RipTime = 0;
    bool stopped = false;
    kit.prompt->queueAnswer(Prompt::Answer::Yes);
    commands.ActionExtractExecute(5, rows({{"A", true}}), true, [&] { stopped = true; });
    EXPECT_TRUE(QDir(settings().OutputFolder).exists());
    EXPECT_TRUE(stopped);
    EXPECT_EQ(kit.prompt->messageTexts().last(),
              QStringLiteral("You select to extract 0 second length, please change it on Options dialog."));
    EXPECT_TRUE(kit.prompt->windowNames().isEmpty());
}

TEST_F(JobCommandsTest, ExtractOpensTheJobWindowWithRowPositions)
{
    settings().OutputFormat = ofWAV;
    const CDHandle handle = kit.openDisc({1.0, 1.0}, 2);
    kit.prompt->onWindow = [](QObject* window) { static_cast<QDialog*>(window)->exec(); };
    commands.ActionExtractExecute(handle, rows({{"First", true}, {"Second", true}}), false, nullptr);
    EXPECT_EQ(kit.prompt->windowNames(), QStringList{QStringLiteral("TRipForm")});
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), (QStringList{"First.wav", "Second.wav"}));
}

TEST_F(JobCommandsTest, ConversionsAskForFilesAndCheckTheFolder)
{
    commands.ActionWavToMp3Execute(); // cancelled dialog: nothing happens
    ASSERT_EQ(kit.prompt->calls().size(), 1);
    EXPECT_EQ(kit.prompt->calls().first().dialog.filter, QStringLiteral("Sound file(*.wav)|*.wav| Any file(*.*)|*.*"));
    EXPECT_TRUE(kit.prompt->calls().first().dialog.multiSelect);

    settings().OutputFolder = kit.dir.file(QStringLiteral("gone"));
    kit.prompt->queueOpenFiles({kit.input(QStringLiteral("x.mp3"))});
    commands.ActionMp3ToWavExecute();
    EXPECT_EQ(kit.prompt->calls()[1].dialog.filter, QStringLiteral("MP3 file(*.mp3)|*.mp3| Any file(*.*)|*.*"));
    EXPECT_EQ(kit.prompt->messageTexts(),
              QStringList{kNoFolder + QStringLiteral("Please check the output directory setting.")});
    EXPECT_TRUE(kit.prompt->windowNames().isEmpty());
}
