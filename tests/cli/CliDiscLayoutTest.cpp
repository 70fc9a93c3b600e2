#include "cd/DiscImageWriter.h"
#include "cli/CliTestKit.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The layouts of discs people own, as images: tracks in seconds, a data track before the
// audio or a data session after it, and the BIN named as rips of real discs name it.
struct LayoutCase
{
    const char* name;
    double dataFirst; // seconds, 0 = none
    std::vector<double> audio;
    double dataLast; // seconds, 0 = none
    const char* binName;
    std::vector<const char*> rows; // patterns of the listed rows
    int dataTrack;                 // the data track's number
};

void PrintTo(const LayoutCase& c, std::ostream* os)
{
    *os << c.name;
}

DiscImageWriter writerFor(const LayoutCase& c)
{
    DiscImageWriter writer;
    if (c.dataFirst > 0) {
        writer.addDataTrack(static_cast<std::int64_t>(c.dataFirst * 75));
    }
    for (double s : c.audio) {
        writer.addTrack(static_cast<std::int64_t>(s * 75));
    }
    if (c.dataLast > 0) {
        writer.addDataTrack(static_cast<std::int64_t>(c.dataLast * 75));
    }
    writer.setBinName(QString::fromUtf8(c.binName));
    return writer;
}

class CliDiscLayout : public ::testing::TestWithParam<LayoutCase>
{
};

// A disc with one audio track is an audio CD: it has a key, its data track is listed as
// such, and the last audio track of an enhanced CD ends where its session ends, 11,400
// frames before the data session (not 2:32 later).
TEST_P(CliDiscLayout, TocListsTheDataTrackAsDataAndKeysTheDisc)
{
    const LayoutCase& c = GetParam();
    CliTestKit kit;
    kit.makeImage(writerFor(c));
    const CliTestKit::Result result = kit.run({"toc"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_FALSE(kit.discKey().isEmpty());
    EXPECT_TRUE(result.out.contains(QStringLiteral("Disc key: ") + kit.discKey())) << result.out.toStdString();
    for (const char* pattern : c.rows) {
        const QRegularExpression row(QString::fromUtf8(pattern), QRegularExpression::MultilineOption);
        EXPECT_TRUE(row.match(result.out).hasMatch()) << pattern << "\n" << result.out.toStdString();
    }
}

// A rip of the whole disc extracts the audio tracks only, each as long as listed.
TEST_P(CliDiscLayout, RipTakesTheAudioTracksOnly)
{
    const LayoutCase& c = GetParam();
    CliTestKit kit;
    kit.makeImage(writerFor(c));
    const CliTestKit::Result result = kit.run({"rip", "--format", "wav", "--output", kit.out()});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList files = CliTestKit::filesIn(kit.out());
    ASSERT_EQ(files.size(), static_cast<qsizetype>(c.audio.size())) << files.join(' ').toStdString();
    const int firstAudio = c.dataFirst > 0 ? 2 : 1;
    for (std::size_t i = 0; i < c.audio.size(); ++i) {
        const QString name = QStringLiteral("Track%1.wav").arg(firstAudio + static_cast<int>(i), 2, 10, QLatin1Char('0'));
        ASSERT_TRUE(files.contains(name)) << files.join(' ').toStdString();
        EXPECT_EQ(CliTestKit::wavSamples(kit.out(name)).size(), static_cast<qsizetype>(c.audio[i] * 75 * 2352));
    }
}

TEST_P(CliDiscLayout, NamingTheDataTrackIsAnArgumentError)
{
    const LayoutCase& c = GetParam();
    CliTestKit kit;
    kit.makeImage(writerFor(c));
    const CliTestKit::Result result =
        kit.run({"rip", "--tracks", QString::number(c.dataTrack), "--format", "wav", "--output", kit.out()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains(QStringLiteral("track %1 is a data track").arg(c.dataTrack)))
        << result.err.toStdString();
    EXPECT_TRUE(CliTestKit::filesIn(kit.out()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliDiscLayout,
    ::testing::Values(LayoutCase{"enhanced",
                                 0,
                                 {4.0, 3.0},
                                 5.0,
                                 "",
                                 {"^1 +Track01 +00:04 ", "^2 +Track02 +00:03 ", "^3 +Data track +00:05 "},
                                 3},
                      LayoutCase{"mixedMode",
                                 6.0,
                                 {3.0, 2.0},
                                 0,
                                 "Album (Disc 1).bin",
                                 {"^1 +Data track +00:06 ", "^2 +Track02 +00:03 ", "^3 +Track03 +00:02 "},
                                 1}),
    [](const auto& info) { return std::string(info.param.name); });

// The sheet of most rips names a BIN of another name; when that file is gone, the reason
// is the error, not "no disc".
TEST(CliDiscImage, MissingDataFileIsNamedInTheError)
{
    CliTestKit kit;
    DiscImageWriter writer;
    writer.addTrack(75);
    writer.setBinName(QStringLiteral("Album (Disc 1).bin"));
    kit.makeImage(writer);
    ASSERT_TRUE(QFile::remove(kit.dir.file(QStringLiteral("Album (Disc 1).bin"))));
    const CliTestKit::Result result = kit.run({"toc"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("\"Album (Disc 1).bin\" named in \"disc.cue\" is missing")))
        << result.err.toStdString();
}

} // namespace
