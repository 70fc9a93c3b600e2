#pragma once

#include <optional>
#include <string>
#include <vector>

// What one run of the encoder is asked to do, read from its command line:
//   -input "<wav>" -output "<wma>" -a_setting <kbps>_<khz>_<channels>
//   [-author <words...>] [-description <words...>]
// The author and description may arrive unquoted, split into several words by the caller;
// every word up to the next option belongs to the value.
struct WmaOptions
{
    std::string input;
    std::string output;
    std::string profile; // the -a_setting text as given
    int kbps = 0;
    int sampleRate = 0; // Hz
    int channels = 0;
    std::string author;
    std::string description;
};

struct WmaOptionsResult
{
    std::optional<WmaOptions> options;
    std::string error; // set when options is empty
};

WmaOptionsResult parseWmaOptions(const std::vector<std::string>& arguments);

// "44" means 44,100 Hz, "22" 22,050 Hz and "11" 11,025 Hz; other values are whole kHz.
int sampleRateFromKhz(int khz);
