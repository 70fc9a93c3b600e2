#pragma once

#include <QString>
#include <cstdint>

// One progress or outcome record from a worker to the job window. Progress is a
// percentage 0..100 or one of the event codes below; the receiver owns the record.
struct TProcessInfo
{
    std::int32_t Progress = 0;
    QString ElapsedText;
    QString EstimatedText;
    std::int32_t Status = 0;
};

namespace ProgressCode {
constexpr std::int32_t NormalizeBegins = 999;
constexpr std::int32_t TrackExtracted = 1000;
constexpr std::int32_t Mp3Finished = 2000;
constexpr std::int32_t OggFinished = 3000;
constexpr std::int32_t ResampleFinished = 4000;
constexpr std::int32_t WmaFinished = 5000;
constexpr std::int32_t FlacFinished = 6000; // the FLAC output has ended
} // namespace ProgressCode
