#pragma once

#include "audio/TACSInput.h"

class QIODevice;

// A source that reads a byte stream. A stream handed in by the caller (StreamAssigned)
// is neither opened nor freed by the component.
class TACSStreamedInput : public TACSInput
{
public:
    explicit TACSStreamedInput(QObject* owner = nullptr);

    QIODevice* Stream() const { return m_stream; }
    // nullptr takes the stream back: the component opens its own file again.
    void SetStream(QIODevice* stream);
    bool StreamAssigned() const { return m_streamAssigned; }
    bool Seekable() const { return m_seekable; }
    void SetSeekable(bool seekable) { m_seekable = seekable; }

protected:
    QIODevice* m_stream = nullptr;
    bool m_streamAssigned = false;
    bool m_seekable = true;
};
