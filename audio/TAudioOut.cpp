#include "audio/TAudioOut.h"

#include "audio/EACSException.h"
#include "audio/SampleBytes.h"
#include "audio/TACSInput.h"
#include "platform/WaveAudio.h"

#include <QString>
#include <array>

struct TAudioOut::Block
{
    WaveBlock header;
    std::array<std::uint8_t, blockBytes> data;
};

TAudioOut::TAudioOut(QObject* owner) : TACSOutput(owner)
{
    SetDelay(6);
}

TAudioOut::~TAudioOut()
{
    endWorker();
    closeDevice();
    releaseFinished();
}

void TAudioOut::SetBaseChannel(std::int32_t channel)
{
    if (Busy()) {
        throw EACSException("Component is buisy");
    }
    const int devices = WaveAudio::instance().outputDeviceCount();
    if (devices <= 0) {
        m_baseChannel = 0;
        return;
    }
    if (channel >= devices) {
        throw EACSException(QStringLiteral("Channel %1 is not available").arg(channel));
    }
    m_baseChannel = channel;
}

void TAudioOut::PrepareOutput()
{
    TACSInput* input = Input();
    input->OpenInput();
    PcmFormat format;
    format.sampleRate = input->SampleRate();
    format.channels = input->ChannelCount();
    format.bitsPerSample = input->SampleBits();
    m_bits = format.bitsPerSample;
    m_queued = 0;
    releaseFinished();
    try {
        m_device =
            WaveAudio::instance().openOutput(m_baseChannel, format, [this](WaveBlock* header) { blockDone(header); });
    } catch (const WaveAudioError& error) {
        throw EACSException(QString::fromStdString(error.what()));
    }
}

bool TAudioOut::ProduceBlock(bool abort)
{
    if (!Busy()) {
        return true;
    }
    if (abort || !CanOutput()) {
        return false;
    }
    releaseFinished();
    // A Stop that comes while this step runs queues nothing more: what the listener has
    // not been given yet is never played.
    while (m_queued <= queueDepth && !thread().StopRequest) {
        auto block = std::make_unique<Block>();
        const std::int32_t got = readInput(block->data.data(), blockBytes);
        if (got < 1) {
            return false;
        }
        applyVolume(block->data.data(), got);
        block->header.data = block->data.data();
        block->header.length = std::uint32_t(got);
        block->header.user = block.get();
        ++m_queued;
        try {
            m_device->write(&block->header);
        } catch (const WaveAudioError& error) {
            --m_queued;
            throw EACSException(QString::fromStdString(error.what()));
        }
        // The device holds it now and hands it back through blockDone.
        block.release();
    }
    TACSInput* input = Input();
    if (OnProgress && input && input->Size() > 0) {
        reportProgress();
    }
    return true;
}

void TAudioOut::FinishOutput()
{
    if (m_device) {
        {
            std::unique_lock lock(m_returnMutex);
            m_returned.wait(lock, [this] { return m_queued.load() == 0; });
        }
        releaseFinished();
        closeDevice();
    }
    if (TACSInput* input = Input()) {
        input->CloseInput();
    }
}

void TAudioOut::blockDone(WaveBlock* header)
{
    header->next = nullptr;
    if (m_finishedTail) {
        m_finishedTail->next = header;
    } else {
        m_finishedHead = header;
    }
    m_finishedTail = header;
    {
        std::lock_guard lock(m_returnMutex);
        --m_queued;
    }
    m_returned.notify_all();
}

void TAudioOut::releaseFinished()
{
    WaveBlock* header = nullptr;
    {
        std::lock_guard lock(WaveAudio::callbackLock());
        header = m_finishedHead;
        m_finishedHead = nullptr;
        m_finishedTail = nullptr;
    }
    while (header) {
        WaveBlock* next = header->next;
        delete static_cast<Block*>(header->user);
        header = next;
    }
}

void TAudioOut::closeDevice()
{
    if (m_device) {
        // Closing waits until the device has handed back every block it still holds.
        m_device->close();
        m_device.reset();
    }
}

void TAudioOut::applyVolume(std::uint8_t* data, std::int32_t length) const
{
    const std::int32_t volume = m_volume.load();
    if (volume == 255) {
        return;
    }
    if (m_bits == 8) {
        for (std::int32_t i = 0; i < length; ++i) {
            data[i] = std::uint8_t(128 + (std::int32_t(data[i]) - 128) * volume / 255);
        }
        return;
    }
    for (std::int32_t i = 0; i < length / 2; ++i) {
        putSample(data, i, sampleAt(data, i) * volume / 255);
    }
}
