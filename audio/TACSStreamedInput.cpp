#include "audio/TACSStreamedInput.h"

TACSStreamedInput::TACSStreamedInput(QObject* owner) : TACSInput(owner) {}

void TACSStreamedInput::SetStream(QIODevice* stream)
{
    m_stream = stream;
    m_streamAssigned = stream != nullptr;
}
