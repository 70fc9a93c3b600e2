#include "EncoderTestKit.h"

#include "encoders/EEncodeError.h"
#include "encoders/TMp3EncodeProcess.h"
#include "platform/Prompt.h"
#include "platform/ScriptedPrompt.h"
#include "settings/TSettings.h"
#include "support/TempFolder.h"
#include "support/ToneWav.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

class Mp3ProcessTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_temp.isValid());
        Prompt::install(m_prompt);
        TSettings& s = settings();
        s.BitRate = 128;
        s.StereoMode = 1;
        s.MpegQuality = 0;
        s.IsSelectVBR = false;
        s.IsVBRHead = false;
    }
    void TearDown() override { Prompt::install(nullptr); }

    // Arms the process as the job window does before a start.
    void arm(TMp3EncodeProcess& process, const QString& input, const QString& output, bool encode, int jobMode)
    {
        process.setActive(true);
        process.setInputFile(input);
        process.setOutputFile(output);
        process.setWindowHandle(&m_window);
        process.setEncodeFlag(encode);
        process.setJobMode(jobMode);
    }

    // Progress records rise to 100, and the end record comes last and once.
    void expectCompleteRun()
    {
        ASSERT_FALSE(m_window.records.isEmpty());
        const TProcessInfo last = m_window.records.last();
        EXPECT_EQ(last.Progress, 2000);
        EXPECT_EQ(last.Status, 2);
        EXPECT_EQ(m_window.finals().size(), 1);
        const QList<int> progress = m_window.progressValues();
        ASSERT_FALSE(progress.isEmpty());
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        EXPECT_GE(progress.first(), 1);
        EXPECT_EQ(progress.last(), 100);
    }

    TempFolder m_temp;
    std::shared_ptr<ScriptedPrompt> m_prompt = std::make_shared<ScriptedPrompt>();
    RecordWindow m_window;
};

} // namespace

TEST_F(Mp3ProcessTest, EncodesAndDecodesBackToTheSameLength)
{
    const QString wav = m_temp.file(QStringLiteral("tone.wav"));
    const QString mp3 = m_temp.file(QStringLiteral("tone.mp3"));
    const QString back = m_temp.file(QStringLiteral("back.wav"));
    ASSERT_TRUE(writeToneWav(wav, 10.0));
    TMp3EncodeProcess process;

    arm(process, wav, mp3, true, 2);
    process.start();
    EXPECT_EQ(process.commandLine(), QStringLiteral("lame -b 128 -m j \"%1\" \"%2\"").arg(wav, mp3));
    m_window.waitForFinal();
    expectCompleteRun();
    process.stop(0);
    EXPECT_FALSE(process.isActive());
    const auto encoded = probe(mp3);
    ASSERT_TRUE(encoded);
    EXPECT_EQ(encoded->stream.value(QStringLiteral("codec_name")).toString(), QStringLiteral("mp3"));

    m_window.records.clear();
    arm(process, mp3, back, false, 3);
    process.start();
    m_window.waitForFinal();
    expectCompleteRun();
    process.stop(0);
    const auto decoded = probe(back);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->stream.value(QStringLiteral("duration_ts")).toInteger(), 441000);
    EXPECT_TRUE(m_prompt->calls().isEmpty());
}

TEST_F(Mp3ProcessTest, OutputInPiecesGivesTheRecordsOfTheWholeText)
{
    // Real encoder output, replayed by a stand-in encoder in the program folder in writes of
    // 7 bytes, so most lines reach the reader cut in two.
    const QString wav = m_temp.file(QStringLiteral("tone.wav"));
    ASSERT_TRUE(writeToneWav(wav, 12.0));
    const ToolRun real = runTool(QStringLiteral("lame"), {QStringLiteral("-b"), QStringLiteral("128"), wav,
                                                          m_temp.file(QStringLiteral("real.mp3"))});
    ASSERT_EQ(real.exitCode, 0);
    const QString recorded = m_temp.file(QStringLiteral("recorded.txt"));
    ASSERT_TRUE(writeFileBytes(recorded, real.error));

    QList<int> expected;
    int column = 0;
    const QString text = QString::fromLocal8Bit(real.error);
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    for (const QString& line : text.split(lineBreak)) {
        if (const auto parsed = TMp3EncodeProcess::parseEncodeLine(line, column)) {
            expected << parsed->progress;
        }
    }
    ASSERT_GE(expected.size(), 4);
    ASSERT_EQ(expected.last(), 100);

    const QString home = m_temp.file(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(home));
    ASSERT_TRUE(writeScript(home + QStringLiteral("/lame"),
                            QStringLiteral("exec dd if='%1' bs=7 status=none 1>&2").arg(recorded)));
    EnvironmentOverride homeOverride("TARNWICK_HOME", QFile::encodeName(home));
    EXPECT_EQ(TMp3EncodeProcess::findEncoder(), home + QStringLiteral("/lame"));

    TMp3EncodeProcess process;
    arm(process, wav, m_temp.file(QStringLiteral("unused.mp3")), true, 2);
    process.start();
    m_window.waitForFinal();
    process.stop(0);
    EXPECT_EQ(m_window.progressValues(), expected);
    EXPECT_EQ(m_window.records.last().Progress, 2000);
}

struct EndCase
{
    const char* name;
    const char* script;
    std::int32_t status;
    const char* text;
};

class Mp3EndTest : public Mp3ProcessTest, public ::testing::WithParamInterface<EndCase>
{
};

// How the encoder ended decides whether its file is a whole encoding.
TEST_P(Mp3EndTest, ExitCodeGivesTheStatus)
{
    const QString home = m_temp.file(QStringLiteral("home"));
    ASSERT_TRUE(QDir().mkpath(home));
    ASSERT_TRUE(writeScript(home + QStringLiteral("/lame"), QString::fromUtf8(GetParam().script)));
    EnvironmentOverride homeOverride("TARNWICK_HOME", QFile::encodeName(home));
    const QString wav = m_temp.file(QStringLiteral("tone.wav"));
    ASSERT_TRUE(writeToneWav(wav, 0.5));
    TMp3EncodeProcess process;
    arm(process, wav, m_temp.file(QStringLiteral("out.mp3")), true, 2);
    process.start();
    m_window.waitForFinal();
    process.stop(0);
    ASSERT_EQ(m_window.finals().size(), 1);
    EXPECT_EQ(m_window.finals().first().Status, GetParam().status);
    EXPECT_EQ(m_window.finals().first().ElapsedText, QString::fromUtf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Ends, Mp3EndTest,
    ::testing::Values(EndCase{"Success", "echo 'Writing LAME Tag...done'; exit 0", 2, ""},
                      EndCase{"FailureWithItsText",
                              "echo '  100/193    (52%)|' >&2; echo 'Error writing mp3 output ' >&2; exit 1", 3,
                              "Error writing mp3 output"},
                      EndCase{"FailureWithoutText", "exit 4", 3, "the encoder ended with exit code 4"},
                      EndCase{"EndedBySignal", "kill -9 $$", 3, "the encoder ended with exit code 137"}),
    [](const auto& info) { return std::string(info.param.name); });

struct OverwriteCase
{
    int jobMode;
    bool asks;
};

class Mp3OverwriteTest : public Mp3ProcessTest, public ::testing::WithParamInterface<OverwriteCase>
{
};

TEST_P(Mp3OverwriteTest, AsksOnlyOutsideExtractionAndRecording)
{
    const QString wav = m_temp.file(QStringLiteral("tone.wav"));
    const QString mp3 = m_temp.file(QStringLiteral("old.mp3"));
    ASSERT_TRUE(writeToneWav(wav, 1.0));
    ASSERT_TRUE(writeFileBytes(mp3, "keep me"));
    m_prompt->queueAnswer(Prompt::Answer::No);
    TMp3EncodeProcess process;
    arm(process, wav, mp3, true, GetParam().jobMode);
    process.start();
    m_window.waitForFinal();
    process.stop(0);

    if (GetParam().asks) {
        ASSERT_EQ(m_prompt->calls().size(), 1);
        const Prompt::Message asked = m_prompt->calls().first().message;
        EXPECT_EQ(asked.text, mp3 + QStringLiteral(" has existed,overite it?"));
        EXPECT_EQ(asked.caption, QStringLiteral("Tarnwick"));
        EXPECT_EQ(asked.icon, Prompt::Icon::Information);
        EXPECT_EQ(asked.buttons, Prompt::Buttons::YesNo);
        // Declined: no process, the file untouched, {2000, Status 0}.
        EXPECT_TRUE(process.commandLine().isEmpty());
        EXPECT_EQ(readFileBytes(mp3), QByteArray("keep me"));
        ASSERT_EQ(m_window.records.size(), 1);
        EXPECT_EQ(m_window.records.first().Progress, 2000);
        EXPECT_EQ(m_window.records.first().Status, 0);
    } else {
        EXPECT_TRUE(m_prompt->calls().isEmpty());
        expectCompleteRun();
        const auto encoded = probe(mp3);
        ASSERT_TRUE(encoded);
        EXPECT_EQ(encoded->stream.value(QStringLiteral("codec_name")).toString(), QStringLiteral("mp3"));
    }
}

INSTANTIATE_TEST_SUITE_P(JobModes, Mp3OverwriteTest,
                         ::testing::Values(OverwriteCase{1, false}, OverwriteCase{2, true}, OverwriteCase{3, true},
                                           OverwriteCase{4, false}));

TEST_F(Mp3ProcessTest, OutputHeldByAnotherProcessIsInUse)
{
    const QString wav = m_temp.file(QStringLiteral("tone.wav"));
    const QString mp3 = m_temp.file(QStringLiteral("busy.mp3"));
    ASSERT_TRUE(writeToneWav(wav, 1.0));
    ASSERT_TRUE(writeFileBytes(mp3, "busy"));
    FileHolder holder(mp3);
    ASSERT_TRUE(holder.isHolding());
    m_prompt->queueAnswer(Prompt::Answer::Yes);
    TMp3EncodeProcess process;
    arm(process, wav, mp3, true, 2);
    process.start();
    m_window.waitForFinal();
    EXPECT_TRUE(process.commandLine().isEmpty());
    ASSERT_EQ(m_window.records.size(), 1);
    EXPECT_EQ(m_window.records.first().Progress, 2000);
    EXPECT_EQ(m_window.records.first().Status, 1);
    EXPECT_EQ(readFileBytes(mp3), QByteArray("busy"));
}

TEST_F(Mp3ProcessTest, MissingEncoderRaisesTheStartErrorWithItsCode)
{
    const QString empty = m_temp.file(QStringLiteral("empty"));
    ASSERT_TRUE(QDir().mkpath(empty));
    EnvironmentOverride home("TARNWICK_HOME", QFile::encodeName(empty));
    EnvironmentOverride path("PATH", QFile::encodeName(empty));
    const QString wav = m_temp.file(QStringLiteral("tone.wav"));
    ASSERT_TRUE(writeToneWav(wav, 1.0));
    TMp3EncodeProcess process;
    arm(process, wav, m_temp.file(QStringLiteral("out.mp3")), true, 2);
    try {
        process.start();
        FAIL() << "no error raised";
    } catch (const EEncodeError& error) {
        EXPECT_EQ(error.Message(),
                  QStringLiteral("Error while creating mp3 encoding process!2 (lame: No such file or directory)"));
    }
    EXPECT_FALSE(process.isRunning());
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_window.records.isEmpty());
}

class Mp3StopTest : public Mp3ProcessTest, public ::testing::WithParamInterface<bool>
{
};

TEST_P(Mp3StopTest, EndingAnEncodeLeavesNoProcessBehind)
{
    const bool destroy = GetParam();
    const QString wav = m_temp.file(QStringLiteral("long.wav"));
    ASSERT_TRUE(writeToneWav(wav, 120.0));
    auto process = std::make_unique<TMp3EncodeProcess>();
    arm(*process, wav, m_temp.file(QStringLiteral("long.mp3")), true, 2);
    process->start();
    const std::int64_t pid = process->processId();
    ASSERT_GT(pid, 0);
    m_window.waitUntil([this] { return !m_window.progressValues().isEmpty(); });
    if (destroy) {
        process.reset();
    } else {
        process->stop(0);
        EXPECT_FALSE(process->isActive());
        EXPECT_FALSE(process->isRunning());
        EXPECT_EQ(process->processId(), 0);
        process.reset();
    }
    // Ended and reaped: the process table no longer has it.
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)));
    QCoreApplication::processEvents();
    EXPECT_TRUE(m_window.finals().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(StopOrDestroy, Mp3StopTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Destroy" : "Stop"; });
