#include "platform/ChildProcess.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

// A child that dies while we write to its input must give an error, not kill us.
void ignoreBrokenPipes()
{
    static std::once_flag once;
    std::call_once(once, [] { ::signal(SIGPIPE, SIG_IGN); });
}

void closeFd(int& fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

} // namespace

ChildProcess::~ChildProcess()
{
    if (m_pid > 0 && !m_exited) {
        terminate(-1);
    }
    closeFds();
}

void ChildProcess::closeFds()
{
    closeFd(m_stdin);
    closeFd(m_stdout);
    closeFd(m_stderr);
    closeFd(m_pidFd);
}

int ChildProcess::start(const QString& program, const QStringList& arguments, const QString& workingFolder)
{
    if (m_pid > 0) {
        return EBUSY;
    }
    ignoreBrokenPipes();
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        const int error = errno;
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
        return error;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    const QByteArray folder = QFile::encodeName(workingFolder);
    if (!workingFolder.isEmpty()) {
        posix_spawn_file_actions_addchdir_np(&actions, folder.constData());
    }

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const QByteArray programName = QFile::encodeName(program);
    std::vector<QByteArray> storage;
    storage.push_back(programName);
    for (const QString& argument : arguments) {
        storage.push_back(argument.toLocal8Bit());
    }
    std::vector<char*> argv;
    for (auto& item : storage) {
        argv.push_back(item.data());
    }
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int result = program.contains(QLatin1Char('/'))
                           ? ::posix_spawn(&pid, programName.constData(), &actions, &attributes, argv.data(), environ)
                           : ::posix_spawnp(&pid, programName.constData(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(in[0]);
    ::close(out[1]);
    ::close(err[1]);
    if (result != 0) {
        ::close(in[1]);
        ::close(out[0]);
        ::close(err[0]);
        return result;
    }
    m_pid = pid;
    m_exited = false;
    m_exitCode = 0;
    m_stdin = in[1];
    m_stdout = out[0];
    m_stderr = err[0];
    m_pidFd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    return 0;
}

int ChildProcess::bytesAvailable(Stream stream) const
{
    const int fd = stream == Stream::Output ? m_stdout : m_stderr;
    if (fd < 0) {
        return -1;
    }
    int count = 0;
    if (::ioctl(fd, FIONREAD, &count) != 0) {
        return -1;
    }
    return count;
}

QByteArray ChildProcess::read(Stream stream, int maxBytes)
{
    int& fd = stream == Stream::Output ? m_stdout : m_stderr;
    if (fd < 0 || maxBytes <= 0) {
        return {};
    }
    QByteArray data(maxBytes, Qt::Uninitialized);
    ssize_t got = 0;
    do {
        got = ::read(fd, data.data(), static_cast<size_t>(maxBytes));
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        return {};
    }
    data.truncate(static_cast<qsizetype>(got));
    return data;
}

QByteArray ChildProcess::readAll(Stream stream)
{
    int& fd = stream == Stream::Output ? m_stdout : m_stderr;
    QByteArray all;
    if (fd < 0) {
        return all;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        all.append(buffer, static_cast<qsizetype>(got));
    }
    return all;
}

void ChildProcess::waitForActivity(int timeoutMs) const
{
    pollfd fds[3];
    nfds_t count = 0;
    for (int fd : {m_stdout, m_stderr, m_pidFd}) {
        if (fd >= 0) {
            fds[count++] = {fd, POLLIN, 0};
        }
    }
    if (count > 0) {
        ::poll(fds, count, timeoutMs);
    }
}

bool ChildProcess::write(const QByteArray& data)
{
    if (m_stdin < 0) {
        return false;
    }
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t wrote = ::write(m_stdin, data.constData() + done, static_cast<size_t>(data.size() - done));
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            return false;
        }
        done += wrote;
    }
    return true;
}

void ChildProcess::closeInput()
{
    closeFd(m_stdin);
}

bool ChildProcess::reap(bool block)
{
    if (m_pid <= 0) {
        return false;
    }
    if (m_exited) {
        return true;
    }
    int status = 0;
    pid_t result = 0;
    do {
        result = ::waitpid(static_cast<pid_t>(m_pid), &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == static_cast<pid_t>(m_pid)) {
        m_exited = true;
        if (WIFEXITED(status)) {
            m_exitCode = WEXITSTATUS(status);
        } else if (WIFSIGNALED(status)) {
            m_exitCode = 128 + WTERMSIG(status);
        }
        closeFd(m_pidFd);
        return true;
    }
    if (result < 0) {
        // Someone else reaped it (ECHILD); treat it as ended.
        m_exited = true;
        closeFd(m_pidFd);
        return true;
    }
    return false;
}

bool ChildProcess::waitForExit(int timeoutMs)
{
    if (m_pid <= 0) {
        return false;
    }
    if (m_exited || reap(false)) {
        return true;
    }
    if (timeoutMs < 0) {
        return reap(true);
    }
    if (m_pidFd >= 0) {
        pollfd fd{m_pidFd, POLLIN, 0};
        int result = 0;
        do {
            result = ::poll(&fd, 1, timeoutMs);
        } while (result < 0 && errno == EINTR);
        return reap(false);
    }
    return reap(timeoutMs != 0);
}

bool ChildProcess::isRunning()
{
    return m_pid > 0 && !reap(false);
}

void ChildProcess::terminate(int exitCode)
{
    if (m_pid <= 0) {
        return;
    }
    if (!m_exited) {
        ::kill(static_cast<pid_t>(m_pid), SIGKILL);
        reap(true);
    }
    m_exitCode = exitCode;
}
