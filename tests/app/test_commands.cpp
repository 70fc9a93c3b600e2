#include "MainFormFixture.h"
#include "platform/IniFile.h"
#include "platform/KeyStore.h"

#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

namespace {

// "text [shortcut]" of every entry of a menu, submenus by their title, separators left out.
QStringList entries(const QList<QAction*>& actions)
{
    QStringList list;
    for (const QAction* action : actions) {
        if (action->isSeparator()) {
            continue;
        }
        QString text = action->menu() != nullptr ? action->menu()->title() : action->text();
        if (!action->shortcut().isEmpty()) {
            text += QStringLiteral(" [") + action->shortcut().toString() + QLatin1Char(']');
        }
        list << text;
    }
    return list;
}

QMenu* menu(const TMainForm& form, const QString& title)
{
    for (QAction* action : form.menuBar()->actions()) {
        if (action->menu() != nullptr && action->menu()->title() == title) {
            return action->menu();
        }
    }
    for (QMenu* sub : form.findChildren<QMenu*>()) {
        if (sub->title() == title) {
            return sub;
        }
    }
    return nullptr;
}

} // namespace

TEST_F(MainFormTest, MenusToolbarAndPopUpHoldEveryCommandInOrder)
{
    tarnwick::setCDDeviceSource(std::make_shared<NoDrives>());
    auto form = startForm();
    EXPECT_EQ(entries(menu(*form, "&File")->actions()),
              (QStringList{"WA&V to WAV...", "&WAV to MP3... [Ctrl+W]", "&MP3 to WAV...", "WAV to O&GG...",
                           "WAV to WM&A...", "WAV to F&LAC...", "&Open output directory...", "&Refresh", "&Eject CD [Ctrl+E]",
                           "&Close CD [Ctrl+L]", "Change &Skin", "E&xit"}));
    EXPECT_EQ(entries(menu(*form, "Change &Skin")->actions()),
              (QStringList{"&Diamond Blue", "&RealOne", "Win &XP", "&Deep Blue", "&Protein", "&Matrix"}));
    EXPECT_EQ(entries(menu(*form, "&Actions")->actions()),
              (QStringList{"E&xtract [Ctrl+X]", "&Record... [Ctrl+R]", "Ogg Player", "&Play [Ctrl+P]", "P&ause",
                           "&Stop", "&Volume Control... [Ctrl+V]", "&Clear History"}));
    EXPECT_EQ(entries(menu(*form, "&Clear History")->actions()),
              (QStringList{"&RealOne Player", "&Windows Media Player"}));
    EXPECT_EQ(entries(menu(*form, "&Edit")->actions()),
              (QStringList{"Select &All [Ctrl+A]", "Select &None [Ctrl+N]", "&Query Freedb", "Rename &Title [F2]",
                           "&ID3 Tag Edit", "&Options... [Ctrl+O]"}));
    EXPECT_EQ(entries(menu(*form, "&Help")->actions()),
              (QStringList{"&Help [F1]", "&Tip of the Day", "Home &Page", "&About..."}));
    EXPECT_EQ(entries(form->trackList()->actions()),
              (QStringList{"E&xtract [Ctrl+X]", "Select &All [Ctrl+A]", "Select &None [Ctrl+N]", "&Play [Ctrl+P]",
                           "P&ause", "&Stop", "Rename &Title [F2]"}));
    QStringList buttons;
    for (const QAction* action : form->toolBar()->actions()) {
        if (!action->isSeparator()) {
            buttons << action->text() + QLatin1Char('|') + action->statusTip();
        }
    }
    EXPECT_EQ(buttons,
              (QStringList{"Extract|Extract the selected track", "Encode|Convert  WAV file to MP3 file",
                           "Record|Record to wav or mp3", "Freedb|", "Options|Options", "Exit|Exit the program"}));
    EXPECT_EQ(form->ActionPlay->statusTip(), QStringLiteral("Play the current track"));
    EXPECT_EQ(form->ActionPause->statusTip(), QStringLiteral("Pause the current track"));
    EXPECT_EQ(form->ActionStop->statusTip(), QStringLiteral("Stop the current track"));
    EXPECT_EQ(form->ActionSelectNone->statusTip(), QStringLiteral("Cancel selected track"));
    EXPECT_EQ(form->ActionEditTrackName->statusTip(), QStringLiteral("Rename track title"));
    EXPECT_EQ(form->ActionID3Edit->statusTip(), QStringLiteral("MP3 ID3 edit"));
    EXPECT_EQ(form->ActionHomePage->statusTip(), QStringLiteral("Tarnwick Home Page"));
    form->close();
}

TEST_F(MainFormTest, ListCommandsFollowChecksSelectionAndRows)
{
    makeImage(1, {30 * 75, 40 * 75});
    auto form = startForm();
    form->trackList()->setCurrentItem(nullptr);
    form->trackList()->clearSelection();
    EXPECT_TRUE(form->ActionExtract->isEnabled()); // every row is checked at start-up
    EXPECT_FALSE(form->ActionEditTrackName->isEnabled());
    EXPECT_TRUE(form->ActionQueryFreedb->isEnabled());
    form->ActionSelectNone->trigger();
    EXPECT_FALSE(form->ActionExtract->isEnabled());
    form->trackList()->topLevelItem(1)->setCheckState(0, Qt::Checked);
    EXPECT_TRUE(form->ActionExtract->isEnabled());
    selectRow(*form, 1);
    EXPECT_TRUE(form->ActionEditTrackName->isEnabled());
    form->VolumeRemoved();
    EXPECT_FALSE(form->ActionExtract->isEnabled());
    EXPECT_FALSE(form->ActionEditTrackName->isEnabled());
    EXPECT_FALSE(form->ActionQueryFreedb->isEnabled());
    form->close();
}

TEST_F(MainFormTest, ChangeSkinStoresTheIndexAndMovesTheCheckMark)
{
    writeFileBytes(dir.file(QStringLiteral("options.ini")), "[TipsOptions]\nIsShowTips=0\n[Skin]\nIndex=4\n");
    tarnwick::setCDDeviceSource(std::make_shared<NoDrives>());
    auto form = startForm();
    auto checked = [&] {
        QList<int> marks;
        for (const QAction* action : form->SkinActions) {
            if (action->isChecked()) {
                marks << action->data().toInt();
            }
        }
        return marks;
    };
    EXPECT_EQ(checked(), QList<int>{4});
    const QString protein = form->styleSheet();
    form->SkinActions[5]->trigger();
    EXPECT_EQ(settings().SkinIndex, 5);
    EXPECT_EQ(checked(), QList<int>{5});
    EXPECT_NE(form->styleSheet(), protein);
    form->SkinActions[0]->trigger();
    EXPECT_EQ(checked(), QList<int>{0});
    ASSERT_TRUE(form->close());
    IniFile options(dir.file(QStringLiteral("options.ini")));
    ASSERT_TRUE(options.load());
    EXPECT_EQ(options.readInteger(QStringLiteral("Skin"), QStringLiteral("Index"), -1), 0);
}

struct DriveNameCase
{
    const char* vendor;
    const char* product;
    const char* shown;
};

class DriveDescriptionTest : public MainFormTest, public ::testing::WithParamInterface<DriveNameCase>
{
};

TEST_P(DriveDescriptionTest, OneBlankBetweenVendorAndProduct)
{
    // A listed drive without a disc: it opens, and its name stays in the status bar.
    class Named : public CDDeviceSource
    {
    public:
        explicit Named(DriveNameCase c) : m_case(c) {}
        std::vector<CDDeviceInfo> devices() override { return {{"/dev/fake", m_case.vendor, m_case.product, true}}; }
        std::unique_ptr<CDDevice> open(const CDDeviceInfo&) override { return nullptr; }

    private:
        DriveNameCase m_case;
    };
    tarnwick::setCDDeviceSource(std::make_shared<Named>(GetParam()));
    auto form = startForm();
    ASSERT_NE(form->driveHandle(), 0u);
    EXPECT_EQ(form->driveDescription(), QString::fromLatin1(GetParam().shown));
    form->close();
}

INSTANTIATE_TEST_SUITE_P(Names, DriveDescriptionTest,
                         ::testing::Values(DriveNameCase{"HL-DT-ST", "DVDRAM GH24NSD1", "HL-DT-ST DVDRAM GH24NSD1"},
                                           DriveNameCase{"", "DVDRAM", "DVDRAM"},
                                           DriveNameCase{"VENDOR", "", "VENDOR"}));

namespace {

const QString kRealOne = QStringLiteral("Software\\RealNetworks\\RealPlayer\\6.0\\Preferences\\MostRecentClips");
const QString kMediaPlayer = QStringLiteral("Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList");

} // namespace

class HistoryTest : public MainFormTest
{
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        tarnwick::setCDDeviceSource(std::make_shared<NoDrives>());
    }
    KeyStore keys{dir.file(QStringLiteral("keystore.ini"))};
};

TEST_F(HistoryTest, RealOneClipsAreDeletedUpToTheFirstGap)
{
    for (int n : {1, 2, 3, 5}) {
        ASSERT_TRUE(keys.setValue(kRealOne + QString::number(n), QString(), QStringLiteral("clip.rm")));
    }
    auto form = startForm();
    prompt->clear();
    form->ActionClearRealOne->trigger();
    EXPECT_EQ(prompt->messageTexts(), QStringList{QStringLiteral("3 list records are deleted!")});
    EXPECT_EQ(prompt->calls().first().message.icon, Prompt::Icon::Information);
    EXPECT_FALSE(keys.keyExists(kRealOne + QStringLiteral("1")));
    EXPECT_FALSE(keys.keyExists(kRealOne + QStringLiteral("3")));
    EXPECT_TRUE(keys.keyExists(kRealOne + QStringLiteral("5")));
    form->close();
}

TEST_F(HistoryTest, AMissingMediaPlayerKeyDeletesNothing)
{
    auto form = startForm();
    prompt->clear();
    form->ActionClearMediaPlayer->trigger();
    EXPECT_EQ(prompt->messageTexts(), QStringList{QStringLiteral("0 list records are deleted!")});
    EXPECT_FALSE(QFile::exists(keys.path())); // nothing was created
    form->close();
}

TEST_F(HistoryTest, MediaPlayerFilesAreDeletedFromFileZeroOn)
{
    for (int n : {0, 1, 3}) {
        ASSERT_TRUE(keys.setValue(kMediaPlayer, QStringLiteral("File") + QString::number(n), QStringLiteral("a.wma")));
    }
    ASSERT_TRUE(keys.setValue(kMediaPlayer, QStringLiteral("Other"), QStringLiteral("kept")));
    auto form = startForm();
    prompt->clear();
    form->ActionClearMediaPlayer->trigger();
    EXPECT_EQ(prompt->messageTexts(), QStringList{QStringLiteral("2 list records are deleted!")});
    EXPECT_FALSE(keys.hasValue(kMediaPlayer, QStringLiteral("File1")));
    EXPECT_TRUE(keys.hasValue(kMediaPlayer, QStringLiteral("File3")));
    EXPECT_EQ(keys.value(kMediaPlayer, QStringLiteral("Other")), QStringLiteral("kept"));
    form->close();
}

struct RunningPlayerCase
{
    bool realOne;
    Prompt::Answer answer;
    const char* question;
    int deleted; // -1: the command ends at the question
};

class RunningPlayerTest : public HistoryTest, public ::testing::WithParamInterface<RunningPlayerCase>
{
};

TEST_P(RunningPlayerTest, AnOpenPlayerIsAskedAboutFirst)
{
    const RunningPlayerCase& c = GetParam();
    ASSERT_TRUE(keys.setValue(kRealOne + QStringLiteral("1"), QString(), QStringLiteral("clip.rm")));
    ASSERT_TRUE(keys.setValue(kMediaPlayer, QStringLiteral("File0"), QStringLiteral("a.wma")));
    openWindows = {c.realOne ? QStringLiteral("GeminiWindowClass") : QStringLiteral("WMPlayerApp")};
    auto form = startForm();
    prompt->clear();
    prompt->queueAnswer(c.answer);
    (c.realOne ? form->ActionClearRealOne : form->ActionClearMediaPlayer)->trigger();
    const QList<ScriptedPrompt::Call> calls = prompt->calls();
    ASSERT_GE(calls.size(), 1);
    EXPECT_EQ(calls[0].message.text, QString::fromUtf8(c.question));
    EXPECT_EQ(calls[0].message.buttons, Prompt::Buttons::YesNo);
    EXPECT_EQ(calls[0].message.defaultButton, Prompt::Answer::No);
    EXPECT_EQ(calls[0].message.caption, QStringLiteral("Tarnwick"));
    if (c.deleted < 0) {
        EXPECT_EQ(calls.size(), 1);
    } else {
        ASSERT_EQ(calls.size(), 2);
        EXPECT_EQ(calls[1].message.text, QString::number(c.deleted) + QStringLiteral(" list records are deleted!"));
    }
    form->close();
}

INSTANTIATE_TEST_SUITE_P(
    Players, RunningPlayerTest,
    ::testing::Values(
        RunningPlayerCase{true, Prompt::Answer::No, "Please close RealOne Player firstly.Continue?", -1},
        RunningPlayerCase{true, Prompt::Answer::Yes, "Please close RealOne Player firstly.Continue?", 1},
        RunningPlayerCase{false, Prompt::Answer::No, "Please close Windows Media Player firstly.Continue?", -1},
        RunningPlayerCase{false, Prompt::Answer::Yes, "Please close Windows Media Player firstly.Continue?", 1}));

TEST_F(MainFormTest, TrayCommandsGoToTheOpenedDriveAndNeverToAnImage)
{
    makeImage(1, {30 * 75});
    auto image = startForm();
    image->ActionEject->trigger();
    image->ActionCloseTray->trigger();
    EXPECT_TRUE(log->isEmpty());
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
    image->close();

    class OneDrive : public CDDeviceSource
    {
    public:
        std::vector<CDDeviceInfo> devices() override { return {{QStringLiteral("/dev/sr7"), "V", "P"}}; }
        std::unique_ptr<CDDevice> open(const CDDeviceInfo&) override
        {
            class Empty : public CDDevice
            {
                bool readLayout(DiscLayout&) override { return false; }
                bool holdsAudioDisc() override { return false; }
                bool readAudio(std::int32_t, int, std::uint8_t*) override { return false; }
            };
            return std::make_unique<Empty>();
        }
    };
    tarnwick::setCDDeviceSource(std::make_shared<OneDrive>());
    auto drive = startForm();
    drive->ActionEject->trigger();
    drive->ActionCloseTray->trigger();
    EXPECT_EQ(*log, (QStringList{"eject /dev/sr7", "close /dev/sr7"}));
    drive->close();
}

class ShellCommandsTest : public MainFormTest
{
protected:
    void SetUp() override
    {
        MainFormTest::SetUp();
        tarnwick::setCDDeviceSource(std::make_shared<NoDrives>());
    }
    UrlCatcher urls{{QStringLiteral("file"), QStringLiteral("https")}};
};

TEST_F(ShellCommandsTest, HelpPrefersTheChmFileAndOtherwiseOpensOurGuide)
{
    auto form = startForm();
    const QString guide = dir.file(QStringLiteral("userguide.html"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(TARNWICK_BINARY_DIR "/userguide.html"), guide));
    form->ActionHelp->trigger();
    ASSERT_EQ(urls.opened.size(), 1);
    EXPECT_EQ(urls.opened[0].toLocalFile(), guide);

    ASSERT_TRUE(writeFileBytes(dir.file(QStringLiteral("Ripguide.CHM")), "ITSF"));
    form->ActionHelp->trigger();
    ASSERT_EQ(urls.opened.size(), 2);
    EXPECT_EQ(urls.opened[1].toLocalFile(), dir.file(QStringLiteral("Ripguide.CHM")));
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
    form->close();
}

TEST_F(ShellCommandsTest, OutputFolderHomePageAndTheirFailures)
{
    auto form = startForm();
    settings().OutputFolder = dir.file(QStringLiteral("missing"));
    form->ActionOpenOutput->trigger();
    EXPECT_EQ(prompt->messageTexts(), QStringList{dir.file(QStringLiteral("missing")) +
                                                  QStringLiteral(",The output directory does not exist.")});
    EXPECT_TRUE(urls.opened.isEmpty());
    settings().OutputFolder = dir.path();
    form->ActionOpenOutput->trigger();
    form->ActionHomePage->trigger();
    ASSERT_EQ(urls.opened.size(), 2);
    EXPECT_EQ(urls.opened[0].toLocalFile(), dir.path());
    EXPECT_EQ(urls.opened[1].scheme(), QStringLiteral("https"));
    form->close();
}

TEST_F(ShellCommandsTest, VolumeControlWithoutAMixerSaysSo)
{
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toUtf8()); // a folder without any mixer
    auto form = startForm();
    form->ActionVolumeControl->trigger();
    qputenv("PATH", path);
    ASSERT_EQ(prompt->messageTexts().size(), 1);
    EXPECT_EQ(prompt->calls().last().message.icon, Prompt::Icon::Error);
    form->close();
}

TEST(UserGuide, IsInstalledBesideTheProgramAndCoversTheBasics)
{
    QFile guide(QStringLiteral(TARNWICK_BINARY_DIR "/userguide.html"));
    ASSERT_TRUE(guide.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(guide.readAll());
    for (const char* part : {"<title>Tarnwick User Guide</title>", "Ripping a disc", "The options", "The tools",
                             "Where the files are kept", "options.ini", "cdinfo.dat", "</html>"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
    }
}
