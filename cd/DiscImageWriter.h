#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Writes an audio disc image as a CUE sheet and its BIN file: one synthetic tone per
// track (44,100 Hz, 16-bit stereo, little-endian), the tracks back to back with no gaps.
// The BIN always takes the cue's base name because the image driver looks for
// "<cue base name>.bin" whatever the FILE line says.
class DiscImageWriter
{
public:
    static constexpr int FrameBytes = 2352;
    static constexpr int FramesPerSecond = 75;

    void setFirstTrack(int number) { m_firstTrack = number; }
    int firstTrack() const { return m_firstTrack; }

    // Appends a track of the given length in frames (1 or more).
    void addTrack(std::int64_t frames) { m_lengths.push_back(frames); }
    const std::vector<std::int64_t>& trackLengths() const { return m_lengths; }

    // Frame of track index i (0-based) counted from the start of the first track.
    std::int64_t trackStart(int index) const;
    std::int64_t totalFrames() const;

    // The tone of track index i in Hz; neighbouring tracks always differ and no tone is a
    // multiple of 75 Hz, so a frame read from the wrong place never matches by chance.
    static int toneFrequency(int index);

    // Writes OUT.cue and OUT.bin beside it; false with a reason in *error on failure.
    bool write(const QString& cuePath, QString* error = nullptr) const;

    // The BIN file that belongs to a cue sheet path.
    static QString binPathFor(const QString& cuePath);

    // Reads the command line "OUT.cue [--first N] [--tracks N] [--seconds L1,L2,...]"
    // (without the program name). A length is whole seconds ("30") or
    // minutes:seconds:frames ("3:30:12"); when fewer lengths than tracks are given the
    // last one repeats; no lengths mean 30 seconds.
    static bool parseArguments(const QStringList& args, DiscImageWriter& writer, QString& cuePath, QString& error);
    // One length as frames; 0 when the text is not a length of at least one frame.
    static std::int64_t parseLength(const QString& text);

private:
    bool writeBin(const QString& binPath, QString* error) const;
    QString cueText(const QString& binName) const;

    int m_firstTrack = 1;
    std::vector<std::int64_t> m_lengths;
};
