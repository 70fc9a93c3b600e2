#include "audio/TACSConverter.h"

TACSConverter::TACSConverter(QObject* owner) : TACSInput(owner), m_link([this] { return Busy(); }) {}

TACSConverter::~TACSConverter()
{
    releaseHolders();
}

void TACSConverter::SetInput(TACSInput* input)
{
    if (input == this) {
        return;
    }
    m_link.setInput(input);
}

void TACSConverter::UnlockChain()
{
    // Walked as a loop, not by recursion, so a chain wired into a circle cannot run away.
    TACSConverter* converter = this;
    do {
        converter->m_link.unlock();
        converter = dynamic_cast<TACSConverter*>(converter->Input());
    } while (converter && converter != this);
}
