#include "settings/gui/OptionLists.h"

namespace OptionLists {

QStringList outputFormats()
{
    return {QStringLiteral("MP3 file(*.MP3)"), QStringLiteral("WAV file(*.WAV)"), QStringLiteral("OGG file(*.OGG)"),
            QStringLiteral("WMA file(*.WMA)"), QStringLiteral("FLAC file(*.FLAC)")};
}

QStringList mp3BitRates()
{
    // Two-digit rates carry a leading blank so the number always fills three characters.
    return {QStringLiteral(" 32 kbit/s"), QStringLiteral(" 40 kbit/s"), QStringLiteral(" 48 kbit/s"),
            QStringLiteral(" 56 kbit/s"), QStringLiteral(" 64 kbit/s"), QStringLiteral(" 80 kbit/s"),
            QStringLiteral(" 96 kbit/s"), QStringLiteral("112 kbit/s"), QStringLiteral("128 kbit/s"),
            QStringLiteral("160 kbit/s"), QStringLiteral("192 kbit/s"), QStringLiteral("224 kbit/s"),
            QStringLiteral("256 kbit/s"), QStringLiteral("320 kbit/s")};
}

QStringList vbrQualities()
{
    QStringList items;
    for (int q = 0; q <= 9; ++q) {
        items << QString::number(q);
    }
    return items;
}

QStringList mpegQualities()
{
    return {QStringLiteral("Default"), QStringLiteral("Faster encode/Lower quality"),
            QStringLiteral("Slower encode/Higher quality")};
}

QStringList stereoModes()
{
    return {QStringLiteral("Stereo"), QStringLiteral("Joint Stereo"), QStringLiteral("Forced Joint Stereo"),
            QStringLiteral("Dual Channels"), QStringLiteral("Mono")};
}

QStringList oggBitRates()
{
    return {QStringLiteral(" Default"),   QStringLiteral(" 45 kbit/s"), QStringLiteral(" 48 kbit/s"),
            QStringLiteral(" 56 kbit/s"), QStringLiteral(" 64 kbit/s"), QStringLiteral(" 80 kbit/s"),
            QStringLiteral(" 96 kbit/s"), QStringLiteral("112 kbit/s"), QStringLiteral("128 kbit/s"),
            QStringLiteral("144 kbit/s"), QStringLiteral("160 kbit/s"), QStringLiteral("192 kbit/s"),
            QStringLiteral("224 kbit/s"), QStringLiteral("256 kbit/s"), QStringLiteral("320 kbit/s")};
}

QStringList flacLevels()
{
    QStringList items;
    for (int level = 0; level <= 8; ++level) {
        items << QString::number(level);
    }
    items[0] += QStringLiteral(" (fastest)");
    items[defaultFlacLevelItem] += QStringLiteral(" (default)");
    items[8] += QStringLiteral(" (smallest)");
    return items;
}

QStringList wmaProfiles()
{
    return {QStringLiteral("48.000 kHz, 192 kbit/s, Stereo"), QStringLiteral("48.000 kHz, 160 kbit/s, Stereo"),
            QStringLiteral("48.000 kHz, 128 kbit/s, Stereo"), QStringLiteral("44.100 kHz, 192 kbit/s, Stereo"),
            QStringLiteral("44.100 kHz, 160 kbit/s, Stereo"), QStringLiteral("44.100 kHz, 128 kbit/s, Stereo"),
            QStringLiteral("44.100 kHz,  96 kbit/s, Stereo"), QStringLiteral("44.100 kHz,  80 kbit/s, Stereo"),
            QStringLiteral("44.100 kHz,  64 kbit/s, Stereo"), QStringLiteral("44.100 kHz,  48 kbit/s, Stereo"),
            QStringLiteral("44.100 kHz,  32 kbit/s, Stereo"), QStringLiteral("44.100 kHz,  48 kbit/s, Mono"),
            QStringLiteral("44.100 kHz,  32 kbit/s, Mono"),   QStringLiteral("32.000 kHz,  48 kbit/s, Stereo"),
            QStringLiteral("32.000 kHz,  40 kbit/s, Stereo"), QStringLiteral("32.000 kHz,  32 kbit/s, Stereo"),
            QStringLiteral("32.000 kHz,  20 kbit/s, Mono"),   QStringLiteral("22.050 kHz,  32 kbit/s, Stereo"),
            QStringLiteral("22.050 kHz,  22 kbit/s, Stereo"), QStringLiteral("22.050 kHz,  20 kbit/s, Stereo"),
            QStringLiteral("22.050 kHz,  20 kbit/s, Mono"),   QStringLiteral("22.050 kHz,  16 kbit/s, Mono"),
            QStringLiteral("16.000 kHz,  20 kbit/s, Stereo"), QStringLiteral("16.000 kHz,  16 kbit/s, Stereo"),
            QStringLiteral("16.000 kHz,  16 kbit/s, Mono"),   QStringLiteral("16.000 kHz,  12 kbit/s, Mono"),
            QStringLiteral("16.000 kHz,  10 kbit/s, Mono"),   QStringLiteral("11.025 kHz,  10 kbit/s, Mono"),
            QStringLiteral("11.025 kHz,   8 kbit/s, Mono"),   QStringLiteral(" 8.000 kHz,  12 kbit/s, Stereo"),
            QStringLiteral(" 8.000 kHz,   8 kbit/s, Mono"),   QStringLiteral(" 8.000 kHz,   6 kbit/s, Mono"),
            QStringLiteral(" 8.000 kHz,   5 kbit/s, Mono")};
}

} // namespace OptionLists
