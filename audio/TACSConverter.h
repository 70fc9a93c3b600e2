#pragma once

#include "audio/TACSInput.h"
#include "audio/TACSInputLink.h"

// A source that reads another source and changes its data on the way.
class TACSConverter : public TACSInput
{
public:
    explicit TACSConverter(QObject* owner = nullptr);
    ~TACSConverter() override;

    TACSInput* Input() const { return m_link.input(); }
    // A converter given itself ignores it; a busy one swaps between two reads.
    virtual void SetInput(TACSInput* input);
    bool InputLock() const { return m_link.isLocked(); }

    // Frees this converter's InputLock and that of every converter below it, so a chain
    // whose reader failed mid-read can be finished and used again.
    void UnlockChain();

protected:
    // ReadData on the input while holding InputLock; 0 without an input.
    std::int32_t readInput(void* buffer, std::int32_t count) { return m_link.read(buffer, count); }
    TACSInputLink m_link;
};
