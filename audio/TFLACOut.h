#pragma once

#include "audio/TACSFileOut.h"

#include <QStringList>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

class QIODevice;
class QSaveFile;

// Encodes the PCM of its input (16-bit signed or 8-bit unsigned, 1 or 2 channels, any
// rate) losslessly into a FLAC file. Every frame is decoded again and compared while it
// is written (verify mode), so a file that would not give back the input is an error.
//
// A file is written under a temporary name beside the target and takes the target's name
// only when the last frame and the stream information are written: a failed, stopped or
// unfinished transfer leaves no file that looks complete, and an older file of that name
// stays as it was. A stream handed in by the caller is written directly.
class TFLACOut : public TACSFileOut
{
public:
    static constexpr int minimumLevel = 0;
    static constexpr int maximumLevel = 8;
    static constexpr int defaultLevel = 5;

    explicit TFLACOut(QObject* owner = nullptr);
    ~TFLACOut() override;

    int CompressionLevel() const { return m_level; }
    // Values outside 0 to 8 are brought to the nearest end.
    void SetCompressionLevel(int level);
    bool Verify() const { return m_verify; }
    void SetVerify(bool verify) { m_verify = verify; }
    // Lines "NAME=value", written as Vorbis comments into the next file only: finishing a
    // file empties the list. A line whose name FLAC does not allow is left out.
    QStringList Comments() const;
    void SetComments(const QStringList& lines);

    // Closes the target and the input and releases the encoder; a file that was not
    // finished is removed. Safe to call again, and from another thread than the worker's:
    // it waits for a step under way.
    void FinishOutput() override;

protected:
    bool ProduceBlock(bool abort) override;
    void PrepareOutput() override;

private:
    struct Encoder;

    void checkFormat(TACSInput& input);
    void openTarget();
    void encodeFrames(std::int32_t frames);
    void endStream();
    void writeChecksum(qint64 start, const QByteArray& md5);
    [[noreturn]] void raiseEncoderError();
    // "Cannot write to <target>: <reason>", as the write error the job window stops on.
    [[noreturn]] void raiseWriteError(const QString& reason) const;
    QString targetName() const;
    void releaseTransfer();

    int m_level = defaultLevel;
    bool m_verify = true;

    mutable std::mutex m_commentsMutex;
    QStringList m_comments;

    // Held by a step and by FinishOutput, so a finish from another thread never pulls the
    // encoder away from under a step.
    std::mutex m_transferMutex;
    std::unique_ptr<Encoder> m_encoder;
    std::unique_ptr<QSaveFile> m_file;
    bool m_inputOpen = false;
    std::atomic<bool> m_endOfStream{false};
    std::int32_t m_channels = 0;
    std::int32_t m_bits = 16;

    // PCM as read, plus a partial frame carried over from a read that ended mid-frame,
    // and the same frames as the 32-bit samples the encoder takes.
    std::vector<char> m_buffer;
    std::vector<std::int32_t> m_samples;
    std::int32_t m_carried = 0;
};
