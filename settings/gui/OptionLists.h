#pragma once

#include <QStringList>

// The fixed item lists of the options dialog. Their order is what the settings store:
// list positions, except for the MP3 bitrates, whose number is read from the text.
namespace OptionLists {

QStringList outputFormats();
QStringList mp3BitRates();
QStringList vbrQualities();
QStringList mpegQualities();
QStringList stereoModes();
QStringList oggBitRates();
// The WMA encoder profiles; the index is what the encoder maps to a profile code.
QStringList wmaProfiles();
// The FLAC compression levels 0 to 8; the index is the level.
QStringList flacLevels();

// Items chosen by the "&Default" buttons.
constexpr int defaultBitRateItem = 8;     // "128 kbit/s"
constexpr int defaultMaxBitRateItem = 13; // "320 kbit/s"
constexpr int defaultVBRQualityItem = 4;
constexpr int defaultMpegQualityItem = 0; // "Default"
constexpr int defaultStereoModeItem = 1;  // "Joint Stereo"
constexpr int defaultWmaProfileItem = 8;  // 44.1 kHz, 64 kbit/s, stereo
constexpr int defaultFlacLevelItem = 5;

} // namespace OptionLists
