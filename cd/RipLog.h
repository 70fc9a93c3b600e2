#pragma once

#include "cd/AccurateRipDatabase.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

// The log of one extraction job: how the disc was read and, for every track, its file, the
// CRC-32 of its audio, its AccurateRip checksums and verdict and what went wrong reading it.
// Someone who archives a disc keeps it beside the files as the record that the copy is exact.
struct RipLogTrack
{
    int number = 0; // the track's number on the disc
    QString file;   // the file the track ended up in; empty when it was not extracted
    std::optional<std::uint32_t> crc;
    std::optional<tarnwick::accuraterip::TrackSums> checksums;
    std::optional<tarnwick::accuraterip::TrackVerdict> verdict;
    QString problem;                     // "the read failed", ...; empty when it was read whole
    std::optional<std::int64_t> repairs; // secure mode: corrections the reads needed
    std::int64_t readErrors = 0;         // secure mode: errors the drive reported
    std::int64_t unverified = 0;         // secure mode: stretches given up on after the re-reads
};

struct RipLogInfo
{
    QString program; // the program's name
    QString version; // its version line
    QString drive;
    QDateTime when;
    bool secure = false;
    int readOffset = 0;
    bool accurateRip = false;
    bool normalized = false; // the files were normalised after the checksums were taken
    QString database;        // the disc's database file, or why it could not be had
    std::vector<RipLogTrack> tracks;
};

namespace RipLog {

// The whole text of the log, lines ending in "\n".
QString text(const RipLogInfo& info);
// The last line: "All tracks accurately ripped", or the tracks that were not and why.
QString summary(const RipLogInfo& info);

// "<album>.log" when the disc has an album title (characters no file name may hold become
// "_"), else "<disc key>.log", else "rip.log".
QString fileName(const QString& album, const QString& discKey);

// Writes the log whole or not at all (a temporary file renamed over the target); false
// with the system's reason when it could not.
bool write(const QString& path, const RipLogInfo& info, QString* error = nullptr);

} // namespace RipLog
