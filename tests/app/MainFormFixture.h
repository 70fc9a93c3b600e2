#pragma once

#include "app/TMainForm.h"
#include "cd/CDDeviceSource.h"
#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "platform/CdAudioDevice.h"
#include "platform/DriveTray.h"
#include "platform/ScriptedPrompt.h"
#include "platform/WindowLookup.h"
#include "settings/TSettings.h"
#include "support/OfflineSettings.h"
#include "support/TempFolder.h"

#include <QDesktopServices>
#include <QEventLoop>
#include <QStringList>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>

// No drive at all, whatever the machine has.
class NoDrives : public CDDeviceSource
{
public:
    std::vector<CDDeviceInfo> devices() override { return {}; }
    std::unique_ptr<CDDevice> open(const CDDeviceInfo&) override { return nullptr; }
};

// A CD audio device that writes every call into a shared log. Track n starts at block
// n * 1000 for the tracks `first` to `last`.
class LoggingCdAudio : public CdAudioDevice
{
public:
    LoggingCdAudio(std::shared_ptr<QStringList> log, int first, int last)
        : m_log(std::move(log)), m_first(first), m_last(last)
    {
    }
    bool open() override
    {
        m_open = true;
        return note(QStringLiteral("open"));
    }
    bool isOpen() const override { return m_open; }
    std::optional<std::int32_t> trackPosition(int n) const override
    {
        return n >= m_first && n <= m_last ? std::optional<std::int32_t>(n * 1000) : std::nullopt;
    }
    bool play(std::int32_t from, std::optional<std::int32_t> to) override
    {
        return note(QStringLiteral("play %1-%2").arg(from).arg(to ? QString::number(*to) : QStringLiteral("end")));
    }
    bool pause() override
    {
        m_paused = true;
        return note(QStringLiteral("pause"));
    }
    bool resume() override
    {
        m_paused = false;
        return note(QStringLiteral("resume"));
    }
    bool isPaused() const override { return m_paused; }
    bool stop() override { return note(QStringLiteral("stop"), !failStop); }
    bool close() override
    {
        m_open = false;
        return note(QStringLiteral("close"));
    }
    void complete() { emit playCompleted(); }

    bool failStop = false;

private:
    bool note(const QString& call, bool result = true)
    {
        *m_log << call;
        return result;
    }
    std::shared_ptr<QStringList> m_log;
    int m_first;
    int m_last;
    bool m_open = false;
    bool m_paused = false;
};

class FakeTray : public DriveTray
{
public:
    explicit FakeTray(std::shared_ptr<QStringList> log) : m_log(std::move(log)) {}
    bool eject(const QString& path) override
    {
        *m_log << QStringLiteral("eject ") + path;
        return true;
    }
    bool close(const QString& path) override
    {
        *m_log << QStringLiteral("close ") + path;
        return true;
    }

private:
    std::shared_ptr<QStringList> m_log;
};

class FakeWindows : public WindowLookup
{
public:
    explicit FakeWindows(QStringList open) : m_open(std::move(open)) {}
    bool topLevelWindowExists(const QString& className) override
    {
        return m_open.contains(className, Qt::CaseInsensitive);
    }

private:
    QStringList m_open;
};

class MainFormTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        prompt = std::make_shared<ScriptedPrompt>();
        Prompt::install(prompt);
        qputenv("TARNWICK_HOME", dir.path().toUtf8());
        settings() = TSettings{};
        // Tips would show a window at every start; the tip tests turn them on themselves.
        writeFileBytes(dir.file(QStringLiteral("options.ini")),
                       QByteArray("[TipsOptions]\nIsShowTips=0\n") + OfflineCdOptions);
    }
    void TearDown() override
    {
        tarnwick::setCDDeviceSource(nullptr);
        qunsetenv("TARNWICK_DISC_IMAGES");
        qunsetenv("TARNWICK_HOME");
        Prompt::install(nullptr);
    }

    QString makeImage(int firstTrack, const std::vector<std::int64_t>& frames)
    {
        DiscImageWriter writer;
        writer.setFirstTrack(firstTrack);
        for (auto f : frames) {
            writer.addTrack(f);
        }
        return makeImage(writer);
    }
    QString makeImage(const DiscImageWriter& writer)
    {
        const QString cue = dir.file(QStringLiteral("disc.cue"));
        EXPECT_TRUE(writer.write(cue));
        qputenv("TARNWICK_DISC_IMAGES", cue.toUtf8());
        tarnwick::setCDDeviceSource(nullptr);
        return cue;
    }

    // The window with the test's services: logging CD audio over tracks `first` to
    // `last`, a logging tray, the listed windows open, the key store in the scratch folder.
    std::unique_ptr<TMainForm> startForm(int first = 1, int last = 99)
    {
        TMainForm::Setup setup = this->setup;
        setup.watchDevices = false;
        if (!setup.cdAudio) {
            setup.cdAudio = [this, first, last](CDHandle) {
                auto device = std::make_unique<LoggingCdAudio>(log, first, last);
                lastDevice = device.get();
                ++devicesMade;
                return device;
            };
        }
        setup.driveTray = [this] { return std::make_unique<FakeTray>(log); };
        setup.windowLookup = [this] { return std::make_unique<FakeWindows>(openWindows); };
        if (setup.keyStorePath.isEmpty()) {
            setup.keyStorePath = dir.file(QStringLiteral("keystore.ini"));
        }
        auto form = std::make_unique<TMainForm>(setup);
        form->show();
        form->FormActivate();
        return form;
    }

    static QStringList column(const TMainForm& form, int c)
    {
        QStringList texts;
        for (int i = 0; i < form.trackList()->topLevelItemCount(); ++i) {
            texts << form.trackList()->topLevelItem(i)->text(c);
        }
        return texts;
    }

    // Plays the row through the window's Play action and returns once playback has
    // stopped again (the device's completion notice performs Stop).
    static void playRowToItsEnd(TMainForm& form, int row)
    {
        selectRow(form, row);
        QEventLoop loop;
        QObject::connect(form.playback(), &PlaybackCommands::stateChanged, &loop, [&] {
            if (!form.playing()) {
                loop.quit();
            }
        });
        form.ActionPlay->trigger();
        ASSERT_TRUE(form.playing());
        loop.exec();
    }

    static void selectRow(TMainForm& form, int row)
    {
        QTreeWidgetItem* item = form.trackList()->topLevelItem(row);
        form.trackList()->setCurrentItem(item);
        item->setSelected(true);
    }

    TempFolder dir;
    std::shared_ptr<ScriptedPrompt> prompt;
    std::shared_ptr<QStringList> log = std::make_shared<QStringList>();
    LoggingCdAudio* lastDevice = nullptr;
    int devicesMade = 0;
    QStringList openWindows;
    TMainForm::Setup setup;
};

// Catches what the program asks the desktop to open, for the schemes it is installed for.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    explicit UrlCatcher(const QStringList& schemes) : m_schemes(schemes)
    {
        for (const QString& scheme : m_schemes) {
            QDesktopServices::setUrlHandler(scheme, this, "open");
        }
    }
    ~UrlCatcher() override
    {
        for (const QString& scheme : m_schemes) {
            QDesktopServices::unsetUrlHandler(scheme);
        }
    }
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }

private:
    QStringList m_schemes;
};
