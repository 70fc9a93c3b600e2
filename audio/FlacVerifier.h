#pragma once

#include <FLAC/stream_decoder.h>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// Decodes a FLAC stream on a thread of its own while the stream is being written, and
// compares every decoded sample with the samples that went into the encoder. The check is
// the same as the encoder's own verify mode, but it runs beside the encoder instead of
// after every frame on the encoder's thread, so a second processor core takes its time.
//
// The samples are handed in before the bytes they become; the bytes in the order they
// are written (the header and every frame, not the stream information rewritten at the
// end). Bytes wait in a bounded queue: a verifier that falls behind holds the writer back
// instead of holding the whole file in memory.
class FlacVerifier
{
public:
    explicit FlacVerifier(int channels);
    ~FlacVerifier();
    FlacVerifier(const FlacVerifier&) = delete;
    FlacVerifier& operator=(const FlacVerifier&) = delete;

    // Creates the decoder and starts its thread; false when the decoder cannot be made.
    bool start();
    // Interleaved samples, as handed to the encoder.
    void expect(const std::int32_t* samples, std::size_t count);
    // Stream bytes as written.
    void feed(const unsigned char* bytes, std::size_t count);
    // The stream is complete: decodes the rest and waits for the thread. True when every
    // sample came back exactly and no more than went in; else `error` says what differed.
    bool finish(QString& error);

private:
    struct Callbacks;

    void run();
    void fail(const QString& reason);

    int m_channels;
    FLAC__StreamDecoder* m_decoder = nullptr;
    std::thread m_thread;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<unsigned char> m_bytes; // from m_bytesRead on
    std::size_t m_bytesRead = 0;
    std::vector<std::int32_t> m_expected; // from m_expectedRead on
    std::size_t m_expectedRead = 0;
    bool m_closed = false; // no more bytes come
    bool m_ended = false;  // the thread is done
    bool m_failed = false;
    QString m_error;
    std::uint64_t m_checkedFrames = 0;
};
