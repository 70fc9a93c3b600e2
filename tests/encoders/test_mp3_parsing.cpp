#include "encoders/TMp3EncodeProcess.h"
#include "settings/TSettings.h"

#include <gtest/gtest.h>

namespace {

struct CommandCase
{
    const char* name;
    std::function<void(TSettings&)> change;
    const char* options; // between "lame" and the quoted file names
};

class Mp3CommandTest : public ::testing::TestWithParam<CommandCase>
{
};

TSettings defaults()
{
    TSettings settings;
    settings.BitRate = 128;
    settings.StereoMode = 1;
    settings.MpegQuality = 0;
    settings.IsSelectVBR = false;
    settings.VBRQuality = 4;
    settings.MaxBitRate = 320;
    settings.IsVBRHead = false;
    return settings;
}

} // namespace

TEST_P(Mp3CommandTest, BuildsTheEncodeLine)
{
    TSettings settings = defaults();
    GetParam().change(settings);
    const EncoderCommand command = TMp3EncodeProcess::buildCommand(settings, true, QStringLiteral("/music/in.wav"),
                                                                   QStringLiteral("/music/out.mp3"));
    EXPECT_EQ(
        command.text(),
        QStringLiteral("lame%1 \"/music/in.wav\" \"/music/out.mp3\"").arg(QString::fromLatin1(GetParam().options)));
    // The vector holds the same parts, the file names unquoted.
    QStringList expected = QString::fromLatin1(GetParam().options).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    expected << QStringLiteral("/music/in.wav") << QStringLiteral("/music/out.mp3");
    EXPECT_EQ(command.arguments(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, Mp3CommandTest,
    ::testing::Values(
        CommandCase{"Defaults", [](TSettings&) {}, " -b 128 -m j"},
        CommandCase{"VbrWithHeader",
                    [](TSettings& s) {
                        s.IsSelectVBR = true;
                        s.IsVBRHead = true;
                    },
                    " -b 128 -m j -V 4 -B 320 -t"},
        CommandCase{"VbrWithoutHeader", [](TSettings& s) { s.IsSelectVBR = true; }, " -b 128 -m j -V 4 -B 320"},
        CommandCase{"VbrHeaderAloneAddsNothing", [](TSettings& s) { s.IsVBRHead = true; }, " -b 128 -m j"},
        CommandCase{"VbrValuesWithoutVbrAddNothing",
                    [](TSettings& s) {
                        s.VBRQuality = 0;
                        s.MaxBitRate = 32;
                    },
                    " -b 128 -m j"},
        CommandCase{"Stereo", [](TSettings& s) { s.StereoMode = 0; }, " -b 128 -m s"},
        CommandCase{"ForcedJointStereo", [](TSettings& s) { s.StereoMode = 2; }, " -b 128 -m f"},
        CommandCase{"DualChannel", [](TSettings& s) { s.StereoMode = 3; }, " -b 128 -m d"},
        CommandCase{"Mono", [](TSettings& s) { s.StereoMode = 4; }, " -b 128 -m m"},
        CommandCase{"UnknownStereoModeAddsNothing", [](TSettings& s) { s.StereoMode = 5; }, " -b 128"},
        CommandCase{"FastQuality", [](TSettings& s) { s.MpegQuality = 1; }, " -b 128 -m j -f"},
        CommandCase{"HighQuality", [](TSettings& s) { s.MpegQuality = 2; }, " -b 128 -m j -h"},
        CommandCase{"UnknownQualityAddsNothing", [](TSettings& s) { s.MpegQuality = 3; }, " -b 128 -m j"},
        CommandCase{"Everything",
                    [](TSettings& s) {
                        s.BitRate = 320;
                        s.StereoMode = 4;
                        s.MpegQuality = 2;
                        s.IsSelectVBR = true;
                        s.VBRQuality = 0;
                        s.MaxBitRate = 256;
                        s.IsVBRHead = true;
                    },
                    " -b 320 -m m -h -V 0 -B 256 -t"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Mp3CommandTest, DecodeLineNamesOnlyTheFiles)
{
    const EncoderCommand command =
        TMp3EncodeProcess::buildCommand(defaults(), false, QStringLiteral("/a/in.mp3"), QStringLiteral("/a/out.wav"));
    EXPECT_EQ(command.text(), QStringLiteral("lame --decode \"/a/in.mp3\" \"/a/out.wav\""));
    EXPECT_EQ(command.arguments(),
              (QStringList{QStringLiteral("--decode"), QStringLiteral("/a/in.mp3"), QStringLiteral("/a/out.wav")}));
}

TEST(Mp3CommandTest, OddFileNamesStayOneArgumentEach)
{
    const QString input = QStringLiteral("/a/say \"hi\" & go.wav");
    const QString output = QStringLiteral("-dash.mp3");
    const EncoderCommand command =
        TMp3EncodeProcess::buildCommand(defaults(), true, input, output, QStringLiteral("/opt/lame"));
    EXPECT_EQ(command.program(), QStringLiteral("/opt/lame"));
    EXPECT_TRUE(command.text().startsWith(QStringLiteral("lame -b 128")));
    EXPECT_TRUE(command.text().endsWith(QStringLiteral(" \"") + input + QStringLiteral("\" \"-dash.mp3\"")));
    ASSERT_GE(command.arguments().size(), 2);
    EXPECT_EQ(command.arguments().at(command.arguments().size() - 2), input);
    // A relative name that looks like an option must not be read as one.
    EXPECT_EQ(command.arguments().last(), QStringLiteral("./-dash.mp3"));
}

// ---- the encoder's progress output ----

struct LineCase
{
    const char* name;
    const char* line;
    int progress; // 0: no record
    const char* elapsed;
    const char* estimated;
};

class Mp3EncodeLineTest : public ::testing::TestWithParam<LineCase>
{
};

// Lines laid out with the "%" of "(18%)" at character 19: the progress column is 16.
TEST_P(Mp3EncodeLineTest, ReadsProgressAtTheFixedColumn)
{
    int column = 0;
    // "( 0%)" at 16..20 fixes the column and reports nothing itself.
    EXPECT_FALSE(TMp3EncodeProcess::parseEncodeLine(QStringLiteral("      0/       ( 0%)    0:00/     :  |"), column));
    ASSERT_EQ(column, 16);
    const auto parsed = TMp3EncodeProcess::parseEncodeLine(QString::fromLatin1(GetParam().line), column);
    EXPECT_EQ(column, 16);
    if (GetParam().progress == 0) {
        EXPECT_FALSE(parsed);
        return;
    }
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->progress, GetParam().progress);
    EXPECT_EQ(parsed->elapsed, QString::fromLatin1(GetParam().elapsed));
    EXPECT_EQ(parsed->estimated, QString::fromLatin1(GetParam().estimated));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Mp3EncodeLineTest,
    ::testing::Values(LineCase{"Eighteen", "    200/1150   (18%)    0:01/    0:07|", 18, "0:01", "0:07"},
                      LineCase{"Hundred", "   1150/1150   100%)    0:07/    0:07|", 100, "0:07", "0:07"},
                      LineCase{"SingleDigit", "     60/1150    (5%)    0:00/    0:08|", 5, "0:00", "0:08"},
                      LineCase{"SingleDigitAfterBlank", "    100/1150   ( 9%)   12:03/   20:00|", 9, "12:03", "20:00"},
                      LineCase{"Zero", "      0/1150   ( 0%)    0:00/    0:00|", 0, "", ""},
                      LineCase{"AboveHundred", "   1150/1150   101%)    0:07/    0:07|", 0, "", ""},
                      LineCase{"HistogramLine", "   kbps        MS  %     long switch short %", 0, "", ""},
                      LineCase{"NoPercent", "Writing LAME Tag...done", 0, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Mp3EncodeLineTest, RealEncoderLinesGiveTheirPercentages)
{
    // As the encoder writes them on this platform (after splitting at CR and LF).
    int column = 0;
    EXPECT_FALSE(TMp3EncodeProcess::parseEncodeLine(
        QStringLiteral("     0/       ( 0%)|    0:00/     :  |    0:00/     :  |         x|     :  "), column));
    EXPECT_EQ(column, 15);
    const auto nine = TMp3EncodeProcess::parseEncodeLine(
        QStringLiteral("   100/1150   ( 9%)|    0:00/    0:00|    0:00/    0:00|   117.81x|    0:00 "), column);
    ASSERT_TRUE(nine);
    EXPECT_EQ(nine->progress, 9);
    EXPECT_EQ(nine->elapsed, QStringLiteral("0:00"));
    const auto all = TMp3EncodeProcess::parseEncodeLine(
        QStringLiteral("  1150/1150  (100%)|    0:01/    0:01|    0:01/    0:01|   102.31x|    0:00 "), column);
    ASSERT_TRUE(all);
    EXPECT_EQ(all->progress, 100);
    EXPECT_EQ(all->estimated, QStringLiteral("0:01"));
    EXPECT_FALSE(TMp3EncodeProcess::parseEncodeLine(QStringLiteral("   kbps      %     %\x1b[K"), column));
}

TEST(Mp3EncodeLineTest, FileNameWithPercentDoesNotFixTheColumn)
{
    int column = 0;
    EXPECT_FALSE(TMp3EncodeProcess::parseEncodeLine(
        QStringLiteral("Encoding /music/100% Pure (live).wav to /music/100% Pure (live).mp3"), column));
    EXPECT_EQ(column, 0);
    const auto nine = TMp3EncodeProcess::parseEncodeLine(
        QStringLiteral("   100/1150   ( 9%)|    0:00/    0:00|    0:00/    0:00|   117.81x|    0:00 "), column);
    EXPECT_EQ(column, 15);
    ASSERT_TRUE(nine);
    EXPECT_EQ(nine->progress, 9);
}

struct DecodeCase
{
    const char* name;
    const char* line;
    std::int64_t elapsed;
    int progress; // 0: no record
    const char* elapsedText;
    const char* estimatedText;
};

class Mp3DecodeLineTest : public ::testing::TestWithParam<DecodeCase>
{
};

TEST_P(Mp3DecodeLineTest, ReadsFrameCounts)
{
    int column = 0;
    EXPECT_FALSE(TMp3EncodeProcess::parseDecodeLine(QStringLiteral("Frame#     1/1150   128 kbps  LMSR  "), column, 0));
    ASSERT_EQ(column, 7);
    const auto parsed =
        TMp3EncodeProcess::parseDecodeLine(QString::fromLatin1(GetParam().line), column, GetParam().elapsed);
    if (GetParam().progress == 0) {
        EXPECT_FALSE(parsed);
        return;
    }
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->progress, GetParam().progress);
    EXPECT_EQ(parsed->elapsed, QString::fromLatin1(GetParam().elapsedText));
    EXPECT_EQ(parsed->estimated, QString::fromLatin1(GetParam().estimatedText));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, Mp3DecodeLineTest,
    ::testing::Values(
        DecodeCase{"Half", "Frame#   575/1150   128 kbps   MS            \b\b\b\b\b\b\b\b", 10, 50, "00:10", "00:20"},
        DecodeCase{"Quarter", "Frame#    16/64     128 kbps   MS  ", 5, 25, "00:05", "00:20"},
        DecodeCase{"EstimateHalfGoesToEvenDown", "Frame#     8/100    128 kbps   MS  ", 5, 8, "00:05", "01:02"},
        DecodeCase{"Whole", "Frame#  1150/1150   128 kbps   MS  ", 67, 100, "01:07", "01:07"},
        DecodeCase{"BelowOnePercent", "Frame#     2/1150   128 kbps   MS  ", 0, 0, "", ""},
        DecodeCase{"NoFrames", "Frame#     2/0      128 kbps   MS  ", 3, 0, "", ""},
        DecodeCase{"NotAFrameLine", "skipping final 695 samples (encoder padding-decoder delay)", 3, 0, "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Mp3DecodeLineTest, FileNameWithHashDoesNotFixTheColumn)
{
    int column = 0;
    EXPECT_FALSE(TMp3EncodeProcess::parseDecodeLine(
        QStringLiteral("input:  /music/Symphony #5.mp3  (44.1 kHz, 2 channels, MPEG-1 Layer III)"), column, 0));
    EXPECT_EQ(column, 0);
    EXPECT_TRUE(TMp3EncodeProcess::parseDecodeLine(QStringLiteral("Frame#   575/1150   128 kbps   MS"), column, 1));
    EXPECT_EQ(column, 7);
}
