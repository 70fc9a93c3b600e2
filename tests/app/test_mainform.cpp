#include "MainFormFixture.h"
#include "app/TMainForm.h"
#include "app/TTipForm.h"
#include "cd/AudioDisc.h"
#include "cd/CDDeviceSource.h"
#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "cd/TrackRow.h"
#include "platform/IniFile.h"
#include "platform/ScriptedPrompt.h"
#include "settings/SettingsStore.h"
#include "settings/gui/TOptionSetForm.h"
#include "support/TempFolder.h"
#include "support/WindowCheck.h"

#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QLayout>
#include <QStatusBar>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <sys/stat.h>

struct RowCase
{
    int startM, startS, nextM, nextS;
    const char* length;
    const char* size;
};

class TrackRowTest : public ::testing::TestWithParam<RowCase>
{
};

TEST_P(TrackRowTest, LengthAndSizeFromMinutesAndSeconds)
{
    const RowCase& c = GetParam();
    const TrackRow row = TrackRow::make(3, c.startM, c.startS, c.nextM, c.nextS);
    EXPECT_EQ(row.number, QStringLiteral("3"));
    EXPECT_EQ(row.length, QString::fromLatin1(c.length));
    if (c.size != nullptr) {
        EXPECT_EQ(row.size, QString::fromLatin1(c.size));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, TrackRowTest,
                         ::testing::Values(RowCase{3, 50, 7, 10, "03:20", nullptr},
                                           RowCase{0, 2, 3, 32, "03:30", "35.33"},
                                           RowCase{10, 59, 11, 0, "00:01", "00.17"},
                                           RowCase{0, 2, 9, 7, "09:05", "91.68"},
                                           RowCase{0, 2, 100, 2, "100:00", "1009.37"},
                                           // frames are not looked at: 00:02:74 to 00:05:00
                                           RowCase{0, 2, 0, 5, "00:03", nullptr}));

TEST_F(MainFormTest, StartUpWithoutDriveNotesItAndShowsTheHint)
{
    tarnwick::setCDDeviceSource(std::make_shared<NoDrives>());
    auto form = startForm();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Tarnwick"));
    EXPECT_EQ(form->driveHandle(), 0u);
    EXPECT_EQ(form->statusText(), QStringLiteral("No CD devices found!"));
    EXPECT_EQ(prompt->windowNames(), QStringList{QStringLiteral("TNoDeviceForm")});
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
    EXPECT_EQ(form->trackList()->topLevelItemCount(), 0);
    EXPECT_FALSE(form->ActionExtract->isEnabled());
}

TEST_F(MainFormTest, FrogAspiIsRenamedInsteadOfTheHint)
{
    tarnwick::setCDDeviceSource(std::make_shared<NoDrives>());
    ASSERT_TRUE(writeFileBytes(dir.file(QStringLiteral("FrogAspi.dll")), "x"));
    auto form = startForm();
    EXPECT_TRUE(QFile::exists(dir.file(QStringLiteral("wnaspi32.dll"))));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("FrogAspi.dll"))));
    EXPECT_EQ(prompt->messageTexts(),
              QStringList{QStringLiteral("Configuration finished. Please exit the software and run again!")});
    EXPECT_TRUE(prompt->windowNames().isEmpty());
}

TEST_F(MainFormTest, StartUpWithImageListsEveryTrackChecked)
{
    // 3:30 exactly and 1 second, then 9:05, from 00:02:00.
    makeImage(1, {210 * 75, 75, 545 * 75});
    auto form = startForm();
    ASSERT_NE(form->driveHandle(), 0u);
    EXPECT_TRUE(form->statusText().startsWith(QStringLiteral("IMAGE")));
    EXPECT_EQ(column(*form, 0), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(column(*form, 1), (QStringList{"Track01", "Track02", "Track03"}));
    EXPECT_EQ(column(*form, 2), (QStringList{"03:30", "00:01", "09:05"}));
    EXPECT_EQ(column(*form, 3), (QStringList{"35.33", "00.17", "91.68"}));
    EXPECT_EQ(form->checkedCount(), 3);
    EXPECT_TRUE(prompt->calls().isEmpty());
    form->ActionSelectNoneExecute();
    EXPECT_EQ(form->checkedCount(), 0);
    form->VolumeRemoved();
    EXPECT_EQ(form->trackList()->topLevelItemCount(), 0);
    form->VolumeArrived();
    EXPECT_EQ(form->trackList()->topLevelItemCount(), 3);
    EXPECT_EQ(form->checkedCount(), 0);
}

TEST_F(MainFormTest, CloseStoresTitlesUnderTheDiscKeyAndTheSettingsInOrder)
{
    // A first track numbered 2: row 1 shows track 2 and title number 2, and the close
    // stores each row's title under its track number.
    makeImage(2, {30 * 75, 40 * 75});
    ASSERT_TRUE(writeFileBytes(dir.file(QStringLiteral("cdinfo.dat")), ""));
    auto form = startForm();
    ASSERT_EQ(column(*form, 0), (QStringList{"2", "3"}));
    EXPECT_EQ(column(*form, 1), (QStringList{"Track02", "Track03"}));
    form->trackList()->topLevelItem(0)->setText(1, QStringLiteral("Überture"));
    EXPECT_TRUE(form->close());

    const QString key = tarnwick::discKey();
    ASSERT_FALSE(key.isEmpty());
    IniFile info(dir.file(QStringLiteral("cdinfo.dat")));
    ASSERT_TRUE(info.load());
    EXPECT_EQ(info.sections(), QStringList{key});
    EXPECT_EQ(info.keys(key),
              (QStringList{"Artist", "Album", "Year", "Genre", "Comment", "TrackNumber", "1", "2", "3"}));
    EXPECT_EQ(info.readString(key, QStringLiteral("1")), QStringLiteral("Track01"));
    EXPECT_EQ(info.readString(key, QStringLiteral("2")), QStringLiteral("Überture"));
    EXPECT_EQ(info.readString(key, QStringLiteral("3")), QStringLiteral("Track03"));
    EXPECT_EQ(info.readString(key, QStringLiteral("TrackNumber")), QStringLiteral("2"));

    IniFile options(dir.file(QStringLiteral("options.ini")));
    ASSERT_TRUE(options.load());
    EXPECT_EQ(options.keys(QStringLiteral("CommonOptions")).first(), QStringLiteral("OutputFolder"));
    EXPECT_TRUE(options.hasKey(QStringLiteral("Skin"), QStringLiteral("Index")));
}

TEST_F(MainFormTest, FailedSettingsWriteKeepsTheWindowOpen)
{
    makeImage(1, {30 * 75});
    auto form = startForm();
    // options.ini turned into a folder: it cannot be replaced by a file.
    const QString options = dir.file(QStringLiteral("options.ini"));
    QFile::remove(options);
    ASSERT_EQ(::mkdir(options.toLocal8Bit().constData(), 0755), 0);
    prompt->clear();
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(prompt->messageTexts(), QStringList{QStringLiteral("Unable to write to ") + options});
}

TEST_F(MainFormTest, MissingDiscIsReportedAtActivation)
{
    // A drive whose disc is not audio: the no-disc flag and its message.
    class DataDisc : public CDDevice
    {
    public:
        bool readLayout(DiscLayout& layout) override
        {
            layout.firstTrack = 1;
            layout.tracks = {{1, 150, false}};
            layout.leadOut = 10000;
            return true;
        }
        bool holdsAudioDisc() override { return false; }
        bool readAudio(std::int32_t, int, std::uint8_t*) override { return false; }
    };
    class OneDataDrive : public CDDeviceSource
    {
    public:
        std::vector<CDDeviceInfo> devices() override { return {{QStringLiteral("/dev/fake"), "VENDOR", "DRIVE"}}; }
        std::unique_ptr<CDDevice> open(const CDDeviceInfo&) override { return std::make_unique<DataDisc>(); }
    };
    tarnwick::setCDDeviceSource(std::make_shared<OneDataDrive>());
    auto form = startForm();
    EXPECT_NE(form->driveHandle(), 0u);
    EXPECT_TRUE(form->noDisc());
    EXPECT_EQ(form->driveDescription(), QStringLiteral("VENDOR DRIVE"));
    EXPECT_EQ(prompt->messageTexts(), QStringList{QStringLiteral("Please check if have Audio CD in your CD device.")});
    form->close();
}

TEST_F(MainFormTest, TipWindowStoresAChangedChoiceAtOnce)
{
    settings().IsShowTips = false;
    TTipForm tips;
    tips.setSettingsPath(dir.file(QStringLiteral("tips.ini")));
    tips.FormShow();
    EXPECT_EQ(tips.cbOption()->currentText(), QStringLiteral("Never show tips at startup "));
    tips.setPage(TTipForm::pageCount() - 1);
    tips.suitempbNextClick();
    EXPECT_EQ(tips.page(), 0);
    tips.cbOption()->setCurrentIndex(0);
    tips.suitempbCloseClick();
    EXPECT_TRUE(settings().IsShowTips);
    IniFile written(dir.file(QStringLiteral("tips.ini")));
    ASSERT_TRUE(written.load());
    EXPECT_TRUE(written.readBool(QStringLiteral("TipsOptions"), QStringLiteral("IsShowTips"), false));
    EXPECT_EQ(tips.result(), QDialog::Accepted);
}

TEST_F(MainFormTest, OptionsReopenTheChosenDriveAndRefillWithoutChecking)
{
    makeImage(1, {30 * 75, 20 * 75});
    auto form = startForm();
    ASSERT_EQ(form->checkedCount(), 2);
    prompt->onWindow = [](QObject* window) {
        auto* options = qobject_cast<TOptionSetForm*>(window);
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(options->windowTitle(), QStringLiteral("Options"));
        options->driveChanged(0);
    };
    form->ActionOptions->trigger();
    EXPECT_EQ(prompt->windowNames(), QStringList{QStringLiteral("OptionSetForm")});
    EXPECT_NE(form->driveHandle(), 0u);
    EXPECT_EQ(form->trackList()->topLevelItemCount(), 2);
    EXPECT_EQ(form->checkedCount(), 0);
    EXPECT_TRUE(form->driveDescription().startsWith(QStringLiteral("IMAGE")));
    form->close();
}

// A disc whose first track is 2 keeps each title on its row however often the program
// closes and starts again.
TEST_F(MainFormTest, TitlesOfADiscStartingAtTrackTwoStayOnTheirRows)
{
    makeImage(2, {30 * 75, 40 * 75, 20 * 75});
    ASSERT_TRUE(writeFileBytes(dir.file(QStringLiteral("cdinfo.dat")), ""));
    const QStringList titles{QStringLiteral("Overture"), QStringLiteral("Ballad"), QStringLiteral("Finale")};
    {
        auto form = startForm();
        ASSERT_EQ(column(*form, 0), (QStringList{"2", "3", "4"}));
        for (int row = 0; row < 3; ++row) {
            form->trackList()->topLevelItem(row)->setText(1, titles[row]);
        }
        ASSERT_TRUE(form->close());
    }
    for (int cycle = 0; cycle < 3; ++cycle) {
        settings() = TSettings{};
        auto form = startForm();
        EXPECT_EQ(column(*form, 1), titles) << "after " << cycle + 1 << " closes";
        ASSERT_TRUE(form->close());
    }
    const QString key = tarnwick::discKey();
    IniFile info(dir.file(QStringLiteral("cdinfo.dat")));
    ASSERT_TRUE(info.load());
    EXPECT_EQ(info.readString(key, QStringLiteral("TrackNumber")), QStringLiteral("3"));
    EXPECT_EQ(info.readString(key, QStringLiteral("2")), titles[0]);
    EXPECT_EQ(info.readString(key, QStringLiteral("4")), titles[2]);
}

// The list and the status bar under it keep 10 pixels from the window's sides and the
// status bar 10 from its bottom, at any size.
TEST_F(MainFormTest, StatusBarKeepsTheListsMargins)
{
    tarnwick::setCDDeviceSource(std::make_shared<NoDrives>());
    auto form = startForm();
    for (const QSize size : {QSize(553, 460), QSize(800, 600)}) {
        form->resize(size);
        form->centralWidget()->layout()->activate();
        auto* bar = form->findChild<QStatusBar*>();
        ASSERT_NE(bar, nullptr);
        const QRect status(bar->mapTo(form.get(), QPoint(0, 0)), bar->size());
        const QRect list(form->trackList()->mapTo(form.get(), QPoint(0, 0)), form->trackList()->size());
        EXPECT_EQ(status.left(), 10);
        EXPECT_EQ(status.width(), size.width() - 20);
        EXPECT_EQ(status.top() + status.height(), size.height() - 10);
        EXPECT_EQ(list.left(), 10);
        EXPECT_EQ(list.width(), size.width() - 20);
        EXPECT_EQ(list.top() + list.height(), status.top());
        EXPECT_TRUE(bar->isVisible());
    }
    form->close();
}

// After an extraction the main window's status bar keeps what the verification found, so
// the user learns it without a box to close: here that the database could not be reached.
TEST_F(MainFormTest, StatusBarTellsTheVerdictOfTheLastRip)
{
    makeImage(1, {75, 75, 75});
    auto form = startForm();
    ASSERT_NE(form->driveHandle(), 0u);
    const QString drive = form->statusText();
    settings().OutputFolder = dir.path();
    settings().OutputFormat = ofWAV;
    settings().AccurateRip = true;
    prompt->onWindow = [](QObject* window) {
        if (auto* job = qobject_cast<QDialog*>(window)) {
            job->exec(); // the job runs to its end as the user would see it
        }
    };
    form->ActionExtract->trigger();
    EXPECT_EQ(prompt->windowNames(), QStringList{QStringLiteral("TRipForm")});
    EXPECT_TRUE(prompt->messageTexts().isEmpty()) << prompt->messageTexts().join('|').toStdString();
    EXPECT_TRUE(form->statusText().startsWith(QStringLiteral("AccurateRip could not be reached: ")))
        << form->statusText().toStdString();
    windowcheck::showAndPicture(form.get(), QStringLiteral("verdicts-main"));
    EXPECT_EQ(drive, QStringLiteral("IMAGE ") + QFileInfo(dir.file(QStringLiteral("disc.cue"))).fileName())
        << "vendor and product apart";
}
