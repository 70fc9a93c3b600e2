#include "cli/CliTestKit.h"

#include "cd/AudioDisc.h"
#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "encoders/TMp3EncodeProcess.h"
#include "encoders/TWMAEncodeProcess.h"
#include "jobs/TRipForm.h"
#include "jobs/core/JobFiles.h"
#include "platform/Prompt.h"
#include "settings/DiscInfoStore.h"
#include "settings/SettingsStore.h"
#include "support/OfflineSettings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <gtest/gtest.h>

CliTestKit::CliTestKit()
{
    QDir(dir.path()).mkpath(QStringLiteral("home"));
    QDir(dir.path()).mkpath(QStringLiteral("out"));
    QFile::link(QStringLiteral(TARNWICK_BINARY_DIR "/wmaenc"), dir.file(QStringLiteral("home/wmaenc")));
    TSettings defaults;
    SettingsStore::load(defaults, home() + QStringLiteral("/options.ini"));
    defaults.OutputFolder = out();
    keepOffline(defaults);
    writeOptions(defaults);
}

CliTestKit::~CliTestKit()
{
    qunsetenv("TARNWICK_DISC_IMAGES");
    qunsetenv("TARNWICK_HOME");
    tarnwick::setCDDeviceSource(nullptr);
}

QString CliTestKit::out(const QString& name) const
{
    return name.isEmpty() ? dir.file(QStringLiteral("out")) : dir.file(QStringLiteral("out/") + name);
}

void CliTestKit::makeDisc(const std::vector<double>& seconds, int firstTrack)
{
    DiscImageWriter writer;
    writer.setFirstTrack(firstTrack);
    for (double s : seconds) {
        writer.addTrack(static_cast<std::int64_t>(s * 75));
    }
    cue = dir.file(QStringLiteral("disc.cue"));
    ASSERT_TRUE(writer.write(cue));
}

void CliTestKit::makeImage(const DiscImageWriter& writer)
{
    cue = dir.file(QStringLiteral("disc.cue"));
    ASSERT_TRUE(writer.write(cue));
}

void CliTestKit::writeOptions(const TSettings& record)
{
    ASSERT_TRUE(SettingsStore::save(record, home() + QStringLiteral("/options.ini")));
}

QString CliTestKit::discKey() const
{
    qputenv("TARNWICK_DISC_IMAGES", cue.toUtf8());
    tarnwick::setCDDeviceSource(nullptr);
    return tarnwick::discKey();
}

void CliTestKit::writeDiscInfo(const TDiscInfo& disc)
{
    ASSERT_TRUE(DiscInfoStore::save(disc, discKey(), home() + QStringLiteral("/cdinfo.dat")));
}

void CliTestKit::installLameWrapper(const QString& failFor)
{
    const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
    ASSERT_FALSE(lame.isEmpty());
    QString script = QStringLiteral("#!/bin/sh\n"
                                    "ls '%1' | grep -c '\\.wav$' >> '%2'\n")
                         .arg(out(), dir.file(QStringLiteral("lame.log")));
    if (!failFor.isEmpty()) {
        script += QStringLiteral("case \"$*\" in *%1*) echo 'Could not read the input: scripted failure' >&2; "
                                 "exit 1;; esac\n")
                      .arg(failFor);
    }
    script += QStringLiteral("exec '%1' \"$@\"\n").arg(lame);
    const QString path = home() + QStringLiteral("/lame");
    ASSERT_TRUE(writeFileBytes(path, script.toUtf8()));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QStringList CliTestKit::wrapperLog() const
{
    return QString::fromUtf8(readFileBytes(dir.file(QStringLiteral("lame.log"))))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QProcessEnvironment CliTestKit::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TARNWICK_HOME"), home());
    env.insert(QStringLiteral("TARNWICK_DISC_IMAGES"), cue);
    return env;
}

CliTestKit::Result CliTestKit::run(const QStringList& arguments) const
{
    return run(arguments, nullptr);
}

CliTestKit::Result CliTestKit::run(const QStringList& arguments, const std::function<void(QProcess&)>& during) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral(TARNWICK_BINARY_DIR "/tarnwick-cli"), arguments);
    EXPECT_TRUE(process.waitForStarted(-1));
    if (during) {
        during(process);
    }
    process.waitForFinished(-1);
    Result result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

void CliTestKit::runWindowRip(const QString& folder, const std::vector<int>& rows) const
{
    qputenv("TARNWICK_HOME", home().toUtf8());
    qputenv("TARNWICK_DISC_IMAGES", cue.toUtf8());
    tarnwick::setCDDeviceSource(nullptr);
    TDiscInfo disc;
    DiscInfoStore::load(disc, tarnwick::discKey(), home() + QStringLiteral("/cdinfo.dat"));
    QStringList items;
    for (int row : rows) {
        const QString title = disc.title(row).isEmpty() ? DiscInfoStore::defaultTitle(row) : disc.title(row);
        items << JobFiles::extractItem(row, title);
    }
    runWindowJob(TRipForm::ExtractCD, items, folder);
}

void CliTestKit::runWindowJob(int mode, const QStringList& items, const QString& folder) const
{
    qputenv("TARNWICK_HOME", home().toUtf8());
    qputenv("TARNWICK_DISC_IMAGES", cue.toUtf8());
    tarnwick::setCDDeviceSource(nullptr);
    settings() = TSettings{};
    SettingsStore::load(settings(), home() + QStringLiteral("/options.ini"));
    DiscInfoStore::load(settings().Disc, tarnwick::discKey(), home() + QStringLiteral("/cdinfo.dat"));
    settings().OutputFolder = folder;
    const CDHandle handle = mode == TRipForm::ExtractCD ? tarnwick::openFirstImage() : 0;
    ASSERT_TRUE(mode != TRipForm::ExtractCD || handle != 0);
    TMp3EncodeProcess mp3;
    TWMAEncodeProcess wma;
    {
        TRipForm form(nullptr, mode, handle, items, &mp3, &wma);
        form.busyWait = [](int) {};
        if (!form.jobFinished()) {
            form.exec();
        }
    }
    if (handle != 0) {
        CloseCDHandle(handle);
    }
}

QStringList CliTestKit::filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

QString CliTestKit::probe(const QString& file, const QString& entries)
{
    QProcess ffprobe;
    ffprobe.start(QStringLiteral("ffprobe"),
                  {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"), entries,
                   QStringLiteral("-of"), QStringLiteral("default=nw=1:nk=1"), file});
    ffprobe.waitForFinished(-1);
    return QString::fromUtf8(ffprobe.readAllStandardOutput()).trimmed();
}

double CliTestKit::durationSeconds(const QString& file)
{
    return probe(file, QStringLiteral("format=duration")).toDouble();
}

QByteArray CliTestKit::flacSamples(const QString& file)
{
    QProcess flac;
    flac.start(QStringLiteral("flac"),
               {QStringLiteral("-s"), QStringLiteral("-d"), QStringLiteral("-c"), QStringLiteral("--force-raw-format"),
                QStringLiteral("--endian=little"), QStringLiteral("--sign=signed"), file});
    flac.waitForFinished(-1);
    EXPECT_EQ(flac.exitCode(), 0) << file.toStdString();
    return flac.readAllStandardOutput();
}

QByteArray CliTestKit::wavSamples(const QString& file)
{
    return readFileBytes(file).mid(44);
}
