#include "platform/IniFile.h"
#include "settings/DiscInfoStore.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

class SettingsStoreTest : public ::testing::Test
{
protected:
    void SetUp() override { qputenv("TARNWICK_HOME", dir.path().toUtf8()); }
    void TearDown() override { qunsetenv("TARNWICK_HOME"); }
    QString path() const { return dir.file(QStringLiteral("options.ini")); }

    TempFolder dir;
};

TEST_F(SettingsStoreTest, MissingFileGivesTheDefaults)
{
    TSettings s;
    SettingsStore::load(s, path());
    EXPECT_EQ(s.OutputFolder, dir.path() + QStringLiteral("/Output"));
    EXPECT_EQ(s.OutputFormat, 0);
    EXPECT_EQ(s.NormalizePercent, 95);
    EXPECT_EQ(s.BitRate, 128);
    EXPECT_EQ(s.MaxBitRate, 320);
    EXPECT_EQ(s.VBRQuality, 4);
    EXPECT_EQ(s.StereoMode, 1);
    EXPECT_TRUE(s.IsUseCompress);
    EXPECT_EQ(s.CompressPosition, 30);
    EXPECT_EQ(s.WMABitRate, 8);
    EXPECT_EQ(s.FLACCompression, 5);
    EXPECT_EQ(s.CDIndex, -1);
    EXPECT_EQ(s.Script, QStringLiteral("/~cddb/cddb.cgi"));
    EXPECT_EQ(s.Port, QStringLiteral("80"));
    EXPECT_EQ(s.Email, SettingsStore::defaultEmail());
    EXPECT_FALSE(s.Server.isEmpty());
    EXPECT_TRUE(s.IsShowTips);
    EXPECT_EQ(s.SkinIndex, 0);
    EXPECT_FALSE(s.SecureMode);
    EXPECT_EQ(s.ReadOffset, 0);
    EXPECT_TRUE(s.AccurateRip);
    EXPECT_EQ(s.AccurateRipURL, QStringLiteral("http://www.accuraterip.com/accuraterip"));
}

struct ReadingCase
{
    const char* name;
    const char* lines; // the CDOptions section's lines as typed
    bool secure;
    int offset;
    bool accurateRip;
    const char* url;
};

class ReadingSettings : public SettingsStoreTest, public ::testing::WithParamInterface<ReadingCase>
{
};

// The reading keys load as typed when they make sense and as their defaults when not, and
// are written back after the section's two older keys.
TEST_P(ReadingSettings, LoadAndRoundTripAfterTheOlderKeys)
{
    const ReadingCase& c = GetParam();
    ASSERT_TRUE(writeFileBytes(path(), QByteArray("[CDOptions]\nIndex=2\nCDDb=1\n") + c.lines));
    TSettings s;
    SettingsStore::load(s, path());
    EXPECT_EQ(s.SecureMode, c.secure);
    EXPECT_EQ(s.ReadOffset, c.offset);
    EXPECT_EQ(s.AccurateRip, c.accurateRip);
    EXPECT_EQ(s.AccurateRipURL, QString::fromUtf8(c.url));
    ASSERT_TRUE(SettingsStore::save(s, path()));
    IniFile ini(path());
    ini.load();
    // New keys follow the older two; keys typed in by hand keep their places.
    QStringList keys = ini.keys(QStringLiteral("CDOptions"));
    if (QByteArray(c.lines).isEmpty()) {
        EXPECT_EQ(keys, (QStringList{"Index", "CDDb", "SecureMode", "ReadOffset", "AccurateRip", "AccurateRipURL"}));
    }
    EXPECT_EQ(keys.mid(0, 2), (QStringList{"Index", "CDDb"}));
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"AccurateRip", "AccurateRipURL", "CDDb", "Index", "ReadOffset", "SecureMode"}));
    TSettings again;
    SettingsStore::load(again, path());
    EXPECT_EQ(again.SecureMode, c.secure);
    EXPECT_EQ(again.ReadOffset, c.offset);
    EXPECT_EQ(again.AccurateRip, c.accurateRip);
    EXPECT_EQ(again.AccurateRipURL, QString::fromUtf8(c.url));
    EXPECT_EQ(again.CDIndex, 2);
    EXPECT_TRUE(again.CDDb);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ReadingSettings,
    ::testing::Values(
        ReadingCase{"Missing", "", false, 0, true, "http://www.accuraterip.com/accuraterip"},
        ReadingCase{"AllSet", "SecureMode=1\nReadOffset=6\nAccurateRip=0\nAccurateRipURL=http://127.0.0.1:8080/ar\n",
                    true, 6, false, "http://127.0.0.1:8080/ar"},
        ReadingCase{"NegativeOffset", "ReadOffset=-1164\n", false, -1164, true,
                    "http://www.accuraterip.com/accuraterip"},
        ReadingCase{"LargestOffset", "ReadOffset=10000\n", false, 10000, true,
                    "http://www.accuraterip.com/accuraterip"},
        ReadingCase{"AbsurdOffset", "ReadOffset=10001\n", false, 0, true, "http://www.accuraterip.com/accuraterip"},
        ReadingCase{"AbsurdNegativeOffset", "ReadOffset=-99999999\n", false, 0, true,
                    "http://www.accuraterip.com/accuraterip"},
        ReadingCase{"TextForNumbers", "SecureMode=yes\nReadOffset=six\nAccurateRip=off\n", false, 0, true,
                    "http://www.accuraterip.com/accuraterip"},
        ReadingCase{"OtherScheme", "AccurateRipURL=file:///etc/passwd\n", false, 0, true,
                    "http://www.accuraterip.com/accuraterip"},
        ReadingCase{"NoHost", "AccurateRipURL=http://\n", false, 0, true, "http://www.accuraterip.com/accuraterip"},
        ReadingCase{"WithQuery", "AccurateRipURL=http://example.org/ar?x=1\n", false, 0, true,
                    "http://www.accuraterip.com/accuraterip"},
        ReadingCase{"HttpsKept", "AccurateRipURL= https://mirror.example.org/accuraterip \n", false, 0, true,
                    "https://mirror.example.org/accuraterip"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ClampCase
{
    const char* section;
    const char* key;
    const char* stored;
    int loaded;
};

class ClampedOnLoadTest : public SettingsStoreTest, public ::testing::WithParamInterface<ClampCase>
{
protected:
    static int field(const TSettings& s, const QString& key)
    {
        return key == QLatin1String("Compression") ? s.FLACCompression : s.CompressPosition;
    }
};

TEST_P(ClampedOnLoadTest, LoadsClampedAndSavesTheCorrectedValue)
{
    const ClampCase& c = GetParam();
    ASSERT_TRUE(writeFileBytes(path(), QByteArray("[") + c.section + "]\n" + c.key + "=" + c.stored + "\n"));
    TSettings s;
    SettingsStore::load(s, path());
    EXPECT_EQ(field(s, QString::fromLatin1(c.key)), c.loaded);
    ASSERT_TRUE(SettingsStore::save(s, path()));
    IniFile ini(path());
    ini.load();
    EXPECT_EQ(ini.readString(QString::fromLatin1(c.section), QString::fromLatin1(c.key)), QString::number(c.loaded));
}

INSTANTIATE_TEST_SUITE_P(Values, ClampedOnLoadTest,
                         ::testing::Values(ClampCase{"OggOptions", "CompressPosition", "5", 30},
                                           ClampCase{"OggOptions", "CompressPosition", "250", 100},
                                           ClampCase{"OggOptions", "CompressPosition", "64", 64},
                                           ClampCase{"OggOptions", "CompressPosition", "x", 30},
                                           ClampCase{"FLACOptions", "Compression", "-2", 0},
                                           ClampCase{"FLACOptions", "Compression", "12", 8},
                                           ClampCase{"FLACOptions", "Compression", "3", 3},
                                           ClampCase{"FLACOptions", "Compression", "fast", 5}));

TEST_F(SettingsStoreTest, FileOfAnOlderVersionGetsTheFlacSectionAfterTheWmaSection)
{
    ASSERT_TRUE(writeFileBytes(path(), "[CommonOptions]\nOutputFormat=2\n[WMAOptions]\nBitRate=5\n"
                                       "[CDOptions]\nIndex=0\n[Skin]\nIndex=3\n"));
    TSettings s;
    SettingsStore::load(s, path());
    EXPECT_EQ(s.FLACCompression, 5);
    ASSERT_TRUE(SettingsStore::save(s, path()));
    IniFile ini(path());
    ini.load();
    const QStringList sections = ini.sections();
    ASSERT_GE(sections.size(), 4);
    EXPECT_EQ(sections.mid(0, 4), (QStringList{"CommonOptions", "WMAOptions", "FLACOptions", "CDOptions"}));
    EXPECT_EQ(ini.keys(QStringLiteral("FLACOptions")), QStringList{"Compression"});
    EXPECT_EQ(ini.readString(QStringLiteral("FLACOptions"), QStringLiteral("Compression")), QStringLiteral("5"));
}

TEST_F(SettingsStoreTest, ValuesRoundTripInKeyOrder)
{
    ASSERT_TRUE(writeFileBytes(path(), "[CommonOptions]\nIsKeepWav=7\n[QueryCDDB]\nPort=eighty\n"
                                       "[Mp3Options]\nMaxBitRate=256\n[OggOptions]\nMaxBitRate=9\n"));
    TSettings s;
    SettingsStore::load(s, path());
    EXPECT_TRUE(s.IsKeepWav);
    EXPECT_EQ(s.Port, QStringLiteral("eighty"));
    EXPECT_EQ(s.portNumber(), 80);
    EXPECT_EQ(s.MaxBitRate, 256);
    EXPECT_EQ(s.OggMaxBitRate, 9);
    ASSERT_TRUE(SettingsStore::save(s, path()));
    IniFile ini(path());
    ini.load();
    EXPECT_EQ(ini.readString(QStringLiteral("CommonOptions"), QStringLiteral("IsKeepWav")), QStringLiteral("1"));
    EXPECT_EQ(ini.readString(QStringLiteral("QueryCDDB"), QStringLiteral("Port")), QStringLiteral("eighty"));
    EXPECT_EQ(ini.sections(), (QStringList{"CommonOptions", "QueryCDDB", "Mp3Options", "OggOptions", "WMAOptions",
                                           "FLACOptions", "CDOptions", "RecordOptions", "ID3", "TipsOptions", "Skin"}));
    EXPECT_EQ(ini.keys(QStringLiteral("CommonOptions")),
              (QStringList{"IsKeepWav", "OutputFolder", "OutputFormat", "IsNormalize", "NormalizePercent",
                           "EnableRipTime", "RipTime"}));
    EXPECT_EQ(ini.keys(QStringLiteral("QueryCDDB")),
              (QStringList{"Port", "Server", "Script", "UseProxy", "ProxyAddress", "Email"}));
}

struct EmailCase
{
    const char* name;
    QByteArray file; // options.ini before the load
    const char* loaded;
};

class EmailSetting : public SettingsStoreTest, public ::testing::WithParamInterface<EmailCase>
{
};

// The address the CDDB greeting carries: the default until the user sets one, and what
// the user typed kept as typed, even when it is not an address the greeting can carry.
TEST_P(EmailSetting, LoadsAndRoundTrips)
{
    ASSERT_TRUE(writeFileBytes(path(), GetParam().file));
    TSettings s;
    SettingsStore::load(s, path());
    EXPECT_EQ(s.Email, QString::fromUtf8(GetParam().loaded));
    ASSERT_TRUE(SettingsStore::save(s, path()));
    TSettings again;
    SettingsStore::load(again, path());
    EXPECT_EQ(again.Email, s.Email);
    IniFile ini(path());
    ini.load();
    EXPECT_EQ(ini.readString(QStringLiteral("QueryCDDB"), QStringLiteral("Email")), s.Email);
}

INSTANTIATE_TEST_SUITE_P(
    Files, EmailSetting,
    ::testing::Values(EmailCase{"NoKeyGivesTheDefault", "[QueryCDDB]\nPort=80\n", "tarnwick@users.invalid"},
                      EmailCase{"OwnAddress", "[QueryCDDB]\nEmail=jo@example.org\n", "jo@example.org"},
                      EmailCase{"NotAnAddressStaysAsTyped", "[QueryCDDB]\nEmail=jo at home\n", "jo at home"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsStoreTest, FreshFileIsWrittenInTheFixedKeyOrder)
{
    TSettings s;
    SettingsStore::load(s, path());
    ASSERT_TRUE(SettingsStore::save(s, path()));
    IniFile ini(path());
    ini.load();
    EXPECT_EQ(ini.keys(QStringLiteral("Mp3Options")), (QStringList{"IsSelectVBR", "IsVBRHead", "BitRate", "MaxBitRate",
                                                                   "MpegQuality", "VBRQuality", "StereoMode"}));
    EXPECT_EQ(ini.keys(QStringLiteral("OggOptions")),
              (QStringList{"IsUseCompress", "CompressPosition", "MaxBitRate", "NomalBitRate", "MinBitRate"}));
}

TEST_F(SettingsStoreTest, FailedSaveReportsThePath)
{
    const QString blocked = dir.file(QStringLiteral("folder.ini"));
    ASSERT_EQ(::mkdir(blocked.toLocal8Bit().constData(), 0755), 0);
    TSettings s;
    QString error;
    EXPECT_FALSE(SettingsStore::save(s, blocked, &error));
    EXPECT_EQ(error, QStringLiteral("Unable to write to ") + blocked);
}

class DiscInfoStoreTest : public ::testing::Test
{
protected:
    QString path() const { return dir.file(QStringLiteral("cdinfo.dat")); }
    TempFolder dir;
};

TEST_F(DiscInfoStoreTest, NewDiscGetsDefaultTitles)
{
    TDiscInfo disc;
    disc.Artist = QStringLiteral("previous");
    DiscInfoStore::load(disc, QStringLiteral("671242"), path());
    EXPECT_TRUE(disc.Artist.isEmpty());
    EXPECT_EQ(disc.Genre, -1);
    EXPECT_EQ(disc.TrackNumber, 100);
    EXPECT_EQ(disc.title(1), QStringLiteral("Track01"));
    EXPECT_EQ(disc.title(7), QStringLiteral("Track07"));
    EXPECT_EQ(disc.title(12), QStringLiteral("Track12"));
    EXPECT_EQ(disc.title(100), QStringLiteral("Track100"));
}

TEST_F(DiscInfoStoreTest, StoredSectionKeepsLaterTitlesOfThePreviousDisc)
{
    ASSERT_TRUE(writeFileBytes(path(), "[-12345]\nArtist=Band\nGenre=17\nTrackNumber=3\n1=One\n2=\n3=Three\n"));
    TDiscInfo disc;
    disc.setTitle(4, QStringLiteral("old four"));
    DiscInfoStore::load(disc, QStringLiteral("-12345"), path());
    EXPECT_EQ(disc.Artist, QStringLiteral("Band"));
    EXPECT_EQ(disc.Genre, 17);
    EXPECT_EQ(disc.title(1), QStringLiteral("One"));
    EXPECT_EQ(disc.title(2), QStringLiteral("Track02"));
    EXPECT_EQ(disc.title(3), QStringLiteral("Three"));
    EXPECT_EQ(disc.title(4), QStringLiteral("old four"));
}

TEST_F(DiscInfoStoreTest, TrackNumberAboveTheRecordReadsAndWritesOnlyHundredTitles)
{
    QByteArray text("[7]\nTrackNumber=250\n");
    for (int n = 1; n <= 250; ++n) {
        text += QByteArray::number(n) + "=T" + QByteArray::number(n) + "\n";
    }
    ASSERT_TRUE(writeFileBytes(path(), text));
    TDiscInfo disc;
    DiscInfoStore::load(disc, QStringLiteral("7"), path());
    EXPECT_EQ(disc.title(100), QStringLiteral("T100"));
    EXPECT_TRUE(disc.title(101).isEmpty());
    ASSERT_TRUE(DiscInfoStore::save(disc, QStringLiteral("8"), path()));
    IniFile ini(path());
    ini.load();
    EXPECT_EQ(ini.keys(QStringLiteral("8")).size(), 6 + 100);
}

TEST_F(DiscInfoStoreTest, EmptyKeyNeitherLoadsNorSaves)
{
    TDiscInfo disc;
    disc.Artist = QStringLiteral("kept");
    DiscInfoStore::load(disc, QString(), path());
    EXPECT_EQ(disc.Artist, QStringLiteral("kept"));
    EXPECT_TRUE(DiscInfoStore::save(disc, QString(), path()));
    EXPECT_FALSE(QFile::exists(path()));
}

TEST_F(DiscInfoStoreTest, SaveKeepsHigherTitlesOfAnEarlierSave)
{
    TDiscInfo disc;
    disc.TrackNumber = 3;
    for (int n = 1; n <= 3; ++n) {
        disc.setTitle(n, QStringLiteral("Song %1").arg(n));
    }
    ASSERT_TRUE(DiscInfoStore::save(disc, QStringLiteral("5"), path()));
    disc.TrackNumber = 1;
    disc.setTitle(1, QStringLiteral("Renamed\nwith a break"));
    ASSERT_TRUE(DiscInfoStore::save(disc, QStringLiteral("5"), path()));
    IniFile ini(path());
    ini.load();
    EXPECT_EQ(ini.readString(QStringLiteral("5"), QStringLiteral("1")), QStringLiteral("Renamed with a break"));
    EXPECT_EQ(ini.readString(QStringLiteral("5"), QStringLiteral("3")), QStringLiteral("Song 3"));
    EXPECT_EQ(ini.readString(QStringLiteral("5"), QStringLiteral("TrackNumber")), QStringLiteral("1"));
}
