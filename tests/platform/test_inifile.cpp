#include "platform/IniFile.h"
#include "support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(IniFileTest, MissingFileReadsAsEmpty)
{
    TempFolder dir;
    IniFile ini(dir.file(QStringLiteral("none.ini")));
    ASSERT_TRUE(ini.load());
    EXPECT_TRUE(ini.sections().isEmpty());
    EXPECT_EQ(ini.readString(QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("dflt")), QStringLiteral("dflt"));
    EXPECT_EQ(ini.readInteger(QStringLiteral("A"), QStringLiteral("b"), 42), 42);
}

TEST(IniFileTest, RoundTripKeepsOrderAndValuesAsTheyStand)
{
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("options.ini"));
    {
        IniFile ini(path);
        ini.writeString(QStringLiteral("Zeta"), QStringLiteral("second"), QStringLiteral("a=b;c"));
        ini.writeString(QStringLiteral("Zeta"), QStringLiteral("first"), QStringLiteral("  leading blanks"));
        ini.writeString(QStringLiteral("Alpha"), QStringLiteral("Title"), QStringLiteral("Für Élise – 東京"));
        ini.writeInteger(QStringLiteral("Alpha"), QStringLiteral("Number"), -17);
        ini.writeBool(QStringLiteral("Alpha"), QStringLiteral("Flag"), true);
        ini.writeString(QStringLiteral("Zeta"), QStringLiteral("second"), QStringLiteral("x=y;z"));
        ASSERT_TRUE(ini.save());
    }
    EXPECT_EQ(readFileBytes(path), QByteArray("[Zeta]\nsecond=x=y;z\nfirst=  leading blanks\n"
                                              "[Alpha]\nTitle=")
                                       + QStringLiteral("Für Élise – 東京").toUtf8() + "\nNumber=-17\nFlag=1\n");
    IniFile again(path);
    ASSERT_TRUE(again.load());
    EXPECT_EQ(again.sections(), (QStringList{QStringLiteral("Zeta"), QStringLiteral("Alpha")}));
    EXPECT_EQ(again.keys(QStringLiteral("Zeta")), (QStringList{QStringLiteral("second"), QStringLiteral("first")}));
    EXPECT_EQ(again.readString(QStringLiteral("zeta"), QStringLiteral("FIRST")), QStringLiteral("  leading blanks"));
    EXPECT_EQ(again.readString(QStringLiteral("Alpha"), QStringLiteral("Title")), QStringLiteral("Für Élise – 東京"));
    EXPECT_EQ(again.readInteger(QStringLiteral("Alpha"), QStringLiteral("Number"), 0), -17);
    EXPECT_TRUE(again.readBool(QStringLiteral("Alpha"), QStringLiteral("Flag"), false));
}

TEST(IniFileTest, AddedSectionGoesAfterItsNeighbourOrAtTheEnd)
{
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("old.ini"));
    ASSERT_TRUE(writeFileBytes(path, "[A]\na=1\n[B]\nb=2\n"));
    IniFile ini(path);
    ASSERT_TRUE(ini.load());
    ini.addSectionAfter(QStringLiteral("New"), QStringLiteral("a"));
    ini.writeInteger(QStringLiteral("New"), QStringLiteral("n"), 3);
    ini.addSectionAfter(QStringLiteral("b"), QStringLiteral("New")); // exists: stays where it is
    ini.addSectionAfter(QStringLiteral("Last"), QStringLiteral("Missing"));
    ini.writeInteger(QStringLiteral("Last"), QStringLiteral("l"), 4);
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(readFileBytes(path), QByteArray("[A]\na=1\n[New]\nn=3\n[B]\nb=2\n[Last]\nl=4\n"));
}

TEST(IniFileTest, IntegersThatDoNotParseTakeTheDefault)
{
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("x.ini"));
    ASSERT_TRUE(writeFileBytes(path, "[S]\r\nA=12\r\nB=abc\r\nC=\r\nD= 7\r\nE=7\r\n"));
    IniFile ini(path);
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.readInteger(QStringLiteral("S"), QStringLiteral("A"), 1), 12);
    EXPECT_EQ(ini.readInteger(QStringLiteral("S"), QStringLiteral("B"), 1), 1);
    EXPECT_EQ(ini.readInteger(QStringLiteral("S"), QStringLiteral("C"), 1), 1);
    EXPECT_EQ(ini.readInteger(QStringLiteral("S"), QStringLiteral("D"), 1), 7);
    EXPECT_TRUE(ini.readBool(QStringLiteral("S"), QStringLiteral("E"), false));
    EXPECT_EQ(ini.readString(QStringLiteral("S"), QStringLiteral("A")), QStringLiteral("12"));
}

TEST(IniFileTest, FailedSaveLeavesThePreviousFileByteForByte)
{
    if (::geteuid() == 0) {
        // Root ignores folder permissions; use a path whose folder is a file instead.
    }
    TempFolder dir;
    const QString folder = dir.file(QStringLiteral("locked"));
    ASSERT_EQ(::mkdir(folder.toLocal8Bit().constData(), 0755), 0);
    const QString path = folder + QStringLiteral("/options.ini");
    const QByteArray before("[CommonOptions]\nOutputFolder=/music\n");
    ASSERT_TRUE(writeFileBytes(path, before));

    IniFile ini(path);
    ASSERT_TRUE(ini.load());
    ini.writeString(QStringLiteral("CommonOptions"), QStringLiteral("OutputFolder"), QStringLiteral("/elsewhere"));
    // Make the folder refuse new files: the temporary file cannot be created, so
    // nothing may reach the old file either. A full disk behaves the same way.
    ASSERT_EQ(::chmod(folder.toLocal8Bit().constData(), 0555), 0);
    QFile probe(folder + QStringLiteral("/probe"));
    const bool canStillWrite = probe.open(QIODevice::WriteOnly);
    probe.close();
    probe.remove();
    if (canStillWrite) {
        ::chmod(folder.toLocal8Bit().constData(), 0755);
        // Running as root: replace the folder-permission trick by a target that is a folder.
        const QString blocked = dir.file(QStringLiteral("blocked.ini"));
        ASSERT_EQ(::mkdir(blocked.toLocal8Bit().constData(), 0755), 0);
        IniFile other(blocked);
        other.writeString(QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("c"));
        EXPECT_FALSE(other.save());
        EXPECT_FALSE(other.errorString().isEmpty());
        EXPECT_EQ(readFileBytes(path), before);
        return;
    }
    EXPECT_FALSE(ini.save());
    EXPECT_FALSE(ini.errorString().isEmpty());
    ::chmod(folder.toLocal8Bit().constData(), 0755);
    EXPECT_EQ(readFileBytes(path), before);
}
