#pragma once

// Waveform audio: the sound card as a queue of PCM blocks.
//
// How to use it:
//   WaveAudio& audio = WaveAudio::instance();     // the process-wide service
//   audio.outputDeviceCount();                     // read once when the service was made
//   auto out = audio.openOutput(0, {44100, 2, 16}, [](WaveBlock* b) { ... });
//   out->write(block);                             // queue; blocks play in the order written
//   ...                                            // the callback hands each block back once played
//   out->close();                                  // waits until every written block came back
//
// Device numbers run from 0 to outputDeviceCount() - 1. Device 0 is the desktop's default
// output (what the user set up as "the sound card"); 1 and up are the further outputs the
// sound system lists. Where the system lists none but can open a default one, the count
// is 1. A count of 0 means there is no sound output at all; openOutput then throws.
//
// Blocks belong to the caller: the service only reads `data` until it hands the block back
// through the block-done callback, which runs on the sound system's own thread while the
// service holds callbackLock(). Keep the callback short (append to a list, count down,
// notify) and take callbackLock() yourself around whatever you share with it. Never hold
// callbackLock() while calling write() or close(): close waits for that thread.
//
// When the device goes away while open (a headset unplugged, the sound server ended), the
// output turns lost(): the blocks still queued come back unplayed through the callback, and
// write() throws WaveAudioError from then on. close() never waits for a lost device.
//
// Capture goes beside output: inputDeviceCount() is read together with the output count,
// openInput() opens the default recording device in a format, and its data callback runs
// under inputCallbackLock() (WaveInput.h).
//
// Tests install their own service (a fake, or the SDL one on its "disk" driver) with
// install(); the program makes the system's service at start-up.

#include "platform/WaveInput.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>

// The PCM layout of one open device: interleaved frames, little-endian, 8-bit unsigned or
// 16-bit signed samples.
struct PcmFormat
{
    std::int32_t sampleRate = 44100;
    std::int32_t channels = 2;
    std::int32_t bitsPerSample = 16;

    std::int32_t blockAlign() const { return channels * (bitsPerSample / 8); }
    std::int32_t bytesPerSecond() const { return sampleRate * blockAlign(); }
    bool isPlayable() const;
};

// One queued block of sound.
struct WaveBlock
{
    const std::uint8_t* data = nullptr;
    std::uint32_t length = 0;
    // Free for the owner: a link for its own lists, and any data of its own.
    WaveBlock* next = nullptr;
    void* user = nullptr;
};

class WaveAudioError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

class WaveOutput
{
public:
    using BlockDone = std::function<void(WaveBlock* block)>;

    // Closes the device as close() does.
    virtual ~WaveOutput() = default;

    // Queues a block of 1 or more whole frames. Throws WaveAudioError when the device is lost.
    virtual void write(WaveBlock* block) = 0;
    // Holds or continues the device; blocks stay queued while held.
    virtual void setPaused(bool paused) = 0;
    virtual bool lost() const = 0;
    // Waits until every written block has been played and handed back, then closes. A lost
    // device hands back what it still holds at once. Idempotent.
    virtual void close() = 0;
};

class WaveAudio
{
public:
    virtual ~WaveAudio() = default;

    virtual int outputDeviceCount() const = 0;
    virtual int inputDeviceCount() const = 0;

    // Opens output device `device` for PCM in `format`; the sound system converts to what
    // the hardware takes. Throws WaveAudioError with a message for the user when it cannot.
    virtual std::unique_ptr<WaveOutput> openOutput(int device, const PcmFormat& format,
                                                   WaveOutput::BlockDone blockDone) = 0;

    // Opens recording device `device` (0: the desktop's default) for PCM in `format`; `data`
    // receives what it records, under inputCallbackLock(). Throws WaveAudioError with a
    // message for the user when it cannot. A service without capture throws always.
    virtual std::unique_ptr<WaveInput> openInput(int device, const PcmFormat& format, WaveInput::Data data);

    // The locks the block-done callbacks of output and of capture run under.
    static std::mutex& callbackLock();
    static std::mutex& inputCallbackLock();

    // The process-wide service; the system's own (SDL) unless a test installed another.
    // The first call makes it and reads the device counts.
    static WaveAudio& instance();
    static void install(std::shared_ptr<WaveAudio> audio);
};
