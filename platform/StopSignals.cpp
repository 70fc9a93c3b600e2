#include "platform/StopSignals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::atomic<int> g_signal{0};
std::atomic<int> g_writeFd{-1};

// Only async-signal-safe work here: remember the first signal and wake the event loop.
void onStopSignal(int number)
{
    const int saved = errno;
    int expected = 0;
    g_signal.compare_exchange_strong(expected, number);
    const int fd = g_writeFd.load();
    if (fd >= 0) {
        const char byte = static_cast<char>(number);
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
    errno = saved;
}

void setHandler(int number, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(number, &action, nullptr);
}

} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_pipe[0] = m_pipe[1] = -1;
        return;
    }
    g_writeFd.store(m_pipe[1]);
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &StopSignals::readPipe);
    setHandler(SIGINT, onStopSignal);
    setHandler(SIGTERM, onStopSignal);
    // A signal that came before the pipe existed is still reported.
    if (g_signal.load() != 0) {
        onStopSignal(g_signal.load());
    }
}

StopSignals::~StopSignals()
{
    setHandler(SIGINT, SIG_DFL);
    setHandler(SIGTERM, SIG_DFL);
    g_writeFd.store(-1);
    m_notifier.reset();
    for (int& fd : m_pipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

bool StopSignals::received()
{
    return g_signal.load() != 0;
}

int StopSignals::signalNumber()
{
    return g_signal.load();
}

void StopSignals::reset()
{
    g_signal.store(0);
}

void StopSignals::readPipe()
{
    char bytes[64];
    while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
    }
    emit stopRequested(g_signal.load());
}
