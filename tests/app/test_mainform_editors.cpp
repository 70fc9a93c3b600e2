#include "app/TMainForm.h"
#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "meta/gui/TfrmEditTrackName.h"
#include "platform/IniFile.h"
#include "platform/ScriptedPrompt.h"
#include "settings/TSettings.h"
#include "support/OfflineSettings.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QLineEdit>
#include <QMenuBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// The main window's editor commands over a generated three-track disc image.
class MainFormEditorsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        prompt = std::make_shared<ScriptedPrompt>();
        Prompt::install(prompt);
        qputenv("TARNWICK_HOME", dir.path().toUtf8());
        settings() = TSettings{};
        writeFileBytes(dir.file(QStringLiteral("options.ini")),
                       QByteArray("[TipsOptions]\nIsShowTips=0\n") + OfflineCdOptions);
        DiscImageWriter writer;
        for (std::int64_t frames : {30 * 75, 40 * 75, 20 * 75}) {
            writer.addTrack(frames);
        }
        const QString cue = dir.file(QStringLiteral("disc.cue"));
        ASSERT_TRUE(writer.write(cue));
        qputenv("TARNWICK_DISC_IMAGES", cue.toUtf8());
        tarnwick::setCDDeviceSource(nullptr);
        TMainForm::Setup setup;
        setup.watchDevices = false;
        form = std::make_unique<TMainForm>(setup);
        form->show();
        form->FormActivate();
        ASSERT_EQ(form->trackList()->topLevelItemCount(), 3);
    }
    void TearDown() override
    {
        form.reset();
        tarnwick::setCDDeviceSource(nullptr);
        qunsetenv("TARNWICK_DISC_IMAGES");
        qunsetenv("TARNWICK_HOME");
        Prompt::install(nullptr);
    }

    QTreeWidgetItem* row(int i) const { return form->trackList()->topLevelItem(i); }
    void select(int i) { form->trackList()->setCurrentItem(row(i)); }

    // Answers the rename window: types `title` and ends it with `result`.
    void answerRename(const QString& title, int result)
    {
        prompt->onWindow = [this, title](QObject* window) {
            auto* rename = qobject_cast<TfrmEditTrackName*>(window);
            ASSERT_NE(rename, nullptr);
            shownTitle = rename->eName->text();
            rename->eName->setText(title);
        };
        prompt->queueWindowResult(result);
    }

    TempFolder dir;
    std::shared_ptr<ScriptedPrompt> prompt;
    std::unique_ptr<TMainForm> form;
    QString shownTitle;
};

TEST_F(MainFormEditorsTest, RenameIsEnabledOnlyWhileARowIsSelected)
{
    form->trackList()->clearSelection();
    EXPECT_FALSE(form->ActionEditTrackName->isEnabled());
    select(1);
    EXPECT_TRUE(form->ActionEditTrackName->isEnabled());
    EXPECT_EQ(form->ActionEditTrackName->shortcut(), QKeySequence(Qt::Key_F2));
    EXPECT_TRUE(form->trackList()->actions().contains(form->ActionEditTrackName));
    form->trackList()->clearSelection();
    EXPECT_FALSE(form->ActionEditTrackName->isEnabled());
}

TEST_F(MainFormEditorsTest, RenameWithOkSetsTheTitleAndCloseStoresIt)
{
    select(1);
    answerRename(QStringLiteral("Second Song"), QDialog::Accepted);
    form->ActionEditTrackName->trigger();
    EXPECT_EQ(prompt->windowNames(), QStringList{QStringLiteral("frmEditTrackName")});
    EXPECT_EQ(shownTitle, QStringLiteral("Track02"));
    EXPECT_EQ(row(1)->text(1), QStringLiteral("Second Song"));
    EXPECT_EQ(row(0)->text(1), QStringLiteral("Track01"));

    ASSERT_TRUE(form->close());
    IniFile info(dir.file(QStringLiteral("cdinfo.dat")));
    ASSERT_TRUE(info.load());
    ASSERT_EQ(info.sections().size(), 1);
    EXPECT_EQ(info.readString(info.sections().first(), QStringLiteral("2")), QStringLiteral("Second Song"));
}

TEST_F(MainFormEditorsTest, CancelKeepsTheTitle)
{
    select(0);
    answerRename(QStringLiteral("Never"), QDialog::Rejected);
    form->ActionEditTrackName->trigger();
    EXPECT_EQ(row(0)->text(1), QStringLiteral("Track01"));
}

TEST_F(MainFormEditorsTest, DoubleClickRenamesOnlyASelectedRow)
{
    form->trackList()->clearSelection();
    emit form->trackList()->itemDoubleClicked(row(2), 1);
    EXPECT_TRUE(prompt->windowNames().isEmpty());

    select(2);
    answerRename(QStringLiteral("Third"), QDialog::Accepted);
    emit form->trackList()->itemDoubleClicked(row(2), 1);
    EXPECT_EQ(row(2)->text(1), QStringLiteral("Third"));
}

struct WindowCase
{
    const char* name;
    QAction* TMainForm::*action;
    const char* objectName;
    const char* caption;
};

class MainFormWindows : public MainFormEditorsTest, public ::testing::WithParamInterface<WindowCase>
{
};

TEST_P(MainFormWindows, OpensItsWindowModally)
{
    const WindowCase& c = GetParam();
    QAction* action = (*form).*(c.action);
    ASSERT_TRUE(action->isEnabled());
    action->trigger();
    ASSERT_EQ(prompt->calls().size(), 1);
    EXPECT_EQ(prompt->calls()[0].message.text, QString::fromLatin1(c.objectName));
    EXPECT_EQ(prompt->calls()[0].message.caption, QString::fromLatin1(c.caption));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, MainFormWindows,
    ::testing::Values(WindowCase{"TagEditor", &TMainForm::ActionID3Edit, "frmID3Edit", "ID3 Tag Edit"},
                      WindowCase{"WavToWav", &TMainForm::ActionWavToWav, "frmResample", "WAV to WAV"},
                      WindowCase{"About", &TMainForm::ActionAbout, "frmAbout", "About Tarnwick"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
