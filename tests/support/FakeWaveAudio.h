#pragma once

#include "platform/WaveAudio.h"

#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// A sound system for tests: any number of devices, a device that fails to open or goes
// away after some blocks, and playback that the test can hold and release block by block.
// Each open device plays on a thread of its own and records what it played.
class FakeWaveAudio : public WaveAudio
{
public:
    // What one opened device saw. Shared with the test, so it outlives the device.
    struct Device
    {
        int number = 0;
        PcmFormat format;
        QByteArray played;
        int written = 0;
        int returned = 0;
        int largestQueue = 0;
        bool closed = false;
        bool lost = false;
    };

    int outputs = 1;
    int inputs = 1;
    // Non-empty: openOutput throws this.
    std::string openError;
    // From 0 up: the device goes away after playing this many blocks.
    int loseAfterBlocks = -1;
    // Blocks play only as release() allows.
    bool holdPlayback = false;

    int outputDeviceCount() const override { return outputs; }
    int inputDeviceCount() const override { return inputs; }
    std::unique_ptr<WaveOutput> openOutput(int device, const PcmFormat& format,
                                           WaveOutput::BlockDone blockDone) override;

    // The device opened last (null before the first open) and a copy of what it saw.
    Device lastDevice() const;
    int openCount() const;
    // Lets `blocks` more blocks play (with holdPlayback).
    void release(int blocks);
    // Waits until the device opened last has had `count` blocks written, or has closed.
    void waitForWritten(int count) const;

private:
    friend class FakeWaveOutput;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::shared_ptr<Device> m_last;
    int m_opens = 0;
    int m_credits = 0;
};
