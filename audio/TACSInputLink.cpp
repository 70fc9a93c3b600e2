#include "audio/TACSInputLink.h"

#include "audio/TACSInput.h"

TACSInputLink::TACSInputLink(std::function<bool()> holderBusy) : m_holderBusy(std::move(holderBusy)) {}

TACSInputLink::~TACSInputLink()
{
    if (TACSInput* old = m_input.load()) {
        old->removeHolder(this);
    }
}

void TACSInputLink::setInput(TACSInput* input)
{
    TACSInput* old = m_input.load();
    if (input == old) {
        return;
    }
    if (!m_holderBusy()) {
        if (old) {
            old->removeHolder(this);
        }
        if (input) {
            input->addHolder(this);
        }
        m_input = input;
        return;
    }
    // A running transfer goes on from the new source: open it first, swap between two
    // reads, then close the old one.
    if (input) {
        input->OpenInput();
        input->addHolder(this);
    }
    lock();
    m_input = input;
    unlock();
    if (old) {
        old->removeHolder(this);
        old->CloseInput();
    }
}

void TACSInputLink::lock()
{
    while (m_locked.exchange(true, std::memory_order_acquire)) {
        m_locked.wait(true, std::memory_order_relaxed);
    }
}

void TACSInputLink::unlock()
{
    m_locked.store(false, std::memory_order_release);
    m_locked.notify_all();
}

std::int32_t TACSInputLink::read(void* buffer, std::int32_t count)
{
    lock();
    std::int32_t result = 0;
    try {
        if (TACSInput* source = m_input.load()) {
            result = source->ReadData(buffer, count);
        }
    } catch (...) {
        unlock();
        throw;
    }
    unlock();
    return result;
}

void TACSInputLink::inputDestroyed(TACSInput* input)
{
    if (m_input.load() != input) {
        return;
    }
    if (!m_holderBusy()) {
        m_input = nullptr;
        return;
    }
    lock();
    m_input = nullptr;
    unlock();
}
