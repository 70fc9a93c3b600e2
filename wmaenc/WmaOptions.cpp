#include "wmaenc/WmaOptions.h"

#include <charconv>

namespace {

bool isOption(const std::string& word)
{
    return word == "-input" || word == "-output" || word == "-a_setting" || word == "-author" || word == "-description";
}

bool parseNumber(const std::string& text, int& value)
{
    if (text.empty()) {
        return false;
    }
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

// "<kbps>_<khz>_<channels>"
bool parseProfile(const std::string& text, WmaOptions& options, std::string& error)
{
    const auto first = text.find('_');
    const auto second = first == std::string::npos ? std::string::npos : text.find('_', first + 1);
    int kbps = 0;
    int khz = 0;
    int channels = 0;
    if (second == std::string::npos || !parseNumber(text.substr(0, first), kbps) ||
        !parseNumber(text.substr(first + 1, second - first - 1), khz) ||
        !parseNumber(text.substr(second + 1), channels)) {
        error = "the audio setting \"" + text + "\" is not of the form <kbps>_<khz>_<channels>";
        return false;
    }
    if (kbps <= 0 || kbps > 1000) {
        error = "the bit rate " + std::to_string(kbps) + " kbit/s is out of range";
        return false;
    }
    if (khz <= 0 || khz > 48) {
        error = "the sample rate " + std::to_string(khz) + " kHz is not supported (at most 48 kHz)";
        return false;
    }
    if (channels != 1 && channels != 2) {
        error = "the channel count " + std::to_string(channels) + " is not supported (1 or 2)";
        return false;
    }
    options.profile = text;
    options.kbps = kbps;
    options.sampleRate = sampleRateFromKhz(khz);
    options.channels = channels;
    return true;
}

} // namespace

int sampleRateFromKhz(int khz)
{
    switch (khz) {
    case 44:
        return 44100;
    case 22:
        return 22050;
    case 11:
        return 11025;
    default:
        return khz * 1000;
    }
}

WmaOptionsResult parseWmaOptions(const std::vector<std::string>& arguments)
{
    WmaOptionsResult result;
    WmaOptions options;
    bool haveInput = false;
    bool haveOutput = false;
    bool haveProfile = false;
    std::size_t i = 0;
    while (i < arguments.size()) {
        const std::string& option = arguments[i++];
        if (!isOption(option)) {
            result.error = "unexpected argument \"" + option + "\"";
            return result;
        }
        if (option == "-author" || option == "-description") {
            std::string value;
            while (i < arguments.size() && !isOption(arguments[i])) {
                if (!value.empty()) {
                    value += ' ';
                }
                value += arguments[i++];
            }
            (option == "-author" ? options.author : options.description) = value;
            continue;
        }
        // The file names and the profile take exactly one argument, whatever it looks like.
        if (i >= arguments.size()) {
            result.error = "the option " + option + " needs a value";
            return result;
        }
        const std::string& value = arguments[i++];
        if (option == "-input") {
            options.input = value;
            haveInput = !value.empty();
        } else if (option == "-output") {
            options.output = value;
            haveOutput = !value.empty();
        } else {
            if (!parseProfile(value, options, result.error)) {
                return result;
            }
            haveProfile = true;
        }
    }
    if (!haveInput || !haveOutput || !haveProfile) {
        result.error = "usage: wmaenc -input <wav> -output <wma> -a_setting <kbps>_<khz>_<channels> "
                       "[-author <text>] [-description <text>]";
        return result;
    }
    result.options = std::move(options);
    return result;
}
