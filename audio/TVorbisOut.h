#pragma once

#include "audio/TACSFileOut.h"
#include "audio/TVorbisBitRate.h"

#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class QFile;

// Encodes the PCM of its input (16-bit signed, or 8-bit unsigned, 1 or 2 channels) into
// an Ogg Vorbis file, by quality (Compression) or, when a nominal bit rate is chosen, by
// the bit-rate manager.
class TVorbisOut : public TACSFileOut
{
public:
    // The values handed to the bit-rate managed set-up, in bit/s.
    struct ManagedBitrates
    {
        long maximum;
        long nominal;
        long minimum;
    };

    explicit TVorbisOut(QObject* owner = nullptr);
    ~TVorbisOut() override;

    float Compression() const { return m_compression; }
    void SetCompression(float quality) { m_compression = quality; }
    // Lines "NAME=value", written as Vorbis comments into the next file only: finishing a
    // file empties the list.
    QStringList Comments() const;
    void SetComments(const QStringList& lines);
    std::int32_t Serial() const { return m_serial; }
    void SetSerial(std::int32_t serial) { m_serial = serial; }

    TVorbisBitRate DesiredNominalBitrate() const { return m_nominal; }
    // Drags the minimum down and the maximum up to the new nominal; brAutoSelect (quality
    // encoding) also drops the maximum.
    void SetDesiredNominalBitrate(TVorbisBitRate rate);
    TVorbisBitRate DesiredMaximumBitrate() const { return m_maximum; }
    // Ignored under quality encoding and below the nominal.
    void SetDesiredMaximumBitrate(TVorbisBitRate rate);
    TVorbisBitRate MinimumBitrate() const { return m_minimum; }
    // Ignored above the nominal.
    void SetMinimumBitrate(TVorbisBitRate rate);

    // Both modes are kept: appending adds a new logical stream after what the file holds.
    void SetFileMode(TFileOutputMode mode) override;

    // What the managed set-up receives for the current bit-rate settings; only meaningful
    // when the nominal is not brAutoSelect.
    ManagedBitrates managedBitrates() const;

    // Closes the file and the input and releases the encoder. Safe to call again, and from
    // another thread than the worker's: it waits for a step under way.
    void FinishOutput() override;

protected:
    bool ProduceBlock(bool abort) override;
    void PrepareOutput() override;

private:
    struct Encoder;

    void openTarget();
    void writePage(const void* header, long headerBytes, const void* body, long bodyBytes);
    void encodeFrames(std::int32_t frames);
    void drainEncoder();
    void releaseTransfer();

    float m_compression = 0.2f;
    std::int32_t m_serial = 0;
    TVorbisBitRate m_nominal = brAutoSelect;
    TVorbisBitRate m_maximum = brAutoSelect;
    TVorbisBitRate m_minimum = brAutoSelect;

    mutable std::mutex m_commentsMutex;
    QStringList m_comments;

    // Held by a step and by FinishOutput, so a finish from another thread never pulls the
    // encoder away from under a step.
    std::mutex m_transferMutex;
    std::unique_ptr<Encoder> m_encoder;
    std::unique_ptr<QFile> m_file;
    QIODevice* m_target = nullptr;
    bool m_inputOpen = false;
    std::atomic<bool> m_endOfStream{false};
    bool m_inputEnded = false;
    std::int32_t m_channels = 0;
    std::int32_t m_bits = 16;

    // The transfer buffer: 65536 bytes of PCM as read, plus a partial frame carried over
    // from a read that ended mid-frame.
    std::vector<char> m_buffer;
    std::int32_t m_carried = 0;
};
