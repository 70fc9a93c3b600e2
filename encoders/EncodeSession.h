#pragma once

#include "platform/ChildProcess.h"

#include <QByteArray>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QObject;

// What one encoder run shares between its process object (window thread) and its reader
// thread: the child with its pipes, and the way back to the window thread.
//
// The reader thread touches the child only under the lock, and it hands work to the window
// thread with callInWindow, which returns as soon as the run is stopped. So stopping a run
// or destroying the process object never waits on a reader blocked in a window call, and a
// reader never touches a process object that is gone: every call checks the stop first.
class EncodeSession : public std::enable_shared_from_this<EncodeSession>
{
public:
    // `windowContext` lives on the window thread for as long as the run is not stopped.
    EncodeSession(QObject* windowContext, std::unique_ptr<ChildProcess> child);
    ~EncodeSession();
    EncodeSession(const EncodeSession&) = delete;
    EncodeSession& operator=(const EncodeSession&) = delete;

    // Reader thread side.
    // Bytes waiting in a pipe; 0 when there is no child (any more) or the run is stopped.
    int bytesAvailable(ChildProcess::Stream stream);
    // Waits at most timeoutMs for output or the end of the child; true when it has ended.
    bool waitForEnd(int timeoutMs);
    // Runs `work` on the window thread and waits for it. False when the run was stopped
    // before or meanwhile; the work then never runs (or already did, harmlessly).
    bool callInWindow(const std::function<void()>& work);

    // Both sides.
    void stop();
    bool isStopped() const;

    // Window thread side.
    // Reads exactly `count` bytes that the reader saw waiting; 0 or the errno of the failure.
    int read(ChildProcess::Stream stream, int count, QByteArray& data);
    // The exit code of a child that has ended (128 + signal for one ended by a signal);
    // empty while it runs or when there is none.
    std::optional<int> exitCode();
    // Ends the child (if it still runs), reaps it and closes every pipe.
    void closeChild(int exitCode);

private:
    struct CallGuard;

    QObject* m_windowContext;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::unique_ptr<ChildProcess> m_child;
    bool m_stopped = false;
    std::uint64_t m_callsIssued = 0;
    std::uint64_t m_callsFinished = 0;
};
