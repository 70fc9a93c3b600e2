#include "platform/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>

namespace {

QByteArray drain(ChildProcess& child, ChildProcess::Stream stream)
{
    QByteArray all;
    for (;;) {
        const int waiting = child.bytesAvailable(stream);
        if (waiting > 0) {
            all += child.read(stream, waiting);
            continue;
        }
        if (!child.isRunning()) {
            // The child ended: what it wrote last is still in the pipe.
            all += child.readAll(stream);
            return all;
        }
        child.waitForActivity(100);
    }
}

} // namespace

TEST(ChildProcessTest, ReadsEverythingAndReportsTheExitCode)
{
    ChildProcess child;
    // 200 000 lines: far more than a pipe holds, so the reader must keep up.
    ASSERT_EQ(child.start(QStringLiteral("sh"), {QStringLiteral("-c"),
                                                  QStringLiteral("seq 1 200000; echo oops >&2; exit 3")}),
              0);
    const QByteArray out = drain(child, ChildProcess::Stream::Output);
    ASSERT_TRUE(child.waitForExit(-1));
    EXPECT_EQ(child.exitCode(), 3);
    EXPECT_EQ(out.count('\n'), 200000);
    EXPECT_TRUE(out.endsWith("199999\n200000\n"));
    EXPECT_EQ(child.readAll(ChildProcess::Stream::Error), QByteArray("oops\n"));
}

TEST(ChildProcessTest, ArgumentsArriveAsTheyStandWithoutAShell)
{
    ChildProcess child;
    const QString odd = QStringLiteral("a \"quoted\" name; $(rm -rf x) `y` 'z'");
    ASSERT_EQ(child.start(QStringLiteral("printf"), {QStringLiteral("%s|"), odd, QString()}), 0);
    ASSERT_TRUE(child.waitForExit(-1));
    EXPECT_EQ(child.readAll(ChildProcess::Stream::Output), (odd + QStringLiteral("||")).toLocal8Bit());
    EXPECT_EQ(child.exitCode(), 0);
}

TEST(ChildProcessTest, InputReachesTheChild)
{
    ChildProcess child;
    ASSERT_EQ(child.start(QStringLiteral("tr"), {QStringLiteral("a-z"), QStringLiteral("A-Z")}), 0);
    ASSERT_TRUE(child.write("hello\n"));
    child.closeInput();
    ASSERT_TRUE(child.waitForExit(-1));
    EXPECT_EQ(child.readAll(ChildProcess::Stream::Output), QByteArray("HELLO\n"));
}

TEST(ChildProcessTest, MissingProgramReportsNotFound)
{
    ChildProcess child;
    EXPECT_EQ(child.start(QStringLiteral("/nonexistent/encoder"), {}), ENOENT);
    EXPECT_EQ(child.start(QStringLiteral("no-such-program-anywhere"), {}), ENOENT);
    EXPECT_FALSE(child.isStarted());
}

TEST(ChildProcessTest, TerminateEndsARunningChildAndReapsIt)
{
    ChildProcess child;
    ASSERT_EQ(child.start(QStringLiteral("sleep"), {QStringLiteral("600")}), 0);
    const auto pid = static_cast<pid_t>(child.pid());
    EXPECT_FALSE(child.waitForExit(50));
    child.terminate(7);
    EXPECT_EQ(child.exitCode(), 7);
    EXPECT_FALSE(child.isRunning());
    // Reaped: no zombie is left for the pid.
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST(ChildProcessTest, DestructorEndsAndReapsTheChild)
{
    pid_t pid = 0;
    {
        ChildProcess child;
        ASSERT_EQ(child.start(QStringLiteral("sleep"), {QStringLiteral("600")}), 0);
        pid = static_cast<pid_t>(child.pid());
    }
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
}
