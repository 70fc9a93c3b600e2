#include "audio/TACSFileOut.h"

TACSFileOut::TACSFileOut(QObject* owner) : TACSStreamedOutput(owner) {}

void TACSFileOut::SetFileMode(TFileOutputMode)
{
    m_fileMode = foRewrite;
}
