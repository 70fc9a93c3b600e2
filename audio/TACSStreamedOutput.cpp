#include "audio/TACSStreamedOutput.h"

TACSStreamedOutput::TACSStreamedOutput(QObject* owner) : TACSOutput(owner) {}

void TACSStreamedOutput::SetStream(QIODevice* stream)
{
    m_stream = stream;
    m_streamAssigned = stream != nullptr;
}
