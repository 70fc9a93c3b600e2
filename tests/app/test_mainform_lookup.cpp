#include "app/TMainForm.h"
#include "cd/AudioDisc.h"
#include "cd/CDDriveLibrary.h"
#include "cd/CddbDiscId.h"
#include "cd/DiscImageWriter.h"
#include "meta/Tid3tag.h"
#include "meta/gui/TQueryCDDBThread.h"
#include "meta/gui/TfrmQueryCDDB.h"
#include "meta/gui/TfrmStopQuery.h"
#include "platform/IniFile.h"
#include "platform/ScriptedPrompt.h"
#include "settings/TSettings.h"
#include "support/CddbTestServer.h"
#include "support/OfflineSettings.h"
#include "support/TempFolder.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QPushButton>
#include <QToolBar>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

// Runs the lookup windows for real: the query window presses "Query" once it is shown.
class LookupPrompt : public ScriptedPrompt
{
public:
    int execWindow(QObject* window) override
    {
        ScriptedPrompt::execWindow(window);
        if (auto* query = qobject_cast<TfrmQueryCDDB*>(window)) {
            QMetaObject::invokeMethod(
                query,
                [this, query] {
                    query->cbServer->setEditText(server);
                    query->bQuery->click();
                },
                Qt::QueuedConnection);
            return query->exec();
        }
        // The stop window and the job window run for real.
        if (auto* dialog = qobject_cast<QDialog*>(window)) {
            return dialog->exec();
        }
        return 0;
    }
    QString server; // typed into the server box before "Query"
};

class MainFormLookup : public ::testing::Test
{
protected:
    void SetUp() override
    {
        prompt = std::make_shared<LookupPrompt>();
        Prompt::install(prompt);
        qputenv("TARNWICK_HOME", dir.path().toUtf8());
        settings() = TSettings{};
        writeFileBytes(dir.file(QStringLiteral("options.ini")),
                       QByteArray("[TipsOptions]\nIsShowTips=0\n") + OfflineCdOptions);
        DiscImageWriter writer;
        for (const int seconds : {20, 30, 25}) {
            writer.addTrack(seconds * 75);
        }
        cue = dir.file(QStringLiteral("disc.cue"));
        ASSERT_TRUE(writer.write(cue));
        qputenv("TARNWICK_DISC_IMAGES", cue.toUtf8());
        tarnwick::setCDDeviceSource(nullptr);
        ASSERT_TRUE(server.start());
    }
    void TearDown() override
    {
        server.stop();
        TQueryCDDBThread::waitForAll();
        tarnwick::setCDDeviceSource(nullptr);
        qunsetenv("TARNWICK_DISC_IMAGES");
        qunsetenv("TARNWICK_HOME");
        Prompt::install(nullptr);
    }

    std::unique_ptr<TMainForm> startForm()
    {
        TMainForm::Setup setup;
        setup.watchDevices = false;
        auto form = std::make_unique<TMainForm>(setup);
        form->show();
        form->FormActivate();
        return form;
    }

    static QStringList titles(const TMainForm& form)
    {
        QStringList texts;
        for (int i = 0; i < form.trackList()->topLevelItemCount(); ++i) {
            texts << form.trackList()->topLevelItem(i)->text(1);
        }
        return texts;
    }

    static QAction* toolbarButton(const TMainForm& form, const QString& caption)
    {
        for (QAction* action : form.findChild<QToolBar*>()->actions()) {
            if (action->text() == caption) {
                return action;
            }
        }
        return nullptr;
    }

    TempFolder dir;
    QString cue;
    CddbTestServer server;
    std::shared_ptr<LookupPrompt> prompt;
};

TEST_F(MainFormLookup, FetchedTitlesComeBackAfterARestart)
{
    auto form = startForm();
    ASSERT_EQ(titles(*form), QStringList({"Track01", "Track02", "Track03"}));
    DiscLayout layout;
    ASSERT_TRUE(tarnwick::readDiscLayout(form->driveHandle(), layout));
    const QByteArray id = tarnwick::cddbDiscIdText(tarnwick::cddbDiscId(layout)).toLatin1();
    server.addEntry("rock", id, "Band / Record",
                    cddbEntryText(id, "Band", "Record", "1994", "Rock", {"Intro", "Song", "Outro"}));
    prompt->server = server.address();

    QAction* freedb = toolbarButton(*form, QStringLiteral("Freedb"));
    ASSERT_NE(freedb, nullptr);
    ASSERT_TRUE(freedb->isEnabled());
    freedb->trigger();
    EXPECT_EQ(prompt->windowNames(), QStringList({"frmQueryCDDB", "frmStopQuery"}));
    EXPECT_EQ(titles(*form), QStringList({"Intro", "Song", "Outro"}));
    EXPECT_EQ(settings().Disc.Artist, QStringLiteral("Band"));

    // Extract to MP3 with tags: files named after the fetched titles, tagged with the disc's names.
    const QString out = dir.file(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkdir(out));
    settings().OutputFolder = out;
    settings().OutputFormat = ofMP3;
    settings().UseID3 = true;
    form->trackList()->topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    form->trackList()->topLevelItem(2)->setCheckState(0, Qt::Unchecked);
    form->ActionExtract->trigger();
    const QStringList mp3 = QDir(out).entryList({QStringLiteral("*.mp3")});
    ASSERT_EQ(mp3.size(), 1) << QDir(out).entryList().join(' ').toStdString();
    EXPECT_TRUE(mp3[0].endsWith(QStringLiteral("Song.mp3"))) << mp3[0].toStdString();
    Tid3tag tag;
    ASSERT_EQ(tag.read(out + QLatin1Char('/') + mp3[0]) & 0xff00, Tid3tag::rsSuccess);
    EXPECT_EQ(tag.artist(), QStringLiteral("Band"));
    EXPECT_EQ(tag.album(), QStringLiteral("Record"));
    EXPECT_TRUE(form->close());

    const QString key = tarnwick::discKey();
    IniFile info(dir.file(QStringLiteral("cdinfo.dat")));
    ASSERT_TRUE(info.load());
    EXPECT_EQ(info.readString(key, QStringLiteral("Album")), QStringLiteral("Record"));
    IniFile options(dir.file(QStringLiteral("options.ini")));
    ASSERT_TRUE(options.load());
    EXPECT_EQ(options.readString(QStringLiteral("QueryCDDB"), QStringLiteral("Server")), server.address());

    settings() = TSettings{};
    auto again = startForm();
    EXPECT_EQ(titles(*again), QStringList({"Intro", "Song", "Outro"}));
    again->close();
}

// Every file below `folder`, but not inside `skip`.
QStringList filesBelow(const QString& folder, const QString& skip)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.startsWith(skip + QLatin1Char('/'))) {
            files << path;
        }
    }
    files.sort();
    return files;
}

TEST_F(MainFormLookup, HostileTitlesExtractNothingOutsideTheOutputFolder)
{
    auto form = startForm();
    DiscLayout layout;
    ASSERT_TRUE(tarnwick::readDiscLayout(form->driveHandle(), layout));
    const QByteArray id = tarnwick::cddbDiscIdText(tarnwick::cddbDiscId(layout)).toLatin1();
    server.addEntry("rock", id, "x", cddbEntryText(id, "..", "..", "", "", {"../escape", "back\\slash", "Plain"}));
    prompt->server = server.address();
    form->ActionQueryFreedb->trigger();
    ASSERT_EQ(titles(*form), QStringList({"../escape", "back\\slash", "Plain"}));

    const QString out = dir.file(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkdir(out));
    settings().OutputFolder = out;
    settings().OutputFormat = ofWAV;
    const QStringList before = filesBelow(dir.path(), out);
    form->ActionSelectAllExecute();
    form->ActionExtract->trigger();
    EXPECT_TRUE(prompt->windowNames().contains(QStringLiteral("TRipForm")))
        << prompt->windowNames().join(' ').toStdString();
    EXPECT_EQ(filesBelow(dir.path(), out), before);
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("escape.wav"))));
    // Only the title that is a plain file name was extracted, into the output folder.
    const QStringList written = filesBelow(out, QStringLiteral("/nothing"));
    ASSERT_EQ(written.size(), 1) << written.join(' ').toStdString();
    EXPECT_TRUE(written[0].startsWith(out + QLatin1Char('/')));
    EXPECT_TRUE(written[0].endsWith(QStringLiteral("Plain.wav"))) << written[0].toStdString();
    form->close();
}

TEST_F(MainFormLookup, EnabledWithRowsAndRefusedWithoutATableOfContents)
{
    auto form = startForm();
    EXPECT_TRUE(form->ActionQueryFreedb->isEnabled());
    form->VolumeRemoved();
    EXPECT_FALSE(form->ActionQueryFreedb->isEnabled());
    EXPECT_FALSE(toolbarButton(*form, QStringLiteral("Freedb"))->isEnabled());
    form->VolumeArrived();
    EXPECT_TRUE(form->ActionQueryFreedb->isEnabled());

    // The image goes away: the table of contents cannot be read any more.
    ASSERT_TRUE(QFile::remove(cue));
    form->ActionQueryFreedb->trigger();
    EXPECT_EQ(prompt->messageTexts(), QStringList{QStringLiteral("Error while reading TOC information!")});
    EXPECT_EQ(prompt->calls().at(0).message.icon, Prompt::Icon::Error);
    EXPECT_TRUE(prompt->windowNames().isEmpty());
    form->close();
}

} // namespace
