#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

// A child program with its standard input, output and error on pipes and no window.
// The argument vector is passed as it stands: never split from a text, never through a
// shell. The destructor ends a child that still runs and reaps it.
class ChildProcess
{
public:
    enum class Stream { Output, Error };

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // 0 on success, else the errno of the failure (ENOENT for a missing program).
    int start(const QString& program, const QStringList& arguments, const QString& workingFolder = QString());
    bool isStarted() const { return m_pid > 0; }
    std::int64_t pid() const { return m_pid; }

    // Bytes waiting in a pipe without reading them; -1 when the pipe is closed or failed.
    int bytesAvailable(Stream stream) const;
    // Reads up to maxBytes that are already waiting (never blocks when bytesAvailable > 0).
    QByteArray read(Stream stream, int maxBytes);
    // Reads until the pipe ends (blocking). Useful for short-lived children.
    QByteArray readAll(Stream stream);
    // Waits at most timeoutMs until either output pipe has data or the child ended.
    void waitForActivity(int timeoutMs) const;
    bool write(const QByteArray& data);
    void closeInput();

    // True once the child has ended and was reaped; waits at most timeoutMs (-1: forever).
    bool waitForExit(int timeoutMs);
    bool isRunning();
    // Exit code after the end; a child ended by a signal reports 128 + signal.
    int exitCode() const { return m_exitCode; }
    // Ends the child at once and reaps it; its exit code becomes `exitCode`.
    void terminate(int exitCode);

private:
    bool reap(bool block);
    void closeFds();

    std::int64_t m_pid = 0;
    int m_pidFd = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    int m_stderr = -1;
    bool m_exited = false;
    int m_exitCode = 0;
};
