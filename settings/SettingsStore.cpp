#include "settings/SettingsStore.h"

#include "common/ProgramFolder.h"
#include "platform/IniFile.h"

#include <QDir>
#include <QUrl>
#include <algorithm>

namespace SettingsStore {

namespace {

const QString kCommon = QStringLiteral("CommonOptions");
const QString kMp3 = QStringLiteral("Mp3Options");
const QString kOgg = QStringLiteral("OggOptions");
const QString kWma = QStringLiteral("WMAOptions");
const QString kFlac = QStringLiteral("FLACOptions");
const QString kCD = QStringLiteral("CDOptions");
const QString kRecord = QStringLiteral("RecordOptions");
const QString kCDDB = QStringLiteral("QueryCDDB");
const QString kID3 = QStringLiteral("ID3");
const QString kTips = QStringLiteral("TipsOptions");
const QString kSkin = QStringLiteral("Skin");

} // namespace

QString defaultPath()
{
    return tarnwick::programFolder() + QStringLiteral("/options.ini");
}

QString defaultServer()
{
    return QStringLiteral("gnudb.gnudb.org");
}

QString defaultEmail()
{
    return QStringLiteral("tarnwick@users.invalid");
}

QString defaultAccurateRipURL()
{
    return QStringLiteral("http://www.accuraterip.com/accuraterip");
}

bool isAccurateRipURL(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty() && !url.hasQuery() && !url.hasFragment();
}

void load(TSettings& s, const QString& path)
{
    IniFile ini(path);
    ini.load(); // an unreadable file reads as empty: every key takes its default

    s.OutputFolder = ini.readString(kCommon, QStringLiteral("OutputFolder"),
                                    tarnwick::programFolder() + QDir::separator() + QStringLiteral("Output"));
    s.OutputFormat = ini.readInteger(kCommon, QStringLiteral("OutputFormat"), 0);
    s.IsKeepWav = ini.readBool(kCommon, QStringLiteral("IsKeepWav"), false);
    s.IsNormalize = ini.readBool(kCommon, QStringLiteral("IsNormalize"), false);
    s.NormalizePercent = ini.readInteger(kCommon, QStringLiteral("NormalizePercent"), 95);
    s.EnableRipTime = ini.readBool(kCommon, QStringLiteral("EnableRipTime"), false);
    s.RipTime = ini.readInteger(kCommon, QStringLiteral("RipTime"), 0);

    s.IsSelectVBR = ini.readBool(kMp3, QStringLiteral("IsSelectVBR"), false);
    s.IsVBRHead = ini.readBool(kMp3, QStringLiteral("IsVBRHead"), false);
    s.BitRate = ini.readInteger(kMp3, QStringLiteral("BitRate"), 128);
    s.MaxBitRate = ini.readInteger(kMp3, QStringLiteral("MaxBitRate"), 320);
    s.MpegQuality = ini.readInteger(kMp3, QStringLiteral("MpegQuality"), 0);
    s.VBRQuality = ini.readInteger(kMp3, QStringLiteral("VBRQuality"), 4);
    s.StereoMode = ini.readInteger(kMp3, QStringLiteral("StereoMode"), 1);

    s.IsUseCompress = ini.readBool(kOgg, QStringLiteral("IsUseCompress"), true);
    s.CompressPosition = std::clamp(ini.readInteger(kOgg, QStringLiteral("CompressPosition"), 30), 30, 100);
    s.OggMaxBitRate = ini.readInteger(kOgg, QStringLiteral("MaxBitRate"), 0);
    s.NomalBitRate = ini.readInteger(kOgg, QStringLiteral("NomalBitRate"), 0);
    s.MinBitRate = ini.readInteger(kOgg, QStringLiteral("MinBitRate"), 0);

    s.WMABitRate = ini.readInteger(kWma, QStringLiteral("BitRate"), 8);
    // The encoder knows no level outside 0 to 8; a hand-edited value takes the nearest.
    s.FLACCompression = std::clamp(ini.readInteger(kFlac, QStringLiteral("Compression"), 5), 0, 8);
    s.CDIndex = ini.readInteger(kCD, QStringLiteral("Index"), -1);
    s.CDDb = ini.readBool(kCD, QStringLiteral("CDDb"), false);
    s.SecureMode = ini.readBool(kCD, QStringLiteral("SecureMode"), false);
    // An offset outside the range is a typing error: clamping it would still shift the
    // audio by a wrong amount, so it reads as none at all.
    s.ReadOffset = ini.readInteger(kCD, QStringLiteral("ReadOffset"), 0);
    if (!isValidReadOffset(s.ReadOffset)) {
        s.ReadOffset = 0;
    }
    s.AccurateRip = ini.readBool(kCD, QStringLiteral("AccurateRip"), true);
    s.AccurateRipURL = ini.readString(kCD, QStringLiteral("AccurateRipURL"), defaultAccurateRipURL()).trimmed();
    if (!isAccurateRipURL(s.AccurateRipURL)) {
        s.AccurateRipURL = defaultAccurateRipURL();
    }
    s.SaveMp3 = ini.readBool(kRecord, QStringLiteral("SaveMp3"), false);

    s.Server = ini.readString(kCDDB, QStringLiteral("Server"), defaultServer());
    s.Script = ini.readString(kCDDB, QStringLiteral("Script"), QStringLiteral("/~cddb/cddb.cgi"));
    s.UseProxy = ini.readBool(kCDDB, QStringLiteral("UseProxy"), false);
    s.ProxyAddress = ini.readString(kCDDB, QStringLiteral("ProxyAddress"), QString());
    s.Port = ini.readString(kCDDB, QStringLiteral("Port"), QStringLiteral("80"));
    s.Email = ini.readString(kCDDB, QStringLiteral("Email"), defaultEmail());

    s.UseID3 = ini.readBool(kID3, QStringLiteral("Use"), false);
    s.IsShowTips = ini.readBool(kTips, QStringLiteral("IsShowTips"), true);
    s.SkinIndex = ini.readInteger(kSkin, QStringLiteral("Index"), 0);
}

bool save(const TSettings& s, const QString& path, QString* error)
{
    // Start from the file as it is so keys of other versions survive the rewrite.
    IniFile ini(path);
    ini.load();

    ini.writeString(kCommon, QStringLiteral("OutputFolder"), s.OutputFolder);
    ini.writeInteger(kCommon, QStringLiteral("OutputFormat"), s.OutputFormat);
    ini.writeBool(kCommon, QStringLiteral("IsKeepWav"), s.IsKeepWav);
    ini.writeBool(kCommon, QStringLiteral("IsNormalize"), s.IsNormalize);
    ini.writeInteger(kCommon, QStringLiteral("NormalizePercent"), s.NormalizePercent);
    ini.writeBool(kCommon, QStringLiteral("EnableRipTime"), s.EnableRipTime);
    ini.writeInteger(kCommon, QStringLiteral("RipTime"), s.RipTime);

    ini.writeBool(kMp3, QStringLiteral("IsSelectVBR"), s.IsSelectVBR);
    ini.writeBool(kMp3, QStringLiteral("IsVBRHead"), s.IsVBRHead);
    ini.writeInteger(kMp3, QStringLiteral("BitRate"), s.BitRate);
    ini.writeInteger(kMp3, QStringLiteral("MaxBitRate"), s.MaxBitRate);
    ini.writeInteger(kMp3, QStringLiteral("MpegQuality"), s.MpegQuality);
    ini.writeInteger(kMp3, QStringLiteral("VBRQuality"), s.VBRQuality);
    ini.writeInteger(kMp3, QStringLiteral("StereoMode"), s.StereoMode);

    ini.writeBool(kOgg, QStringLiteral("IsUseCompress"), s.IsUseCompress);
    ini.writeInteger(kOgg, QStringLiteral("CompressPosition"), s.CompressPosition);
    ini.writeInteger(kOgg, QStringLiteral("MaxBitRate"), s.OggMaxBitRate);
    ini.writeInteger(kOgg, QStringLiteral("NomalBitRate"), s.NomalBitRate);
    ini.writeInteger(kOgg, QStringLiteral("MinBitRate"), s.MinBitRate);

    ini.writeInteger(kWma, QStringLiteral("BitRate"), s.WMABitRate);
    ini.addSectionAfter(kFlac, kWma);
    ini.writeInteger(kFlac, QStringLiteral("Compression"), s.FLACCompression);
    ini.writeInteger(kCD, QStringLiteral("Index"), s.CDIndex);
    ini.writeBool(kCD, QStringLiteral("CDDb"), s.CDDb);
    ini.writeBool(kCD, QStringLiteral("SecureMode"), s.SecureMode);
    ini.writeInteger(kCD, QStringLiteral("ReadOffset"), s.ReadOffset);
    ini.writeBool(kCD, QStringLiteral("AccurateRip"), s.AccurateRip);
    ini.writeString(kCD, QStringLiteral("AccurateRipURL"), s.AccurateRipURL);
    ini.writeBool(kRecord, QStringLiteral("SaveMp3"), s.SaveMp3);

    ini.writeString(kCDDB, QStringLiteral("Server"), s.Server);
    ini.writeString(kCDDB, QStringLiteral("Script"), s.Script);
    ini.writeBool(kCDDB, QStringLiteral("UseProxy"), s.UseProxy);
    ini.writeString(kCDDB, QStringLiteral("ProxyAddress"), s.ProxyAddress);
    ini.writeString(kCDDB, QStringLiteral("Port"), s.Port);
    ini.writeString(kCDDB, QStringLiteral("Email"), s.Email);

    ini.writeBool(kID3, QStringLiteral("Use"), s.UseID3);
    ini.writeBool(kTips, QStringLiteral("IsShowTips"), s.IsShowTips);
    ini.writeInteger(kSkin, QStringLiteral("Index"), s.SkinIndex);

    if (!ini.save()) {
        if (error != nullptr) {
            *error = QStringLiteral("Unable to write to %1").arg(path);
        }
        return false;
    }
    return true;
}

} // namespace SettingsStore
