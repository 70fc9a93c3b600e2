#include "audio/TACSThread.h"

#include "audio/EACSException.h"

#include <chrono>

TACSThread::TACSThread(Step step, DoneHandler done, FailureHandler failure)
    : m_step(std::move(step)), m_done(std::move(done)), m_failure(std::move(failure))
{
    m_thread = std::thread([this] { run(); });
}

TACSThread::~TACSThread()
{
    quit(false);
}

void TACSThread::suspend()
{
    std::lock_guard guard(m_mutex);
    m_suspended = true;
}

void TACSThread::resume()
{
    {
        std::lock_guard guard(m_mutex);
        m_suspended = false;
    }
    m_wake.notify_all();
}

bool TACSThread::suspended() const
{
    std::lock_guard guard(m_mutex);
    return m_suspended;
}

void TACSThread::resumeForStart()
{
    {
        std::lock_guard guard(m_mutex);
        ++m_starts;
        m_suspended = false;
    }
    m_wake.notify_all();
}

void TACSThread::quit(bool finalStep)
{
    if (!m_thread.joinable()) {
        return;
    }
    {
        std::lock_guard guard(m_mutex);
        m_finalStep = finalStep;
        QuitRequest = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void TACSThread::afterTransfer(std::uint64_t startsBefore)
{
    std::lock_guard guard(m_mutex);
    if (SuspendWhenIdle && m_starts == startsBefore) {
        m_suspended = true;
    }
}

void TACSThread::fail(const std::exception& error)
{
    try {
        m_failure(error);
    } catch (...) {
        // An event handler that raises must not take the worker down with it.
    }
}

void TACSThread::run()
{
    for (;;) {
        std::uint64_t startsBefore = 0;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return !m_suspended || QuitRequest; });
            if (QuitRequest) {
                break;
            }
            const std::int32_t delay = Delay;
            if (delay > 5) {
                // The pace of the loop; a quit cuts the pause short.
                m_wake.wait_for(lock, std::chrono::milliseconds(delay), [this] { return bool(QuitRequest); });
                if (QuitRequest) {
                    break;
                }
            }
            startsBefore = m_starts;
        }
        try {
            if (!m_step(StopRequest)) {
                StopRequest = false;
                m_done();
                afterTransfer(startsBefore);
            }
        } catch (const std::exception& error) {
            StopRequest = false;
            fail(error);
            afterTransfer(startsBefore);
        } catch (...) {
            StopRequest = false;
            fail(EACSException("Unknown error"));
            afterTransfer(startsBefore);
        }
    }
    bool finalStep = false;
    {
        std::lock_guard guard(m_mutex);
        finalStep = m_finalStep;
    }
    if (finalStep) {
        try {
            m_step(true);
        } catch (...) {
            // The worker is going away; nobody is left to hear about it.
        }
    }
    QuitRequest = false;
}
