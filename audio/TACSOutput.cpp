#include "audio/TACSOutput.h"

#include "audio/EACSException.h"
#include "audio/TACSConverter.h"
#include "audio/TACSInput.h"
#include "common/Rounding.h"

TACSOutput::TACSOutput(QObject* owner) : QObject(owner), m_link([this] { return Busy(); })
{
    m_thread =
        std::make_unique<TACSThread>([this](bool abort) { return ProduceBlock(abort); }, [this] { doneHandler(); },
                                     [this](const std::exception& error) { failureHandler(error); });
}

TACSOutput::~TACSOutput()
{
    // A concrete output has ended the worker already; this only catches one that did not,
    // and then the step must not run again on a half-destroyed object.
    if (!m_workerEnded) {
        m_thread->quit(false);
    }
}

void TACSOutput::endWorker()
{
    if (m_workerEnded) {
        return;
    }
    m_workerEnded = true;
    m_thread->quit(true);
    if (Busy()) {
        m_canOutput = false;
        try {
            FinishOutput();
        } catch (...) {
            // The owner is going away; the transfer ends here whatever happens.
        }
        setIdle();
    }
}

void TACSOutput::SetInput(TACSInput* input)
{
    m_link.setInput(input);
}

void TACSOutput::Start()
{
    if (Busy()) {
        throw EACSException("Component is buisy");
    }
    TACSInput* input = Input();
    if (!input) {
        throw EACSException("Input is not assigned");
    }
    m_link.unlock();
    const bool inputWasBusy = input->Busy();
    try {
        PrepareOutput();
    } catch (const std::exception& error) {
        // A sink may fail after it opened its input (an append or format check); close
        // the input again so the chain can be started once more.
        if (!inputWasBusy && input == Input() && input->Busy()) {
            input->ResetInput();
        }
        failureHandler(error);
        return;
    }
    m_busy = true;
    m_thread->StopRequest = false;
    m_canOutput = true;
    m_thread->resumeForStart();
}

void TACSOutput::Stop()
{
    m_thread->StopRequest = true;
}

void TACSOutput::Pause()
{
    if (!m_thread->suspended()) {
        m_thread->suspend();
    }
}

void TACSOutput::Resume()
{
    if (m_thread->suspended()) {
        m_thread->resume();
    }
}

TOutputStatus TACSOutput::OutputStatus() const
{
    if (!Busy()) {
        return osIdle;
    }
    return m_thread->suspended() ? osPaused : osBusy;
}

std::int32_t TACSOutput::Progress() const
{
    TACSInput* input = Input();
    if (!input) {
        return 0;
    }
    const std::int32_t size = input->Size();
    if (size == -1) {
        return -1;
    }
    if (size == 0) {
        return 0;
    }
    return std::int32_t(tarnwick::roundHalfEven(double(input->Position()) / double(size) * 100.0));
}

void TACSOutput::SetDelay(std::int32_t milliseconds)
{
    if (milliseconds <= 100) {
        m_thread->Delay = milliseconds;
    }
}

void TACSOutput::reportProgress()
{
    const std::int32_t progress = Progress();
    if (progress != m_lastProgress) {
        m_lastProgress = progress;
        if (OnProgress) {
            OnProgress(this);
        }
    }
}

bool TACSOutput::stepPreamble(bool abort, bool inputEnded, bool& result)
{
    if (!CanOutput()) {
        result = true;
        return false;
    }
    reportProgress();
    if (abort || inputEnded) {
        result = false;
        return false;
    }
    return true;
}

void TACSOutput::doneHandler()
{
    if (!Busy()) {
        return;
    }
    m_canOutput = false;
    FinishOutput();
    setIdle();
    if (OnDone) {
        OnDone(this);
    }
}

void TACSOutput::failureHandler(const std::exception& error)
{
    m_link.unlock();
    if (OutputStatus() != osIdle) {
        try {
            if (auto* converter = dynamic_cast<TACSConverter*>(Input())) {
                converter->UnlockChain();
            }
        } catch (...) {
        }
        try {
            FinishOutput();
        } catch (...) {
            // The error being reported is the one that matters.
        }
    }
    m_canOutput = false;
    setIdle();
    if (OnThreadException) {
        OnThreadException(this, error);
    }
}

void TACSOutput::setIdle()
{
    {
        std::lock_guard guard(m_idleMutex);
        m_busy = false;
    }
    m_idle.notify_all();
}

void TACSOutput::waitForIdle()
{
    std::unique_lock lock(m_idleMutex);
    m_idle.wait(lock, [this] { return !Busy(); });
}
