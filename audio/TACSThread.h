#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

// The worker of one output. It runs the output's step over and over, at the Delay pace,
// and hands the end of a transfer to the done handler and an error to the failure handler.
//
// Suspension is a wait on a condition: a suspended worker sits at the top of its loop
// until it is resumed or told to quit, so it is never stopped while holding a lock.
class TACSThread
{
public:
    using Step = std::function<bool(bool abort)>;
    using DoneHandler = std::function<void()>;
    using FailureHandler = std::function<void(const std::exception& error)>;

    // Created suspended; the thread starts at once and waits to be resumed.
    TACSThread(Step step, DoneHandler done, FailureHandler failure);
    // Quits (see quit) if that has not happened yet.
    ~TACSThread();
    TACSThread(const TACSThread&) = delete;
    TACSThread& operator=(const TACSThread&) = delete;

    void suspend();
    void resume();
    bool suspended() const;
    // Counts a start: a worker that finishes the previous transfer after this point does
    // not suspend itself, so a Start made from inside OnDone is not lost.
    void resumeForStart();

    // Ends the loop and waits for the thread. With finalStep the step is called once more
    // with abort set, as the worker's last act. Must not be called from the worker itself.
    void quit(bool finalStep);
    bool isWorkerThread() const { return std::this_thread::get_id() == m_thread.get_id(); }

    std::atomic<bool> SuspendWhenIdle{true};
    std::atomic<bool> QuitRequest{false};
    std::atomic<bool> StopRequest{false};
    std::atomic<std::int32_t> Delay{0};

private:
    void run();
    void afterTransfer(std::uint64_t startsBefore);
    void fail(const std::exception& error);

    Step m_step;
    DoneHandler m_done;
    FailureHandler m_failure;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_suspended = true;
    bool m_finalStep = true;
    std::uint64_t m_starts = 0;
    std::thread m_thread;
};
