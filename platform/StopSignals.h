#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

// The user's request to stop (SIGINT from Ctrl+C, SIGTERM from a service manager or
// kill) as a signal on the thread that created the watch. While a watch exists, neither
// signal ends the program by itself; the watch's owner cleans up and exits.
class StopSignals : public QObject
{
    Q_OBJECT

public:
    explicit StopSignals(QObject* parent = nullptr);
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
