#include "encoders/EncodeSession.h"

#include <QMetaObject>
#include <QObject>
#include <algorithm>
#include <cerrno>

// Marks one window call finished when the queued call is destroyed: after it ran, or
// unrun when Qt dropped it because its context died. Holding the session keeps the lock
// it signals alive for as long as the call exists.
struct EncodeSession::CallGuard
{
    CallGuard(std::shared_ptr<EncodeSession> owner, std::uint64_t number) : session(std::move(owner)), ticket(number) {}
    CallGuard(const CallGuard&) = delete;
    CallGuard& operator=(const CallGuard&) = delete;
    ~CallGuard()
    {
        std::lock_guard lock(session->m_mutex);
        session->m_callsFinished = std::max(session->m_callsFinished, ticket);
        session->m_changed.notify_all();
    }

    std::shared_ptr<EncodeSession> session;
    std::uint64_t ticket;
};

EncodeSession::EncodeSession(QObject* windowContext, std::unique_ptr<ChildProcess> child)
    : m_windowContext(windowContext), m_child(std::move(child))
{
}

EncodeSession::~EncodeSession() = default;

int EncodeSession::bytesAvailable(ChildProcess::Stream stream)
{
    std::lock_guard lock(m_mutex);
    if (m_stopped || !m_child) {
        return 0;
    }
    return std::max(0, m_child->bytesAvailable(stream));
}

bool EncodeSession::waitForEnd(int timeoutMs)
{
    std::lock_guard lock(m_mutex);
    if (m_stopped || !m_child) {
        return true;
    }
    if (!m_child->isRunning()) {
        return true;
    }
    m_child->waitForActivity(timeoutMs);
    return !m_child->isRunning();
}

bool EncodeSession::callInWindow(const std::function<void()>& work)
{
    std::uint64_t ticket = 0;
    // Released outside the lock: the last owner of the guard takes the lock to signal.
    std::shared_ptr<CallGuard> guard;
    {
        std::lock_guard lock(m_mutex);
        if (m_stopped) {
            return false;
        }
        ticket = ++m_callsIssued;
        guard = std::make_shared<CallGuard>(shared_from_this(), ticket);
        QMetaObject::invokeMethod(
            m_windowContext,
            [guard, work] {
                // A run stopped after the call was queued wants nothing more done.
                if (!guard->session->isStopped()) {
                    work();
                }
            },
            Qt::QueuedConnection);
    }
    guard.reset();
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_stopped || m_callsFinished >= ticket; });
    return !m_stopped;
}

void EncodeSession::stop()
{
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    m_changed.notify_all();
}

bool EncodeSession::isStopped() const
{
    std::lock_guard lock(m_mutex);
    return m_stopped;
}

int EncodeSession::read(ChildProcess::Stream stream, int count, QByteArray& data)
{
    std::lock_guard lock(m_mutex);
    if (!m_child) {
        return EBADF;
    }
    errno = 0;
    data = m_child->read(stream, count);
    if (data.isEmpty() && count > 0) {
        // An empty read of bytes the peek saw: the pipe failed (or ended under us).
        return errno != 0 ? errno : EIO;
    }
    return 0;
}

std::optional<int> EncodeSession::exitCode()
{
    std::lock_guard lock(m_mutex);
    if (!m_child || m_child->isRunning()) {
        return std::nullopt;
    }
    return m_child->exitCode();
}

void EncodeSession::closeChild(int exitCode)
{
    std::unique_ptr<ChildProcess> child;
    {
        std::lock_guard lock(m_mutex);
        child = std::move(m_child);
    }
    if (child) {
        child->terminate(exitCode);
    }
}
