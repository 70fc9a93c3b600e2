#include "EncoderTestKit.h"

#include "encoders/TWMAEncodeProcess.h"
#include "platform/Prompt.h"
#include "platform/ScriptedPrompt.h"
#include "settings/TSettings.h"
#include "support/TempFolder.h"
#include "support/ToneWav.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class WmaProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        Prompt::install(m_prompt);
        // The program folder holds the encoder, as an installation beside the program.
        m_home = m_temp.file(QStringLiteral("home"));
        ASSERT_TRUE(QDir().mkpath(m_home));
        ASSERT_TRUE(QFile::link(builtWmaEncoder(), m_home + QStringLiteral("/wmaenc")));
        m_homeOverride = std::make_unique<EnvironmentOverride>("TARNWICK_HOME", QFile::encodeName(m_home));
        TSettings& s = settings();
        s.WMABitRate = 8;
        s.UseID3 = false;
        s.Disc.Artist.clear();
        s.Disc.Comment.clear();
        m_wav = m_temp.file(QStringLiteral("tone.wav"));
        ASSERT_TRUE(writeToneWav(m_wav, 1.5));
    }
    void TearDown() override { Prompt::install(nullptr); }

    void arm(TWMAEncodeProcess& process, const QString& input, const QString& output, int jobMode = 6)
    {
        process.setActive(true);
        process.setInputFile(input);
        process.setOutputFile(output);
        process.setWindowHandle(&m_window);
        process.setEncodeFlag(true);
        process.setJobMode(jobMode);
    }

    // Runs one encode to its end record.
    void encode(const QString& output, int jobMode = 6)
    {
        TWMAEncodeProcess process;
        arm(process, m_wav, output, jobMode);
        process.start();
        m_commandLine = process.commandLine();
        m_window.waitForFinal();
        process.stop(0);
    }

    void expectSucceeded()
    {
        ASSERT_EQ(m_window.finals().size(), 1);
        EXPECT_EQ(m_window.records.last().Progress, 5000);
        EXPECT_EQ(m_window.records.last().Status, 2);
        ASSERT_EQ(m_window.progressValues(), QList<int>{100});
        const TProcessInfo& done = m_window.records.first();
        EXPECT_EQ(done.ElapsedText, done.EstimatedText);
        EXPECT_GE(done.ElapsedText, QStringLiteral("00:01"));
    }

    TempFolder m_temp;
    QString m_home;
    QString m_wav;
    QString m_commandLine;
    std::unique_ptr<EnvironmentOverride> m_homeOverride;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    RecordWindow m_window;
};

struct ProfileCase
{
    int index;
    int kbps;
    int sampleRate;
    int channels;
};

class WmaProfileTest : public WmaProcessTest, public ::testing::WithParamInterface<ProfileCase>
{
};

} // namespace

TEST_P(WmaProfileTest, EncodesWithTheProfileFormat)
{
    const ProfileCase& profile = GetParam();
    settings().WMABitRate = profile.index;
    const QString output = m_temp.file(QStringLiteral("out.wma"));
    encode(output);
    expectSucceeded();
    EXPECT_TRUE(m_commandLine.endsWith(QStringLiteral(" -a_setting ") + TWMAEncodeProcess::profile(profile.index)));

    const auto probed = probe(output);
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->stream.value(QStringLiteral("codec_name")).toString(), QStringLiteral("wmav2"));
    EXPECT_EQ(probed->stream.value(QStringLiteral("sample_rate")).toString().toInt(), profile.sampleRate);
    EXPECT_EQ(probed->stream.value(QStringLiteral("channels")).toInt(), profile.channels);
    // The codec cannot go below 24 kbit/s; it lands near the asked rate otherwise.
    const double expected = std::max(profile.kbps, 24) * 1000.0;
    EXPECT_EQ(probed->stream.value(QStringLiteral("bit_rate")).toString().toDouble(), expected);
    EXPECT_GT(probed->packetBitRate, expected * 0.85);
    EXPECT_LT(probed->packetBitRate, expected * 1.25);
}

INSTANTIATE_TEST_SUITE_P(
    AllProfiles, WmaProfileTest,
    ::testing::Values(ProfileCase{0, 192, 48000, 2}, ProfileCase{1, 160, 48000, 2}, ProfileCase{2, 128, 48000, 2},
                      ProfileCase{3, 192, 44100, 2}, ProfileCase{4, 160, 44100, 2}, ProfileCase{5, 128, 44100, 2},
                      ProfileCase{6, 96, 44100, 2}, ProfileCase{7, 80, 44100, 2}, ProfileCase{8, 64, 44100, 2},
                      ProfileCase{9, 48, 44100, 2}, ProfileCase{10, 32, 44100, 2}, ProfileCase{11, 48, 44100, 1},
                      ProfileCase{12, 32, 44100, 1}, ProfileCase{13, 48, 32000, 2}, ProfileCase{14, 40, 32000, 2},
                      ProfileCase{15, 32, 32000, 2}, ProfileCase{16, 20, 32000, 1}, ProfileCase{17, 32, 22050, 2},
                      ProfileCase{18, 22, 22050, 2}, ProfileCase{19, 20, 22050, 2}, ProfileCase{20, 20, 22050, 1},
                      ProfileCase{21, 16, 22050, 1}, ProfileCase{22, 20, 16000, 2}, ProfileCase{23, 16, 16000, 2},
                      ProfileCase{24, 16, 16000, 1}, ProfileCase{25, 12, 16000, 1}, ProfileCase{26, 10, 16000, 1},
                      ProfileCase{27, 10, 11025, 1}, ProfileCase{28, 8, 11025, 1}, ProfileCase{29, 12, 8000, 2},
                      ProfileCase{30, 8, 8000, 1}, ProfileCase{31, 6, 8000, 1}, ProfileCase{32, 5, 8000, 1}),
    [](const auto& info) { return "Index" + std::to_string(info.param.index); });

TEST_F(WmaProcessTest, AuthorAndDescriptionWithSpacesArriveWhole)
{
    TSettings& s = settings();
    s.UseID3 = true;
    s.Disc.Artist = QStringLiteral("The  Big \"Band\"");
    s.Disc.Comment = QStringLiteral("live at -the hall");
    const QString output = m_temp.file(QStringLiteral("tagged.wma"));
    encode(output);
    expectSucceeded();
    EXPECT_TRUE(m_commandLine.endsWith(
        QStringLiteral(" -a_setting 64_44_2 -author The  Big \"Band\" -description live at -the hall")));
    const auto probed = probe(output);
    ASSERT_TRUE(probed);
    const QJsonObject tags = probed->format.value(QStringLiteral("tags")).toObject();
    EXPECT_EQ(tags.value(QStringLiteral("artist")).toString(), s.Disc.Artist);
    EXPECT_EQ(tags.value(QStringLiteral("comment")).toString(), s.Disc.Comment);
}

struct CommandCase
{
    const char* name;
    int bitRate;
    bool useId3;
    const char* artist;
    const char* comment;
    const char* tail; // after the quoted output file
    int bitRateAfter;
};

class WmaCommandTest : public ::testing::TestWithParam<CommandCase>
{
};

TEST_P(WmaCommandTest, BuildsTheLine)
{
    TSettings s;
    s.WMABitRate = GetParam().bitRate;
    s.UseID3 = GetParam().useId3;
    s.Disc.Artist = QString::fromUtf8(GetParam().artist);
    s.Disc.Comment = QString::fromUtf8(GetParam().comment);
    const EncoderCommand command = TWMAEncodeProcess::buildCommand(
        s, QStringLiteral("/opt/t/wmaenc"), QStringLiteral("/m/a b.wav"), QStringLiteral("/m/a b.wma"));
    EXPECT_EQ(command.text(), QStringLiteral("/opt/t/wmaenc -input \"/m/a b.wav\" -output \"/m/a b.wma\"") +
                                  QString::fromUtf8(GetParam().tail));
    EXPECT_EQ(command.program(), QStringLiteral("/opt/t/wmaenc"));
    EXPECT_EQ(command.arguments().mid(0, 4), (QStringList{QStringLiteral("-input"), QStringLiteral("/m/a b.wav"),
                                                          QStringLiteral("-output"), QStringLiteral("/m/a b.wma")}));
    EXPECT_EQ(s.WMABitRate, GetParam().bitRateAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, WmaCommandTest,
    ::testing::Values(CommandCase{"Default", 8, false, "", "", " -a_setting 64_44_2", 8},
                      CommandCase{"Index5", 5, false, "", "", " -a_setting 128_44_2", 5},
                      CommandCase{"Last", 32, false, "", "", " -a_setting 5_8_1", 32},
                      CommandCase{"AboveRangeBecomesDefault", 33, false, "", "", " -a_setting 64_44_2", 8},
                      CommandCase{"BelowRangeBecomesDefault", -1, false, "", "", " -a_setting 64_44_2", 8},
                      CommandCase{"TagsOffAddNothing", 8, false, "Artist", "Note", " -a_setting 64_44_2", 8},
                      CommandCase{"ArtistAndComment", 8, true, "Nina Simone", "Live 1964",
                                  " -a_setting 64_44_2 -author Nina Simone -description Live 1964", 8},
                      CommandCase{"EmptyArtistOnlyDescription", 8, true, "", "Live 1964",
                                  " -a_setting 64_44_2 -description Live 1964", 8},
                      CommandCase{"EmptyCommentOnlyAuthor", 8, true, "Nina", "", " -a_setting 64_44_2 -author Nina",
                                  8}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WmaProcessTest, EncoderIsLookedForInTheLibraryFoldersButNotOnPath)
{
    // A program folder without the encoder, the encoder in ../lib/tarnwick.
    const QString bin = m_temp.file(QStringLiteral("inst/bin"));
    const QString lib = m_temp.file(QStringLiteral("inst/lib/tarnwick"));
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QDir().mkpath(lib));
    EnvironmentOverride home("TARNWICK_HOME", QFile::encodeName(bin));
    EXPECT_EQ(TWMAEncodeProcess::encoderFolders(),
              (QStringList{bin, lib, m_temp.file(QStringLiteral("inst/libexec/tarnwick"))}));
    EXPECT_TRUE(TWMAEncodeProcess::findEncoder().isEmpty());

    // Only on PATH: not found, the user is told, and the window gets {5000, Status 0}
    // before start() returns.
    TWMAEncodeProcess process;
    {
        EnvironmentOverride path("PATH", QFile::encodeName(m_home));
        arm(process, m_wav, m_temp.file(QStringLiteral("x.wma")));
        process.start();
    }
    EXPECT_TRUE(process.commandLine().isEmpty());
    ASSERT_EQ(m_window.records.size(), 1);
    EXPECT_EQ(m_window.records.first().Progress, 5000);
    EXPECT_EQ(m_window.records.first().Status, 0);
    ASSERT_EQ(m_prompt->calls().size(), 1);
    EXPECT_EQ(m_prompt->calls().first().message.text,
              QStringLiteral("Can not find WMA encoder,please contact with support@tarnwick.example!"));
    EXPECT_EQ(m_prompt->calls().first().message.caption, QStringLiteral("Tarnwick"));
    EXPECT_EQ(m_prompt->calls().first().message.icon, Prompt::Icon::Information);

    // In the second folder it is found and used.
    ASSERT_TRUE(QFile::link(builtWmaEncoder(), lib + QStringLiteral("/wmaenc")));
    EXPECT_EQ(TWMAEncodeProcess::findEncoder(), lib + QStringLiteral("/wmaenc"));
    m_window.records.clear();
    const QString output = m_temp.file(QStringLiteral("found.wma"));
    arm(process, m_wav, output);
    process.start();
    EXPECT_TRUE(process.commandLine().startsWith(lib + QStringLiteral("/wmaenc -input ")));
    m_window.waitForFinal();
    process.stop(0);
    expectSucceeded();
    EXPECT_TRUE(probe(output));
}

struct OverwriteCase
{
    int jobMode;
    bool asks;
};

class WmaOverwriteTest : public WmaProcessTest, public ::testing::WithParamInterface<OverwriteCase>
{
};

TEST_P(WmaOverwriteTest, ExtractionReplacesWithoutAsking)
{
    const QString output = m_temp.file(QStringLiteral("old.wma"));
    ASSERT_TRUE(writeFileBytes(output, "keep me"));
    m_prompt->queueAnswer(Prompt::Answer::No);
    TWMAEncodeProcess process;
    arm(process, m_wav, output, GetParam().jobMode);
    process.start();
    if (GetParam().asks) {
        // Declined: sent, so it is there before start() returns; no encoder ran.
        ASSERT_EQ(m_prompt->calls().size(), 1);
        EXPECT_EQ(m_prompt->calls().first().message.text, output + QStringLiteral(" has existed,overite it?"));
        EXPECT_TRUE(process.commandLine().isEmpty());
        ASSERT_EQ(m_window.records.size(), 1);
        EXPECT_EQ(m_window.records.first().Progress, 5000);
        EXPECT_EQ(m_window.records.first().Status, 0);
        EXPECT_EQ(readFileBytes(output), QByteArray("keep me"));
        return;
    }
    m_window.waitForFinal();
    process.stop(0);
    EXPECT_TRUE(m_prompt->calls().isEmpty());
    expectSucceeded();
    const auto probed = probe(output);
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->stream.value(QStringLiteral("codec_name")).toString(), QStringLiteral("wmav2"));
}

INSTANTIATE_TEST_SUITE_P(JobModes, WmaOverwriteTest,
                         ::testing::Values(OverwriteCase{1, false}, OverwriteCase{6, true}));

TEST_F(WmaProcessTest, OutputInUseIsSentAtOnce)
{
    const QString output = m_temp.file(QStringLiteral("busy.wma"));
    ASSERT_TRUE(writeFileBytes(output, "busy"));
    FileHolder holder(output);
    ASSERT_TRUE(holder.isHolding());
    m_prompt->queueAnswer(Prompt::Answer::Yes);
    TWMAEncodeProcess process;
    arm(process, m_wav, output);
    process.start();
    ASSERT_EQ(m_window.records.size(), 1);
    EXPECT_EQ(m_window.records.first().Progress, 5000);
    EXPECT_EQ(m_window.records.first().Status, 1);
}

TEST_F(WmaProcessTest, EncoderErrorGivesOneFinalRecord)
{
    const QString input = m_temp.file(QStringLiteral("broken.wav"));
    ASSERT_TRUE(writeFileBytes(input, QByteArray("RIFF....WAVEjunk").repeated(4)));
    const QString output = m_temp.file(QStringLiteral("broken.wma"));
    {
        TWMAEncodeProcess process;
        arm(process, input, output);
        process.start();
        m_window.waitForFinal();
        EXPECT_FALSE(process.isRunning());
    } // the reader threads are gone with the object; nothing more may arrive
    QCoreApplication::processEvents();
    ASSERT_EQ(m_window.records.size(), 1);
    const TProcessInfo& failed = m_window.records.first();
    EXPECT_EQ(failed.Progress, 5000);
    EXPECT_EQ(failed.Status, 8);
    EXPECT_TRUE(failed.ElapsedText.contains(QStringLiteral("ERROR")));
    EXPECT_TRUE(failed.ElapsedText.contains(input));
    EXPECT_FALSE(QFile::exists(output));
}
