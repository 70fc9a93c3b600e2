// The WMA encoder program on its own, as the encoder process runs it.
#include "EncoderTestKit.h"

#include "support/TempFolder.h"
#include "support/ToneWav.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class WmaToolTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        m_wav = m_temp.file(QStringLiteral("tone.wav"));
        ASSERT_TRUE(writeToneWav(m_wav, 2.0));
        m_wma = m_temp.file(QStringLiteral("out.wma"));
    }

    ToolRun run(const QStringList& arguments) { return runTool(builtWmaEncoder(), arguments); }

    QStringList lines(const ToolRun& result) const
    {
        return QString::fromLocal8Bit(result.output + result.error).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    TempFolder m_temp;
    QString m_wav;
    QString m_wma;
};

} // namespace

TEST_F(WmaToolTest, ReportsRisingProgressEndingAtHundred)
{
    const ToolRun result = run({QStringLiteral("-input"), m_wav, QStringLiteral("-output"), m_wma,
                                QStringLiteral("-a_setting"), QStringLiteral("64_44_2")});
    ASSERT_EQ(result.exitCode, 0);
    QList<int> percents;
    for (const QString& line : lines(result)) {
        EXPECT_FALSE(line.contains(QStringLiteral("ERROR")));
        if (line.endsWith(QLatin1Char('%'))) {
            percents << line.chopped(1).trimmed().toInt();
        }
    }
    ASSERT_GE(percents.size(), 2);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_EQ(lines(result).last(), QStringLiteral("100%"));
    EXPECT_EQ(percents.count(100), 1);
}

TEST_F(WmaToolTest, ConvertsRateAndChannelsKeepingTheLength)
{
    const QString mono = m_temp.file(QStringLiteral("mono.wav"));
    ASSERT_TRUE(writeToneWav(mono, 3.0, 22050, 1));
    const ToolRun result = run({QStringLiteral("-input"), mono, QStringLiteral("-output"), m_wma,
                                QStringLiteral("-a_setting"), QStringLiteral("128_48_2")});
    ASSERT_EQ(result.exitCode, 0);
    const auto probed = probe(m_wma);
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->stream.value(QStringLiteral("sample_rate")).toString(), QStringLiteral("48000"));
    EXPECT_EQ(probed->stream.value(QStringLiteral("channels")).toInt(), 2);
    EXPECT_NEAR(probed->format.value(QStringLiteral("duration")).toString().toDouble(), 3.0, 0.1);
}

TEST_F(WmaToolTest, LowProfilesSayTheyUseTheLowestRate)
{
    const ToolRun result = run({QStringLiteral("-input"), m_wav, QStringLiteral("-output"), m_wma,
                                QStringLiteral("-a_setting"), QStringLiteral("5_8_1")});
    ASSERT_EQ(result.exitCode, 0);
    const QString all = QString::fromLocal8Bit(result.output + result.error);
    EXPECT_TRUE(all.contains(QStringLiteral("24 kbit/s")));
    EXPECT_FALSE(all.contains(QStringLiteral("ERROR")));
}

TEST_F(WmaToolTest, TakesEveryWordUpToTheNextOption)
{
    const ToolRun result =
        run({QStringLiteral("-input"), m_wav, QStringLiteral("-author"), QStringLiteral("The"), QStringLiteral("Big"),
             QStringLiteral("Band"), QStringLiteral("-description"), QStringLiteral("live"), QStringLiteral("-at"),
             QStringLiteral("home"), QStringLiteral("-output"), m_wma, QStringLiteral("-a_setting"),
             QStringLiteral("32_22_2")});
    ASSERT_EQ(result.exitCode, 0);
    const auto probed = probe(m_wma);
    ASSERT_TRUE(probed);
    const QJsonObject tags = probed->format.value(QStringLiteral("tags")).toObject();
    EXPECT_EQ(tags.value(QStringLiteral("artist")).toString(), QStringLiteral("The Big Band"));
    EXPECT_EQ(tags.value(QStringLiteral("comment")).toString(), QStringLiteral("live -at home"));
}

struct BadCase
{
    const char* name;
    QStringList arguments; // %IN and %OUT stand for the files
};

class WmaToolErrorTest : public WmaToolTest, public ::testing::WithParamInterface<BadCase>
{
};

TEST_P(WmaToolErrorTest, FailsWithAnErrorLineAndKeepsTheOldOutput)
{
    const QString garbage = m_temp.file(QStringLiteral("garbage.wav"));
    ASSERT_TRUE(writeFileBytes(garbage, QByteArray(300, 'x')));
    ASSERT_TRUE(writeFileBytes(m_wma, "old output"));
    QStringList arguments;
    for (QString argument : GetParam().arguments) {
        argument.replace(QStringLiteral("%IN"), m_wav);
        argument.replace(QStringLiteral("%GARBAGE"), garbage);
        argument.replace(QStringLiteral("%MISSING"), m_temp.file(QStringLiteral("missing.wav")));
        argument.replace(QStringLiteral("%OUT"), m_wma);
        arguments << argument;
    }
    const ToolRun result = run(arguments);
    EXPECT_NE(result.exitCode, 0);
    const QStringList errors = lines(result).filter(QStringLiteral("ERROR"));
    ASSERT_EQ(errors.size(), 1);
    EXPECT_GT(errors.first().size(), QStringLiteral("ERROR: ").size());
    EXPECT_FALSE(lines(result).contains(QStringLiteral("100%")));
    EXPECT_EQ(readFileBytes(m_wma), QByteArray("old output"));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, WmaToolErrorTest,
    ::testing::Values(BadCase{"NoArguments", {}}, BadCase{"NoProfile", {"-input", "%IN", "-output", "%OUT"}},
                      BadCase{"NoOutput", {"-input", "%IN", "-a_setting", "64_44_2"}},
                      BadCase{"RateTooHigh", {"-input", "%IN", "-output", "%OUT", "-a_setting", "64_96_2"}},
                      BadCase{"ThreeChannels", {"-input", "%IN", "-output", "%OUT", "-a_setting", "64_44_3"}},
                      BadCase{"NotAProfile", {"-input", "%IN", "-output", "%OUT", "-a_setting", "64k"}},
                      BadCase{"UnknownOption", {"-input", "%IN", "-output", "%OUT", "-a_setting", "64_44_2", "-x"}},
                      BadCase{"MissingInput", {"-input", "%MISSING", "-output", "%OUT", "-a_setting", "64_44_2"}},
                      BadCase{"NotAudio", {"-input", "%GARBAGE", "-output", "%OUT", "-a_setting", "64_44_2"}}),
    [](const auto& info) { return std::string(info.param.name); });
