#pragma once

#include "audio/EACSException.h"
#include "audio/TACSConverter.h"
#include "audio/TACSOutput.h"

#include <QByteArray>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

// A source of known bytes whose reads can be held back one at a time, so a test can keep a
// transfer running for as long as it needs without sleeping.
class GatedSource : public TACSInput
{
public:
    explicit GatedSource(QByteArray data, bool gated = false, std::int32_t chunk = 4)
        : m_data(std::move(data)), m_gated(gated), m_chunk(chunk)
    {
        m_size = m_data.size();
    }
    ~GatedSource() override { releaseHolders(); }

    std::int32_t SampleBits() override { return 16; }
    std::int32_t ChannelCount() override { return 2; }
    std::int32_t SampleRate() override { return 44100; }
    void OpenInput() override
    {
        if (Busy()) {
            throw EACSException("The component is buisy");
        }
        std::lock_guard guard(m_mutex);
        ++m_opens;
        m_offset = 0;
        m_position = 0;
        m_busy = true;
    }
    void CloseInput() override
    {
        std::lock_guard guard(m_mutex);
        ++m_closes;
        m_busy = false;
    }
    std::int32_t ReadData(void* buffer, std::int32_t bufferSize) override
    {
        std::unique_lock lock(m_mutex);
        ++m_readsWaiting;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_gated || m_permits > 0; });
        --m_readsWaiting;
        if (m_gated) {
            --m_permits;
        }
        ++m_reads;
        m_changed.notify_all();
        if (m_failAtRead == m_reads) {
            throw EACSException("read failed");
        }
        const std::int32_t n = std::min({bufferSize, m_chunk, std::int32_t(m_data.size()) - m_offset});
        std::memcpy(buffer, m_data.constData() + m_offset, size_t(n));
        m_offset += n;
        m_position = m_offset;
        return n;
    }

    // Lets `count` more reads through.
    void allow(int count)
    {
        std::lock_guard guard(m_mutex);
        m_permits += count;
        m_changed.notify_all();
    }
    void ungate()
    {
        std::lock_guard guard(m_mutex);
        m_gated = false;
        m_changed.notify_all();
    }
    // Waits until a reader is blocked inside ReadData.
    void waitForBlockedRead()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_readsWaiting > 0 && m_permits == 0; });
    }
    void failAtRead(int read)
    {
        std::lock_guard guard(m_mutex);
        m_failAtRead = read;
    }
    void setSize(std::int32_t size) { m_size = size; }
    void setPosition(std::int32_t position) { m_position = position; }
    int opens()
    {
        std::lock_guard guard(m_mutex);
        return m_opens;
    }
    int closes()
    {
        std::lock_guard guard(m_mutex);
        return m_closes;
    }

private:
    QByteArray m_data;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_gated;
    std::int32_t m_chunk;
    std::int32_t m_offset = 0;
    int m_permits = 0;
    int m_readsWaiting = 0;
    int m_reads = 0;
    int m_failAtRead = 0;
    int m_opens = 0;
    int m_closes = 0;
};

// A converter that passes its input through unchanged.
class PassConverter : public TACSConverter
{
public:
    std::int32_t SampleBits() override { return Input()->SampleBits(); }
    std::int32_t ChannelCount() override { return Input()->ChannelCount(); }
    std::int32_t SampleRate() override { return Input()->SampleRate(); }
    void OpenInput() override
    {
        Input()->OpenInput();
        m_size = Input()->Size();
        m_busy = true;
    }
    void CloseInput() override
    {
        if (Input()) {
            Input()->CloseInput();
        }
        m_busy = false;
    }
    std::int32_t ReadData(void* buffer, std::int32_t bufferSize) override
    {
        const std::int32_t n = readInput(buffer, bufferSize);
        m_position += n;
        return n;
    }
    void lockInput() { m_link.lock(); }
};

// A sink that collects what it reads, with the three-step opening of the file sinks. The
// events it reports are recorded and can be waited for.
class CollectingOutput : public TACSOutput
{
public:
    enum class PrepareFailure { none, beforeOpen, afterOpen };

    CollectingOutput()
    {
        OnDone = [this](TACSOutput*) { note(m_dones); };
        OnThreadException = [this](TACSOutput*, const std::exception& e) {
            std::lock_guard guard(m_mutex);
            m_errors.push_back(e.what());
            m_changed.notify_all();
        };
    }
    ~CollectingOutput() override { endWorker(); }

    void FinishOutput() override
    {
        if (Input()) {
            Input()->CloseInput();
        }
        note(m_finishes);
    }

    PrepareFailure prepareFailure = PrepareFailure::none;

    QByteArray received()
    {
        std::lock_guard guard(m_mutex);
        return m_received;
    }
    int dones()
    {
        std::lock_guard guard(m_mutex);
        return m_dones;
    }
    int finishes()
    {
        std::lock_guard guard(m_mutex);
        return m_finishes;
    }
    std::vector<std::string> errors()
    {
        std::lock_guard guard(m_mutex);
        return m_errors;
    }
    void waitForDones(int count)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_dones >= count; });
    }
    void waitForErrors(size_t count)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_errors.size() >= count; });
    }
    std::int32_t threadDelay() { return thread().Delay; }

protected:
    void PrepareOutput() override
    {
        m_ended = false;
        if (prepareFailure == PrepareFailure::beforeOpen) {
            throw EACSException("File name is not assigned.");
        }
        Input()->OpenInput();
        if (prepareFailure == PrepareFailure::afterOpen) {
            throw EACSException("Cannot append data in different audio format.");
        }
    }
    bool ProduceBlock(bool abort) override
    {
        bool result = false;
        if (!stepPreamble(abort, m_ended, result)) {
            return result;
        }
        char buffer[64];
        const std::int32_t n = readInput(buffer, sizeof buffer);
        if (n <= 0) {
            m_ended = true;
            return false;
        }
        std::lock_guard guard(m_mutex);
        m_received.append(buffer, n);
        return true;
    }

private:
    void note(int& counter)
    {
        std::lock_guard guard(m_mutex);
        ++counter;
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    QByteArray m_received;
    std::vector<std::string> m_errors;
    int m_dones = 0;
    int m_finishes = 0;
    bool m_ended = false;
};

inline QByteArray countingBytes(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = char(i * 7 + 1);
    }
    return bytes;
}
