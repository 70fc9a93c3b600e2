#include "cli/CliOptions.h"

#include <gtest/gtest.h>

namespace {

struct BadLine
{
    const char* name;
    QStringList arguments;
    const char* errorPart; // a piece of the error text
};

class BadCommandLine : public ::testing::TestWithParam<BadLine>
{
};

TEST_P(BadCommandLine, IsRefusedWithAReason)
{
    const CliParse parse = parseCommandLine(GetParam().arguments);
    EXPECT_TRUE(parse.error.contains(QString::fromUtf8(GetParam().errorPart))) << parse.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Cli, BadCommandLine,
    ::testing::Values(BadLine{"NoCommand", {}, "no command"}, BadLine{"UnknownCommand", {"burn"}, "unknown command"},
                      BadLine{"UnknownFormat", {"rip", "--format", "aac"}, "unknown format 'aac'"},
                      BadLine{"UnknownConvertFormat", {"convert", "--to", "aiff", "a.wav"}, "unknown format 'aiff'"},
                      BadLine{"TrackZero", {"rip", "--tracks", "0"}, "no track 0"},
                      BadLine{"TrackZeroInRange", {"rip", "--tracks", "0-2"}, "no track 0"},
                      BadLine{"BackwardRange", {"rip", "--tracks", "3-1"}, "3-1 runs backwards"},
                      BadLine{"NotAList", {"rip", "--tracks", "1,,2"}, "not a list"},
                      BadLine{"OpenRange", {"rip", "--tracks", "2-"}, "not a list"},
                      BadLine{"JobsZero", {"rip", "--jobs", "0"}, "--jobs"},
                      BadLine{"JobsText", {"convert", "--to", "mp3", "--jobs", "two", "a.wav"}, "--jobs"},
                      BadLine{"NormalizeAbove100", {"rip", "--normalize", "101"}, "--normalize"},
                      BadLine{"MissingValue", {"rip", "--output"}, "needs a value"},
                      BadLine{"OffsetText", {"rip", "--offset", "six"}, "--offset: 'six' is not a number"},
                      BadLine{"OffsetBeyondTheLimit", {"rip", "--offset=10001"}, "from -10000 to 10000"},
                      BadLine{"OffsetBelowTheLimit", {"rip", "--offset", "-10001"}, "--offset"},
                      BadLine{"OffsetFraction", {"rip", "--offset", "6.5"}, "--offset"},
                      BadLine{"OffsetMissing", {"rip", "--offset"}, "needs a value"},
                      BadLine{"SecureWithValue", {"rip", "--secure=1"}, "takes no value"},
                      BadLine{
                          "SecureForConvert", {"convert", "--to", "mp3", "--secure", "a.wav"}, "no option --secure"},
                      BadLine{"OptionOfAnotherCommand", {"toc", "--jobs", "2"}, "toc takes no option --jobs"},
                      BadLine{"ValueOnSwitch", {"rip", "--keep-wav=yes"}, "takes no value"},
                      BadLine{"StrayArgument", {"rip", "extra"}, "unexpected argument"},
                      BadLine{"ConvertWithoutTo", {"convert", "a.wav"}, "needs --to"},
                      BadLine{"ConvertWithoutFiles", {"convert", "--to", "ogg"}, "at least one FILE"}),
    [](const ::testing::TestParamInfo<BadLine>& info) { return std::string(info.param.name); });

TEST(CliOptions, ReadsEveryRipOptionInBothSpellings)
{
    const CliParse parse = parseCommandLine({"rip", "--drive", "1", "--tracks=1-3,5", "--format", "ogg", "--output",
                                             "/music", "--jobs=3", "--normalize", "90", "--keep-wav", "--quiet"});
    ASSERT_TRUE(parse.error.isEmpty()) << parse.error.toStdString();
    const CliOptions& o = parse.options;
    EXPECT_EQ(o.command, CliOptions::Rip);
    EXPECT_EQ(o.drive, 1);
    const std::vector<std::pair<int, int>> ranges = {{1, 3}, {5, 5}};
    EXPECT_EQ(o.tracks, ranges);
    EXPECT_EQ(o.format, QStringLiteral("ogg"));
    EXPECT_EQ(o.output, QStringLiteral("/music"));
    EXPECT_EQ(o.jobs, 3);
    EXPECT_EQ(o.normalize, 90);
    EXPECT_TRUE(o.keepWav);
    EXPECT_TRUE(o.quiet);
}

struct OffsetLine
{
    const char* name;
    QStringList arguments;
    bool secure;
    std::optional<int> offset;
};

class ReadingOptions : public ::testing::TestWithParam<OffsetLine>
{
};

TEST_P(ReadingOptions, AreReadInEverySpelling)
{
    const CliParse parse = parseCommandLine(GetParam().arguments);
    ASSERT_TRUE(parse.error.isEmpty()) << parse.error.toStdString();
    EXPECT_EQ(parse.options.secure, GetParam().secure);
    EXPECT_EQ(parse.options.offset, GetParam().offset);
}

INSTANTIATE_TEST_SUITE_P(Cli, ReadingOptions,
                         ::testing::Values(OffsetLine{"Neither", {"rip"}, false, std::nullopt},
                                           OffsetLine{"SecureOnly", {"rip", "--secure"}, true, std::nullopt},
                                           OffsetLine{"NegativeAsNextArgument", {"rip", "--offset", "-30"}, false, -30},
                                           OffsetLine{"PlusSign", {"rip", "--secure", "--offset=+6"}, true, 6},
                                           OffsetLine{"Zero", {"rip", "--offset", "0", "--secure"}, true, 0},
                                           OffsetLine{"Limits", {"rip", "--offset", "-10000"}, false, -10000}),
                         [](const ::testing::TestParamInfo<OffsetLine>& info) { return std::string(info.param.name); });

TEST(CliOptions, ConvertTakesFilesAnywhereAndAfterTheEndOfOptions)
{
    const CliParse parse = parseCommandLine({"convert", "a.wav", "--to", "mp3", "--", "--odd name.wav"});
    ASSERT_TRUE(parse.error.isEmpty()) << parse.error.toStdString();
    EXPECT_EQ(parse.options.files, (QStringList{"a.wav", "--odd name.wav"}));
    EXPECT_EQ(parse.options.format, QStringLiteral("mp3"));
}

TEST(CliOptions, UsageNamesEveryOptionOfTheTable)
{
    const QString usage = usageText();
    for (const CliOption& option : cliOptionTable()) {
        EXPECT_TRUE(usage.contains(option.name)) << option.name.toStdString();
    }
    EXPECT_TRUE(usage.contains(QStringLiteral("--format wav|mp3|ogg|flac|wma")));
}

} // namespace
