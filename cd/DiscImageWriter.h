#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Writes a disc image as a CUE sheet and its BIN file: one synthetic tone per audio track
// (44,100 Hz, 16-bit stereo, little-endian), the tracks back to back with no gaps. Data
// tracks (MODE1/2352) give the layouts of real discs: first, as on mixed-mode CDs, or
// after the audio, as on enhanced CDs, where the data session starts 11,400 frames after
// the audio session's end (the gap is written into the BIN, as INDEX 00 of the data track,
// for the image driver places tracks by their position in the file). The BIN takes
// the cue's base name unless another is set, as most rips of real discs have.
class DiscImageWriter
{
public:
    static constexpr int FrameBytes = 2352;
    static constexpr int FramesPerSecond = 75;

    void setFirstTrack(int number) { m_firstTrack = number; }
    int firstTrack() const { return m_firstTrack; }

    // Appends an audio track of the given length in frames (1 or more).
    void addTrack(std::int64_t frames)
    {
        m_lengths.push_back(frames);
        m_data.push_back(false);
    }
    // Appends a data track of the given length in frames.
    void addDataTrack(std::int64_t frames)
    {
        m_lengths.push_back(frames);
        m_data.push_back(true);
    }
    const std::vector<std::int64_t>& trackLengths() const { return m_lengths; }
    bool isDataTrack(int index) const { return m_data.at(index); }

    // The BIN's file name (no folder); empty means "<cue base name>.bin".
    void setBinName(const QString& name) { m_binName = name; }

    // Frames between a track's start and the end of the track before it: 11,400 for a
    // data track after an audio track, else 0.
    std::int64_t gapBefore(int index) const;
    // Frame of track index i (0-based) counted from the start of the first track, gaps
    // included: the start the table of contents gives.
    std::int64_t trackStart(int index) const;
    std::int64_t totalFrames() const;

    // The tone of track index i in Hz; neighbouring tracks always differ and no tone is a
    // multiple of 75 Hz, so a frame read from the wrong place never matches by chance.
    static int toneFrequency(int index);

    // Writes OUT.cue and the BIN beside it; false with a reason in *error on failure.
    bool write(const QString& cuePath, QString* error = nullptr) const;

    // The BIN file this writer writes for a cue sheet path.
    QString binPath(const QString& cuePath) const;
    // The BIN file named like a cue sheet.
    static QString binPathFor(const QString& cuePath);

    // Reads the command line "OUT.cue [--first N] [--tracks N] [--seconds L1,L2,...]
    // [--data-first L] [--data-last L] [--bin NAME]" (without the program name). A length is
    // whole seconds ("30") or minutes:seconds:frames ("3:30:12"); when fewer lengths than
    // tracks are given the last one repeats; no lengths mean 30 seconds. --tracks and
    // --seconds count the audio tracks; a data track comes on top, numbered with them.
    static bool parseArguments(const QStringList& args, DiscImageWriter& writer, QString& cuePath, QString& error);
    // One length as frames; 0 when the text is not a length of at least one frame.
    static std::int64_t parseLength(const QString& text);

private:
    bool writeBin(const QString& binPath, QString* error) const;
    QString cueText(const QString& binName) const;

    int m_firstTrack = 1;
    std::vector<std::int64_t> m_lengths;
    std::vector<bool> m_data;
    QString m_binName;
};
