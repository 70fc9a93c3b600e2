#pragma once

#include "platform/ChildProcess.h"

#include <QThread>
#include <memory>

class EncodeSession;
class TEncodeProcess;

// Watches one encoder run: peeks at both output pipes and waits for the child, and hands
// every read, every parse and the end of the run to the window thread. It never touches
// the process object itself; the window calls do, and only while the run is not stopped.
class TEncodeThread : public QThread
{
    Q_OBJECT

public:
    // Created running; it deletes itself (deleteLater) once it has finished.
    TEncodeThread(TEncodeProcess* process, std::shared_ptr<EncodeSession> session);
    ~TEncodeThread() override;

    // A pass with no output waits at most this long for the child to end.
    static constexpr int IdleWaitMs = 100;

protected:
    void run() override;

private:
    // Reads what each pipe holds, in the window thread. False when the run was stopped.
    bool readPass(bool& idle);

    TEncodeProcess* m_process;
    std::shared_ptr<EncodeSession> m_session;
};
