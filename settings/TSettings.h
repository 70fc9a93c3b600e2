#pragma once

#include <QString>
#include <array>
#include <cstdint>

// The disc information of the disc in the drive; stored per disc in cdinfo.dat.
struct TDiscInfo
{
    static constexpr int MaxTitles = 100;

    QString Artist;
    QString Album;
    QString Year;
    std::int32_t Genre = -1; // place in the alphabetical genre list; -1 = none
    QString Comment;
    std::int32_t TrackNumber = 0;
    std::array<QString, MaxTitles> Titles; // Titles[0] is title 1

    QString title(int n) const { return (n >= 1 && n <= MaxTitles) ? Titles[n - 1] : QString(); }
    void setTitle(int n, const QString& text)
    {
        if (n >= 1 && n <= MaxTitles) {
            Titles[n - 1] = text;
        }
    }
};

// Every user setting of options.ini plus the current disc's information. One record
// per process (settings()); workers read it while a modal window runs and nothing
// changes it meanwhile.
struct TSettings
{
    // CommonOptions
    QString OutputFolder;
    std::int32_t OutputFormat = 0; // 0 MP3, 1 WAV, 2 OGG, 3 WMA, 4 FLAC
    bool IsKeepWav = false;
    bool IsNormalize = false;
    std::int32_t NormalizePercent = 0;
    bool EnableRipTime = false;
    std::int32_t RipTime = 0;
    // Mp3Options
    bool IsSelectVBR = false;
    bool IsVBRHead = false;
    std::int32_t BitRate = 0;    // kbit/s
    std::int32_t MaxBitRate = 0; // kbit/s
    std::int32_t MpegQuality = 0;
    std::int32_t VBRQuality = 0;
    std::int32_t StereoMode = 0;
    // OggOptions
    bool IsUseCompress = false;
    std::int32_t CompressPosition = 0;
    std::int32_t OggMaxBitRate = 0; // list index
    std::int32_t NomalBitRate = 0;  // list index
    std::int32_t MinBitRate = 0;    // list index
    // WMAOptions
    std::int32_t WMABitRate = 0; // profile index 0..32
    // FLACOptions
    std::int32_t FLACCompression = 0; // encoder level 0 (fastest) .. 8 (smallest)
    // CDOptions
    std::int32_t CDIndex = 0;
    bool CDDb = false;
    // Reading and verifying. The record starts with verification off and no address, so
    // a record made in code never reaches the network; options.ini's defaults (see
    // SettingsStore) turn it on for users.
    bool SecureMode = false;
    std::int32_t ReadOffset = 0; // samples, within +-MaxReadOffset
    bool AccurateRip = false;
    QString AccurateRipURL;
    // RecordOptions
    bool SaveMp3 = false;
    // The disc in the drive (cdinfo.dat)
    TDiscInfo Disc;
    // QueryCDDB
    QString Server;
    QString Script;
    bool UseProxy = false;
    QString ProxyAddress;
    QString Port;
    QString Email; // sent in the greeting; empty: the default address
    // ID3
    bool UseID3 = false;
    // TipsOptions
    bool IsShowTips = false;
    // Skin
    std::int32_t SkinIndex = 0;

    // The proxy port as a number; 80 when the text is not a number.
    int portNumber() const;
};

// The largest drive read offset taken, in samples either way (17 sectors). Drives in use
// lie within a few thousand samples; a larger value is a typing error and would only
// shift the audio by a noticeable fraction of a second.
constexpr std::int32_t MaxReadOffset = 10000;
inline bool isValidReadOffset(std::int64_t samples)
{
    return samples >= -MaxReadOffset && samples <= MaxReadOffset;
}

enum OutputFormatKind : std::int32_t { ofMP3 = 0, ofWAV = 1, ofOGG = 2, ofWMA = 3, ofFLAC = 4 };

// The output formats this version can write. A value outside them (typed into
// options.ini, or left by a version with more formats) must never reach a job.
bool isKnownOutputFormat(std::int32_t format);
// "0 MP3, 1 WAV, ...": the known values with their names, for messages.
QString knownOutputFormatsText();
// The message that refuses a job for an OutputFormat outside the known ones.
QString unknownOutputFormatText(std::int32_t format);

TSettings& settings();
