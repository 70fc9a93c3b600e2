#include "cli/CliTestKit.h"

#include "jobs/TRipForm.h"
#include "support/TempFolder.h"
#include "support/ToneWav.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

struct ConvertCase
{
    const char* format;
    int mode; // the window's job for the same conversion
    const char* extension;
    const char* slowRate = "44100"; // the rate the 22,050 Hz input comes out at
    bool lossless = false;          // the outputs decode to exactly the input's samples
};

class CliConvertMatchesWindow : public ::testing::TestWithParam<ConvertCase>
{
};

// Two files at once, one below 44,100 Hz (resampled first by the lossy formats) and one at
// it: each output matches what the window's conversion makes of it, and no temporary file
// stays.
TEST_P(CliConvertMatchesWindow, ResamplesWhereTheWindowDoes)
{
    CliTestKit kit;
    QDir().mkpath(kit.dir.file(QStringLiteral("in")));
    const QString slow = kit.dir.file(QStringLiteral("in/slow.wav"));
    const QString plain = kit.dir.file(QStringLiteral("in/plain.wav"));
    ASSERT_TRUE(writeToneWav(slow, 2.0, 22050));
    ASSERT_TRUE(writeToneWav(plain, 3.0, 44100));
    const QString format = QString::fromUtf8(GetParam().format);
    const CliTestKit::Result result = kit.run({"convert", "--to", format, "--jobs", "2", slow, plain});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString extension = QString::fromUtf8(GetParam().extension);
    EXPECT_EQ(CliTestKit::filesIn(kit.out()), (QStringList{"plain" + extension, "slow" + extension}));
    EXPECT_NEAR(CliTestKit::durationSeconds(kit.out("slow" + extension)), 2.0, 0.15);
    EXPECT_EQ(CliTestKit::probe(kit.out("slow" + extension), QStringLiteral("stream=sample_rate")),
              QString::fromUtf8(GetParam().slowRate));
    if (GetParam().lossless) {
        EXPECT_TRUE(CliTestKit::flacSamples(kit.out("slow" + extension)) == CliTestKit::wavSamples(slow));
        EXPECT_TRUE(CliTestKit::flacSamples(kit.out("plain" + extension)) == CliTestKit::wavSamples(plain));
    }

    const QString window = kit.dir.file(QStringLiteral("window"));
    QDir().mkpath(window);
    kit.runWindowJob(GetParam().mode, {slow, plain}, window);
    ASSERT_EQ(CliTestKit::filesIn(window), CliTestKit::filesIn(kit.out()));
    for (const QString& name : CliTestKit::filesIn(window)) {
        EXPECT_EQ(readFileBytes(kit.out(name)), readFileBytes(window + QLatin1Char('/') + name)) << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Cli, CliConvertMatchesWindow,
                         ::testing::Values(ConvertCase{"mp3", TRipForm::WavToMp3, ".mp3"},
                                           ConvertCase{"ogg", TRipForm::WavToOgg, ".ogg"},
                                           ConvertCase{"flac", TRipForm::WavToFlac, ".flac", "22050", true}),
                         [](const ::testing::TestParamInfo<ConvertCase>& info) {
                             return std::string(info.param.format);
                         });

TEST(CliConvert, DecodesMp3ToWav)
{
    CliTestKit kit;
    const QString wav = kit.dir.file(QStringLiteral("tone.wav"));
    ASSERT_TRUE(writeToneWav(wav, 2.0));
    ASSERT_EQ(kit.run({"convert", "--to", "mp3", wav}).exitCode, 0);
    const QString mp3 = kit.dir.file(QStringLiteral("tone.mp3"));
    ASSERT_TRUE(QFile::rename(kit.out(QStringLiteral("tone.mp3")), mp3));
    const CliTestKit::Result result = kit.run({"convert", "--to", "wav", mp3});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_NEAR(CliTestKit::durationSeconds(kit.out(QStringLiteral("tone.wav"))), 2.0, 0.1);
}

// One bad input fails alone; the good ones are converted.
TEST(CliConvert, BadInputsFailAloneAndExistingOutputsStayUnlessReplaced)
{
    CliTestKit kit;
    const QString good = kit.dir.file(QStringLiteral("good.wav"));
    const QString notWav = kit.dir.file(QStringLiteral("notes.wav"));
    const QString taken = kit.dir.file(QStringLiteral("taken.wav"));
    ASSERT_TRUE(writeToneWav(good, 1.0));
    ASSERT_TRUE(writeToneWav(taken, 1.0));
    ASSERT_TRUE(writeFileBytes(notWav, "just some text"));
    ASSERT_TRUE(writeFileBytes(kit.out(QStringLiteral("taken.ogg")), "keep me"));
    const QString missing = kit.dir.file(QStringLiteral("missing.wav"));

    CliTestKit::Result result = kit.run({"convert", "--to", "ogg", good, notWav, taken, missing});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("notes.wav: not a WAV file that can be read")))
        << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QStringLiteral("missing.wav: no such file")));
    EXPECT_TRUE(result.err.contains(QStringLiteral("exists (give --overwrite to replace it)")));
    EXPECT_EQ(readFileBytes(kit.out(QStringLiteral("taken.ogg"))), QByteArray("keep me"));
    EXPECT_NEAR(CliTestKit::durationSeconds(kit.out(QStringLiteral("good.ogg"))), 1.0, 0.1);

    result = kit.run({"convert", "--to", "ogg", "--overwrite", taken});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_NEAR(CliTestKit::durationSeconds(kit.out(QStringLiteral("taken.ogg"))), 1.0, 0.1);
}

} // namespace
