#pragma once

#include <FLAC/stream_decoder.h>
#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
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
// end). Both are gathered on the writer's side and passed to the decoder in batches of
// many frames, so the two threads meet a few times a second rather than at every frame.
// At most a few batches wait: a verifier that falls behind holds the writer back instead
// of holding the whole file, or all of its samples, in memory.
//
// It also takes the MD5 checksum of the samples for the stream information, which the
// encoder would otherwise compute on its own thread.
class FlacVerifier
{
public:
    // `bitsPerSample` (8 or 16) is the width the checksum packs each sample in.
    explicit FlacVerifier(int channels, int bitsPerSample = 16);
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
    // The MD5 checksum of every sample handed in, as FLAC's stream information holds it
    // (little-endian signed samples of the stream's width, interleaved). Valid once
    // finish() returned true.
    QByteArray md5() const { return m_md5.result(); }

private:
    struct Callbacks;
    // Bytes written and samples handed in since the batch before.
    struct Batch
    {
        std::vector<unsigned char> bytes;
        std::vector<std::int32_t> samples;
    };

    void handOver();
    bool takeBatch();
    std::size_t read(unsigned char* buffer, std::size_t wanted);
    void checksum(const std::vector<std::int32_t>& samples);
    bool check(const FLAC__Frame& frame, const FLAC__int32* const channels[]);
    void run();
    void fail(const QString& reason);

    const int m_channels;
    const int m_bytesPerSample;
    FLAC__StreamDecoder* m_decoder = nullptr;
    std::thread m_thread;

    // The writer's side: what the next batch carries.
    Batch m_filling;
    std::uint64_t m_handedSamples = 0;

    std::mutex m_mutex;
    std::condition_variable m_ready; // a batch waits, or the stream is closed
    std::condition_variable m_room;  // a batch was taken, or the check ended
    std::deque<Batch> m_queue;
    std::vector<Batch> m_spare; // taken batches, kept so that steady work allocates nothing
    bool m_closed = false;      // no more batches come
    bool m_ended = false;       // the thread is done
    bool m_failed = false;
    QString m_error;

    // The decoder thread's side: the batch being read, and the samples not yet compared.
    Batch m_reading;
    std::size_t m_readAt = 0;
    std::vector<std::int32_t> m_expected;
    std::size_t m_expectedAt = 0;
    std::uint64_t m_checkedFrames = 0;
    std::uint64_t m_checkedSamples = 0;
    QCryptographicHash m_md5{QCryptographicHash::Md5};
    std::vector<char> m_packed;
};
