#include "jobs/JobTestKit.h"

#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "encoders/TMp3EncodeProcess.h"
#include "encoders/TWMAEncodeProcess.h"
#include "jobs/TRipForm.h"
#include "settings/SettingsStore.h"
#include "support/OfflineSettings.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

JobTestKit::JobTestKit() : prompt(std::make_shared<ScriptedPrompt>())
{
    QDir(dir.path()).mkpath(QStringLiteral("home"));
    QDir(dir.path()).mkpath(QStringLiteral("out"));
    QDir(dir.path()).mkpath(QStringLiteral("in"));
    QFile::link(QStringLiteral(TARNWICK_BINARY_DIR "/wmaenc"), dir.file(QStringLiteral("home/wmaenc")));
    qputenv("TARNWICK_HOME", dir.file(QStringLiteral("home")).toUtf8());
    settings() = TSettings{};
    SettingsStore::load(settings(), dir.file(QStringLiteral("home/options.ini")));
    keepOffline(settings());
    settings().OutputFolder = dir.file(QStringLiteral("out"));
    Prompt::install(prompt);
    prompt->onWindow = [](QObject* window) { static_cast<QDialog*>(window)->exec(); };
    mp3 = std::make_unique<TMp3EncodeProcess>();
    wma = std::make_unique<TWMAEncodeProcess>();
}

JobTestKit::~JobTestKit()
{
    if (handle != 0) {
        CloseCDHandle(handle);
    }
    mp3.reset();
    wma.reset();
    Prompt::install(nullptr);
    qunsetenv("TARNWICK_DISC_IMAGES");
    qunsetenv("TARNWICK_HOME");
}

CDHandle JobTestKit::openDisc(const std::vector<double>& seconds, int firstTrack)
{
    DiscImageWriter writer;
    writer.setFirstTrack(firstTrack);
    for (double s : seconds) {
        writer.addTrack(static_cast<std::int64_t>(s * 75));
    }
    const QString cue = dir.file(QStringLiteral("disc.cue"));
    EXPECT_TRUE(writer.write(cue));
    qputenv("TARNWICK_DISC_IMAGES", cue.toUtf8());
    tarnwick::setCDDeviceSource(nullptr);
    handle = tarnwick::openFirstImage();
    EXPECT_NE(handle, 0u);
    return handle;
}

void JobTestKit::runJob(int mode, CDHandle driveHandle, const QStringList& items,
                        const std::function<void(TRipForm&)>& during)
{
    TRipForm form(nullptr, mode, driveHandle, items, mp3.get(), wma.get());
    form.busyWait = [](int) {};
    if (during) {
        during(form);
    }
    if (!form.jobFinished() || form.isVisible()) {
        form.exec();
    }
}

QStringList JobTestKit::filesIn(const QString& folder)
{
    QStringList names = QDir(folder).entryList(QDir::Files, QDir::Name);
    return names;
}

QString JobTestKit::probe(const QString& file, const QString& entries)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"), entries,
                   QStringLiteral("-of"), QStringLiteral("default=nw=1:nk=1"), file});
    ffprobe.waitForFinished(-1);
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).trimmed();
}

double JobTestKit::durationSeconds(const QString& file)
{
    return probe(file, QStringLiteral("format=duration")).toDouble();
}
