#pragma once

#include "audio/TACSOutput.h"

class QIODevice;

// A sink that writes a byte stream. A stream handed in by the caller (StreamAssigned) is
// neither opened nor closed by the component.
class TACSStreamedOutput : public TACSOutput
{
public:
    explicit TACSStreamedOutput(QObject* owner = nullptr);

    QIODevice* Stream() const { return m_stream; }
    // nullptr takes the stream back: the component writes its own file again.
    void SetStream(QIODevice* stream);
    bool StreamAssigned() const { return m_streamAssigned; }

protected:
    QIODevice* m_stream = nullptr;
    bool m_streamAssigned = false;
};
