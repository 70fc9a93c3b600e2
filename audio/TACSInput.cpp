#include "audio/TACSInput.h"

#include "audio/TACSInputLink.h"

#include <algorithm>
#include <mutex>

namespace {
// One lock for every input's list of holders: links are made and broken rarely, and a
// single lock cannot be taken in two orders.
std::mutex& registryLock()
{
    static std::mutex lock;
    return lock;
}
} // namespace

TACSInput::TACSInput(QObject* owner) : QObject(owner) {}

TACSInput::~TACSInput()
{
    releaseHolders();
}

std::int32_t TACSInput::DurationSeconds()
{
    return 0;
}

void TACSInput::ResetInput()
{
    try {
        CloseInput();
    } catch (...) {
        // A reset must leave the source closed even when closing fails.
    }
    m_busy = false;
}

void TACSInput::releaseHolders()
{
    std::lock_guard guard(registryLock());
    for (TACSInputLink* link : m_holders) {
        link->inputDestroyed(this);
    }
    m_holders.clear();
}

void TACSInput::addHolder(TACSInputLink* link)
{
    std::lock_guard guard(registryLock());
    if (std::find(m_holders.begin(), m_holders.end(), link) == m_holders.end()) {
        m_holders.push_back(link);
    }
}

void TACSInput::removeHolder(TACSInputLink* link)
{
    std::lock_guard guard(registryLock());
    m_holders.erase(std::remove(m_holders.begin(), m_holders.end(), link), m_holders.end());
}
