#pragma once

#include "audio/TACSInputLink.h"
#include "audio/TACSThread.h"

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

class TACSInput;
class TACSOutput;

enum TOutputStatus { osBusy = 0, osPaused = 1, osIdle = 2 };

using TOutputDoneEvent = std::function<void(TACSOutput* sender)>;
using TOutputProgressEvent = std::function<void(TACSOutput* sender)>;
using TThreadExceptionEvent = std::function<void(TACSOutput* sender, const std::exception& error)>;

// Any sink. It pulls PCM from its Input on a worker thread of its own: Start returns at
// once, and OnProgress, OnDone and OnThreadException of a running transfer come from the
// worker thread, concurrently with the window that started it.
//
// Every concrete output calls endWorker() first in its destructor, so the worker is gone
// before the parts of the object it works on are.
class TACSOutput : public QObject
{
public:
    explicit TACSOutput(QObject* owner = nullptr);
    ~TACSOutput() override;

    TACSInput* Input() const { return m_link.input(); }
    virtual void SetInput(TACSInput* input);
    bool SuspendWhenIdle() const { return m_thread->SuspendWhenIdle; }
    void SetSuspendWhenIdle(bool suspend) { m_thread->SuspendWhenIdle = suspend; }

    TOutputDoneEvent OnDone;
    TOutputProgressEvent OnProgress;
    TThreadExceptionEvent OnThreadException;

    bool Busy() const { return m_busy.load(); }
    bool CanOutput() const { return m_canOutput.load(); }
    std::int32_t LastProgress() const { return m_lastProgress.load(); }
    bool InputLock() const { return m_link.isLocked(); }

    // Begins a transfer. Raises "Component is buisy" or "Input is not assigned"; a failure
    // to prepare goes to OnThreadException only.
    void Start();
    // Asks the worker to end the transfer; the end comes through OnDone.
    void Stop();
    void Pause();
    void Resume();
    TOutputStatus OutputStatus() const;
    // Percentage of the input delivered: 0 without an input or for an empty one, -1 when
    // the input's size is unknown.
    std::int32_t Progress() const;
    // Pause in milliseconds between two steps of the worker; above 100 is ignored and
    // 5 or less means no pause.
    void SetDelay(std::int32_t milliseconds);

    // Ends the transfer: closes the target and the input.
    virtual void FinishOutput() = 0;

    // Waits until no transfer is under way. Not from the worker thread (it would wait for
    // itself), and not while the worker waits for the caller.
    void waitForIdle();

protected:
    // One step of work; true while there is more to do. Runs on the worker thread.
    virtual bool ProduceBlock(bool abort) = 0;
    // Begins a transfer: opens the target, opens the input, writes headers.
    virtual void PrepareOutput() = 0;

    // The opening shared by the file sinks' steps: an idle worker spins (true), progress
    // is reported, and an abort or a finished input ends the transfer (false). Returns
    // false in `result`'s place when the step should go no further.
    bool stepPreamble(bool abort, bool inputEnded, bool& result);
    void reportProgress();
    // ReadData on the input while holding InputLock; 0 without an input.
    std::int32_t readInput(void* buffer, std::int32_t count) { return m_link.read(buffer, count); }

    // Stops and joins the worker; a transfer still under way is finished without events
    // (the target is closed, the input too). Idempotent.
    void endWorker();

    TACSThread& thread() { return *m_thread; }

    TACSInputLink m_link;
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_canOutput{false};
    std::atomic<std::int32_t> m_lastProgress{0};

private:
    void doneHandler();
    void failureHandler(const std::exception& error);
    void setIdle();

    std::unique_ptr<TACSThread> m_thread;
    bool m_workerEnded = false;
    std::mutex m_idleMutex;
    std::condition_variable m_idle;
};
