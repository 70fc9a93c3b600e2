#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

class TACSInput;

// The link from a reader (an output or a converter) to the source it pulls from, with
// the InputLock that keeps a swap of the source from landing in the middle of a read.
//
// InputLock is a flag rather than a mutex because the failure handler (and UnlockChain)
// clears it from whichever thread met the error, which a mutex does not allow.
class TACSInputLink
{
public:
    // holderBusy tells whether the reader is in a transfer: a busy reader opens the new
    // source before the swap and closes the old one after it.
    explicit TACSInputLink(std::function<bool()> holderBusy);
    ~TACSInputLink();
    TACSInputLink(const TACSInputLink&) = delete;
    TACSInputLink& operator=(const TACSInputLink&) = delete;

    TACSInput* input() const { return m_input.load(); }
    void setInput(TACSInput* input);

    // Waits until the flag is free, then takes it (atomically).
    void lock();
    void unlock();
    bool isLocked() const { return m_locked.load(); }

    // ReadData on the source while holding the lock; 0 when there is no source.
    std::int32_t read(void* buffer, std::int32_t count);

private:
    friend class TACSInput;
    // Called by a source that is being destroyed: forget it without touching it further
    // (it closes itself), but only once no read is under way.
    void inputDestroyed(TACSInput* input);

    std::function<bool()> m_holderBusy;
    std::atomic<TACSInput*> m_input{nullptr};
    std::atomic<bool> m_locked{false};
};
