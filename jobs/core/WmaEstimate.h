#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// The WMA encoder says almost nothing while it works, so once a second the job window
// estimates the total time from how far the output file has grown against the size the
// chosen profile usually gives.
struct WmaEstimate
{
    std::int64_t estimate = 0; // seconds
    int gauge = 0;             // percent

    // Expected ratio of WAV input size to WMA output size, times 1000, per profile index.
    static int ratio(int profile);

    // elapsed: whole seconds since the start; inputSize: -1 when the input was missing;
    // currentSize: the output so far, -1 when it does not exist yet. The profile must be
    // within 0..32. Nothing when this tick changes nothing (no output bytes yet).
    static std::optional<WmaEstimate> compute(std::int64_t elapsed, std::int64_t inputSize, std::int64_t currentSize,
                                              int profile);
};
