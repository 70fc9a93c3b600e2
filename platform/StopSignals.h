#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

// The user's request to stop (SIGINT from Ctrl+C, SIGTERM from a service manager, a
// desktop's log-out or kill, SIGHUP from a closed terminal) as a signal on the thread that
// created the watch. While a watch exists, none of them ends the program by itself; the
// watch's owner cleans up and exits. A signal the program was started with ignored (nohup,
// a background job) stays ignored, and one it was started with blocked is unblocked.
// One watch at a time: the end of a watch gives each signal back what it did before.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    // What a further signal does once one has come: reported like the first (the owner is
    // still working towards the end), or the end of the program at once, as if no watch
    // existed (the owner's clean-up takes too long for the user).
    enum class Repeat { Reported, EndsProgram };

    explicit StopSignals(Repeat repeat = Repeat::Reported, QObject* parent = nullptr);
    ~StopSignals() override;

    // Set the moment a stop signal arrives, before any event about it is handled: a
    // child killed by the same Ctrl+C must not be taken for one that finished.
    static bool received();
    // The signal number of the first stop request; 0 when none came.
    static int signalNumber();
    // Forgets a stop request (tests run several watches in one process).
    static void reset();

signals:
    void stopRequested(int signalNumber);

private:
    void readPipe();

    int m_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
};
