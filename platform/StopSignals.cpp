#include "platform/StopSignals.h"

#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

namespace {

constexpr std::array kStopSignals{SIGINT, SIGTERM, SIGHUP};

std::atomic<int> g_signal{0};
std::atomic<int> g_writeFd{-1};
std::atomic<bool> g_repeatEnds{false};
// What each signal did before the watch, for the watch's end; only the watch's thread
// touches it.
std::array<struct sigaction, kStopSignals.size()> g_previous{};
std::array<bool, kStopSignals.size()> g_handled{};

// Only async-signal-safe work here: remember the first signal and wake the event loop.
void onStopSignal(int number)
{
    const int saved = errno;
    int expected = 0;
    if (!g_signal.compare_exchange_strong(expected, number) && g_repeatEnds.load()) {
        // The signal is blocked while its handler runs: raised again with the default
        // action, it ends the program the moment this handler returns.
        struct sigaction fallback = {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        ::sigaction(number, &fallback, nullptr);
        ::raise(number);
        errno = saved;
        return;
    }
    const int fd = g_writeFd.load();
    if (fd >= 0) {
        const char byte = static_cast<char>(number);
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

StopSignals::StopSignals(Repeat repeat, QObject* parent) : QObject(parent)
{
    if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        m_pipe[0] = m_pipe[1] = -1;
        return;
    }
    g_writeFd.store(m_pipe[1]);
    g_repeatEnds.store(repeat == Repeat::EndsProgram);
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &StopSignals::readPipe);
    sigset_t handled;
    sigemptyset(&handled);
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        ::sigaction(kStopSignals[i], nullptr, &g_previous[i]);
        g_handled[i] = g_previous[i].sa_handler != SIG_IGN;
        if (!g_handled[i]) {
            continue;
        }
        struct sigaction action = {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(kStopSignals[i], &action, nullptr);
        sigaddset(&handled, kStopSignals[i]);
    }
    // A signal sent while the program starts with the signals blocked arrives here.
    pthread_sigmask(SIG_UNBLOCK, &handled, nullptr);
    // A signal that came before the pipe existed is still reported.
    if (g_signal.load() != 0) {
        const char byte = static_cast<char>(g_signal.load());
        [[maybe_unused]] const ssize_t ignored = ::write(m_pipe[1], &byte, 1);
    }
}

StopSignals::~StopSignals()
{
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        if (g_handled[i]) {
            ::sigaction(kStopSignals[i], &g_previous[i], nullptr);
            g_handled[i] = false;
        }
    }
    g_repeatEnds.store(false);
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
