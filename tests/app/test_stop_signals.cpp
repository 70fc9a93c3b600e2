// The whole window program, started as a user's desktop starts it, ended by the signals
// a log-out, a service manager or kill sends.
#include "cd/AudioDisc.h"
#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "settings/SettingsStore.h"
#include "support/OfflineSettings.h"
#include "support/TempFolder.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QProcess>
#include <QStandardPaths>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <pthread.h>

namespace {

constexpr qint64 kTrackBytes = 20LL * 75 * 2352; // a 20-second track

QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == pid) {
            children << entry.toLongLong();
        }
    }
    return children;
}

// A program folder with options.ini (MP3 output, no tips, offline), a "lame" that encodes
// every track but the second, whose encoding never ends (it writes a first piece of the
// MP3 file and a marker, then waits to be killed), and a disc image of three tracks.
class ProgramRun
{
public:
    ProgramRun()
    {
        QDir(dir.path()).mkpath(QStringLiteral("home"));
        QDir(dir.path()).mkpath(QStringLiteral("out"));
        TSettings s;
        SettingsStore::load(s, home(QStringLiteral("options.ini")));
        s.OutputFolder = out();
        s.OutputFormat = ofMP3;
        s.IsShowTips = false;
        keepOffline(s);
        EXPECT_TRUE(SettingsStore::save(s, home(QStringLiteral("options.ini"))));
        // Written long ago: a fresh time after the run means the program wrote it.
        QFile options(home(QStringLiteral("options.ini")));
        EXPECT_TRUE(options.open(QIODevice::ReadWrite));
        options.setFileTime(QDateTime(QDate(2001, 1, 1), QTime(0, 0)), QFileDevice::FileModificationTime);
        options.close();

        const QString lame = QStandardPaths::findExecutable(QStringLiteral("lame"));
        EXPECT_FALSE(lame.isEmpty());
        const QString script = QStringLiteral("#!/bin/sh\n"
                                              "case \"$*\" in *Track02.wav*)\n"
                                              "  printf 'ID3' > '%1/Track02.mp3'\n"
                                              "  : > '%2'\n"
                                              "  exec sleep 1000000;;\n"
                                              "esac\n"
                                              "exec '%3' \"$@\"\n")
                                   .arg(out(), marker(), lame);
        EXPECT_TRUE(writeFileBytes(home(QStringLiteral("lame")), script.toUtf8()));
        QFile::setPermissions(home(QStringLiteral("lame")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        DiscImageWriter writer;
        for (int i = 0; i < 3; ++i) {
            writer.addTrack(kTrackBytes / 2352);
        }
        cue = dir.file(QStringLiteral("disc.cue"));
        EXPECT_TRUE(writer.write(cue));
    }

    QString home(const QString& name = QString()) const
    {
        return dir.file(QStringLiteral("home")) + (name.isEmpty() ? QString() : QLatin1Char('/') + name);
    }
    QString out(const QString& name = QString()) const
    {
        return dir.file(QStringLiteral("out")) + (name.isEmpty() ? QString() : QLatin1Char('/') + name);
    }
    QString marker() const { return dir.file(QStringLiteral("encoding-two")); }

    // Starts the program; with `blocked` it starts with the stop signals blocked, so that
    // signals sent at once wait until the program takes them.
    void start(bool extract, bool blocked)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TARNWICK_HOME"), home());
        env.insert(QStringLiteral("TARNWICK_DISC_IMAGES"), cue);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("disk"));
        env.insert(QStringLiteral("SDL_DISKAUDIOFILE"), dir.file(QStringLiteral("speaker.raw")));
        if (extract) {
            env.insert(QStringLiteral("TARNWICK_EXTRACT_AT_START"), QStringLiteral("1"));
        }
        process.setProcessEnvironment(env);
        if (blocked) {
            process.setChildProcessModifier([] {
                sigset_t set;
                sigemptyset(&set);
                for (int number : {SIGINT, SIGTERM, SIGHUP}) {
                    sigaddset(&set, number);
                }
                pthread_sigmask(SIG_BLOCK, &set, nullptr);
            });
        }
        process.start(QStringLiteral(TARNWICK_BINARY_DIR "/tarnwick"), {});
        ASSERT_TRUE(process.waitForStarted(-1));
    }

    // Waits until `done` holds, looking again whenever the folder `watched` changes;
    // false when the program ended first.
    bool waitUntil(const QString& watched, const std::function<bool()>& done)
    {
        QFileSystemWatcher watcher({watched});
        QEventLoop loop;
        QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, [&] {
            if (done()) {
                loop.quit();
            }
        });
        QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        if (!done() && process.state() != QProcess::NotRunning) {
            loop.exec();
        }
        return done();
    }

    void signal(int number) { ::kill(static_cast<pid_t>(process.processId()), number); }

    void finish() { process.waitForFinished(-1); }

    bool optionsWritten() const
    {
        return QFileInfo(home(QStringLiteral("options.ini"))).lastModified().date().year() > 2001;
    }

    TempFolder dir;
    QString cue;
    QProcess process;
};

class StopSignal : public ::testing::TestWithParam<int>
{
};

// Busy: the first track is encoded, the second extracted and being encoded. The program
// ends as File > Exit does: the encoder is killed and reaped, its half MP3 removed, the
// whole files kept, the settings and titles written, and the exit is a clean one.
TEST_P(StopSignal, DuringAJobKeepsOnlyWholeFiles)
{
    ProgramRun run;
    run.start(true, false);
    ASSERT_TRUE(run.waitUntil(run.dir.path(), [&] { return QFile::exists(run.marker()); }))
        << run.process.readAllStandardError().toStdString();
    const QList<qint64> encoders = childrenOf(run.process.processId());
    ASSERT_FALSE(encoders.isEmpty());
    run.signal(GetParam());
    run.finish();
    EXPECT_EQ(run.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.process.exitCode(), 0) << run.process.readAllStandardError().toStdString();
    for (qint64 pid : encoders) {
        EXPECT_FALSE(QFile::exists(QStringLiteral("/proc/%1").arg(pid))) << "encoder " << pid << " outlived us";
    }
    EXPECT_EQ(QDir(run.out()).entryList(QDir::Files, QDir::Name),
              (QStringList{"Track01.mp3", "Track01.wav", "Track02.wav"}));
    EXPECT_GT(QFileInfo(run.out(QStringLiteral("Track01.mp3"))).size(), 100000);
    EXPECT_EQ(QFileInfo(run.out(QStringLiteral("Track01.wav"))).size(), 44 + kTrackBytes);
    EXPECT_EQ(QFileInfo(run.out(QStringLiteral("Track02.wav"))).size(), 44 + kTrackBytes);
    EXPECT_TRUE(run.optionsWritten());
    EXPECT_TRUE(QFile::exists(run.home(QStringLiteral("cdinfo.dat"))));
}

// Idle: the window closes and writes what it keeps, whichever of the signals came.
TEST_P(StopSignal, WhileIdleEndsCleanly)
{
    ProgramRun run;
    run.start(false, true);
    run.signal(GetParam());
    run.finish();
    EXPECT_EQ(run.process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(run.process.exitCode(), 0) << run.process.readAllStandardError().toStdString();
    EXPECT_TRUE(run.optionsWritten());
    EXPECT_TRUE(QFile::exists(run.home(QStringLiteral("cdinfo.dat"))));
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignal, ::testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == SIGTERM ? "Term" : info.param == SIGINT ? "Int" : "Hup");
                         });

// A second request while the first is being carried out ends the program at once,
// without the closing steps.
TEST(StopSignalTwice, EndsTheProgramAtOnce)
{
    ProgramRun run;
    run.start(false, true);
    run.signal(SIGTERM);
    run.signal(SIGINT);
    run.finish();
    EXPECT_EQ(run.process.exitStatus(), QProcess::CrashExit);
    EXPECT_FALSE(run.optionsWritten());
}

} // namespace
