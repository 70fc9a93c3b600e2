// wmaenc: the command-line WMA encoder that the program drives through pipes.
// Its output is read line by line by the program: progress as "<n>%" lines ending with
// "100%", and every failure as one line holding "ERROR" followed by the reason.
#include "wmaenc/WmaEncoder.h"
#include "wmaenc/WmaOptions.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const WmaOptionsResult parsed = parseWmaOptions(arguments);
    if (!parsed.options) {
        std::fprintf(stderr, "ERROR: %s\n", parsed.error.c_str());
        return 2;
    }
    const WmaOptions& options = *parsed.options;
    if (options.kbps < WmaEncoder::MinimumKbps) {
        std::printf("Note: %d kbit/s is below the lowest bit rate the encoder supports; encoding at %d kbit/s\n",
                    options.kbps, WmaEncoder::MinimumKbps);
    }
    std::printf("Encoding at %d Hz, %d channel(s), %d kbit/s\n", options.sampleRate, options.channels,
                std::max(options.kbps, WmaEncoder::MinimumKbps));
    std::fflush(stdout);

    WmaEncoder encoder(options);
    const bool ok = encoder.run([](int percent) {
        std::printf("%d%%\n", percent);
        std::fflush(stdout);
    });
    if (!ok) {
        std::fprintf(stderr, "ERROR: %s\n", encoder.error().c_str());
        return 1;
    }
    std::printf("100%%\n");
    std::fflush(stdout);
    return 0;
}
