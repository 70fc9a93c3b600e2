#include "encoders/TEncodeThread.h"

#include "encoders/EncodeSession.h"
#include "encoders/TEncodeProcess.h"

TEncodeThread::TEncodeThread(TEncodeProcess* process, std::shared_ptr<EncodeSession> session)
    : m_process(process), m_session(std::move(session))
{
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

TEncodeThread::~TEncodeThread() = default;

bool TEncodeThread::readPass(bool& idle)
{
    idle = true;
    for (const auto stream : {ChildProcess::Stream::Output, ChildProcess::Stream::Error}) {
        const int count = m_session->bytesAvailable(stream);
        if (count > 0) {
            idle = false;
            TEncodeProcess* process = m_process;
            if (!m_session->callInWindow([process, stream, count] { process->readPipe(stream, count); })) {
                return false;
            }
        }
    }
    return true;
}

void TEncodeThread::run()
{
    for (;;) {
        bool idle = true;
        if (!readPass(idle) || (idle && m_session->isStopped())) {
            return;
        }
        if (!idle || !m_session->waitForEnd(IdleWaitMs)) {
            continue;
        }
        // The child has ended: what it wrote last may still wait in the pipes.
        do {
            if (!readPass(idle)) {
                return;
            }
        } while (!idle);
        TEncodeProcess* process = m_process;
        if (!m_session->callInWindow([process] { process->processEnded(); })) {
            return;
        }
    }
}
