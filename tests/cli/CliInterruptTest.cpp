#include "cli/CliTestKit.h"

#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// The processes whose parent is `pid`, from the kernel's process table.
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        const qint64 candidate = entry.toLongLong(&numeric);
        if (!numeric) {
            continue;
        }
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        // pid (name) state ppid ...: the name may hold blanks, so count from its end.
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == pid) {
            children << candidate;
        }
    }
    return children;
}

bool exists(qint64 pid)
{
    return QFile::exists(QStringLiteral("/proc/%1").arg(pid));
}

struct StopCase
{
    const char* name;
    int signalNumber;
    const char* format;
};

class CliStop : public ::testing::TestWithParam<StopCase>
{
};

// Stopped while an encoder runs: every encoder process is ended and reaped, the files
// being written are removed, and every file left is whole.
TEST_P(CliStop, LeavesNoPartialFileAndNoChild)
{
    CliTestKit kit;
    const std::vector<double> seconds = {40.0, 40.0, 40.0};
    kit.makeDisc(seconds);
    QList<qint64> encoders;
    const CliTestKit::Result result =
        kit.run({"rip", "--format", QString::fromUtf8(GetParam().format), "--jobs", "2"}, [&](QProcess& cli) {
            cli.setReadChannel(QProcess::StandardError);
            QByteArray seen;
            while (!seen.contains(": encoding") && cli.waitForReadyRead(-1)) {
                seen += cli.readAllStandardError();
            }
            encoders = childrenOf(cli.processId());
            ::kill(static_cast<pid_t>(cli.processId()), GetParam().signalNumber);
        });
    EXPECT_EQ(result.exitCode, 130) << result.err.toStdString();
    if (QByteArray(GetParam().format) == "mp3") {
        EXPECT_FALSE(encoders.isEmpty()) << "no encoder ran when the signal came";
    }
    for (qint64 pid : encoders) {
        EXPECT_FALSE(exists(pid)) << "encoder " << pid << " outlived the program";
    }
    const qint64 trackBytes = static_cast<qint64>(40 * 75) * 2352;
    for (const QString& name : CliTestKit::filesIn(kit.out())) {
        const QString file = kit.out(name);
        if (name.endsWith(QLatin1String(".wav"))) {
            // A WAV extracted whole and not yet encoded stays; a half one does not.
            const QByteArray bytes = readFileBytes(file);
            EXPECT_EQ(bytes.size(), 44 + trackBytes) << name.toStdString();
        } else {
            EXPECT_NEAR(CliTestKit::durationSeconds(file), 40.0, 0.15) << name.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cli, CliStop,
                         ::testing::Values(StopCase{"InterruptMp3", SIGINT, "mp3"},
                                           StopCase{"TerminateOgg", SIGTERM, "ogg"}),
                         [](const ::testing::TestParamInfo<StopCase>& info) { return std::string(info.param.name); });

} // namespace
