#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <vector>

class TACSInputLink;

// Any source of PCM: interleaved frames, left first, little-endian, 8-bit unsigned or
// 16-bit signed, 1 or 2 channels. A reader takes the data exactly in the reported format.
//
// Position, Size and Busy are read by other threads (a window asking for progress while
// the sink's worker reads), so they are atomic.
class TACSInput : public QObject
{
public:
    explicit TACSInput(QObject* owner = nullptr);
    ~TACSInput() override;

    virtual std::int32_t SampleBits() = 0;
    virtual std::int32_t ChannelCount() = 0;
    virtual std::int32_t SampleRate() = 0;
    virtual std::int32_t DurationSeconds();
    // Copies up to bufferSize bytes into buffer; 0 means the end.
    virtual std::int32_t ReadData(void* buffer, std::int32_t bufferSize) = 0;
    // Closes the pass whatever state it is in; never raises.
    virtual void ResetInput();
    virtual void OpenInput() = 0;
    virtual void CloseInput() = 0;

    std::int32_t Position() const { return m_position.load(); }
    std::int32_t Size() const { return m_size.load(); }
    bool Busy() const { return m_busy.load(); }

protected:
    // Tells every output and converter that reads from this component to let go of it.
    // Every concrete source calls this first in its destructor, while the object is still
    // whole: a holder that is mid-read finishes that read before it forgets the source.
    void releaseHolders();

    // Staging buffer indices, 1-based; start greater than end means empty.
    std::int32_t stagedBytes() const { return m_bufferEnd - m_bufferStart + 1; }

    std::atomic<std::int32_t> m_position{0};
    std::atomic<std::int32_t> m_size{0};
    std::atomic<bool> m_busy{false};
    std::int32_t m_bufferStart = 1;
    std::int32_t m_bufferEnd = 0;

private:
    friend class TACSInputLink;
    void addHolder(TACSInputLink* link);
    void removeHolder(TACSInputLink* link);

    std::vector<TACSInputLink*> m_holders; // guarded by the registry lock in TACSInput.cpp
};
