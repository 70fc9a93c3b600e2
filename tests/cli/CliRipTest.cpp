#include "cli/CliTestKit.h"

#include "settings/DiscInfoStore.h"
#include "settings/SettingsStore.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

const std::vector<double> ThreeTracks = {3.0, 2.0, 4.0};

TSettings defaultsInto(const CliTestKit& kit)
{
    TSettings s;
    SettingsStore::load(s, kit.home() + QStringLiteral("/options.ini"));
    return s;
}

struct ArgumentCase
{
    const char* name;
    QStringList arguments;
    const char* reason;
};

class CliArgumentError : public ::testing::TestWithParam<ArgumentCase>
{
};

TEST_P(CliArgumentError, ExitsWithTwoAndUsageAndWritesNothing)
{
    CliTestKit kit;
    kit.makeDisc(ThreeTracks);
    const CliTestKit::Result result = kit.run(GetParam().arguments);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(result.err.contains(QString::fromUtf8(GetParam().reason))) << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QStringLiteral("usage: tarnwick-cli")));
    EXPECT_TRUE(CliTestKit::filesIn(kit.out()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliArgumentError,
    ::testing::Values(ArgumentCase{"UnknownFormat", {"rip", "--format", "flac2"}, "unknown format 'flac2'"},
                      ArgumentCase{"TrackZero", {"rip", "--tracks", "0"}, "no track 0"},
                      ArgumentCase{"BackwardRange", {"rip", "--tracks", "3-1"}, "runs backwards"},
                      ArgumentCase{"TrackBeyondTheDisc", {"rip", "--tracks", "2,4"}, "the disc has no track 4"},
                      ArgumentCase{"NoJobs", {"rip", "--jobs", "0"}, "--jobs"}),
    [](const ::testing::TestParamInfo<ArgumentCase>& info) { return std::string(info.param.name); });

struct FormatCase
{
    const char* format;
    const char* extension;
    int outputFormat = ofWAV; // the window's setting for the same files
    bool tagged = false;      // the files carry the disc's and the track's titles
    bool lossless = false;    // the files decode to exactly the extracted samples
};

class CliRipFormat : public ::testing::TestWithParam<FormatCase>
{
};

// Every format from one image with two encoders at once: each file holds its whole track,
// MP3 files carry the disc's tags, and no intermediate WAV is left.
TEST_P(CliRipFormat, MakesOneWholeFilePerTrack)
{
    CliTestKit kit;
    kit.makeDisc(ThreeTracks);
    TSettings options = defaultsInto(kit);
    options.UseID3 = true;
    kit.writeOptions(options);
    TDiscInfo disc;
    disc.Artist = QStringLiteral("The Band");
    disc.Album = QStringLiteral("First");
    disc.Year = QStringLiteral("1999");
    disc.TrackNumber = 3;
    disc.setTitle(1, QStringLiteral("Opening"));
    disc.setTitle(2, QStringLiteral("Middle"));
    disc.setTitle(3, QStringLiteral("Closing"));
    kit.writeDiscInfo(disc);

    const QString format = QString::fromUtf8(GetParam().format);
    const CliTestKit::Result result = kit.run({"rip", "--format", format, "--jobs", "2"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString extension = QString::fromUtf8(GetParam().extension);
    const QStringList titles = {"Opening", "Middle", "Closing"};
    QStringList expected;
    for (const QString& title : titles) {
        expected << title + extension;
    }
    expected.sort();
    EXPECT_EQ(CliTestKit::filesIn(kit.out()), expected);
    for (int i = 0; i < 3; ++i) {
        const QString file = kit.out(titles[i] + extension);
        EXPECT_NEAR(CliTestKit::durationSeconds(file), ThreeTracks[static_cast<std::size_t>(i)], 0.15)
            << file.toStdString();
    }
    if (GetParam().tagged) {
        const QString file = kit.out(QStringLiteral("Middle") + extension);
        EXPECT_EQ(CliTestKit::probe(file, QStringLiteral("format_tags=title")), QStringLiteral("Middle"));
        EXPECT_EQ(CliTestKit::probe(file, QStringLiteral("format_tags=artist")), QStringLiteral("The Band"));
        EXPECT_EQ(CliTestKit::probe(file, QStringLiteral("format_tags=album")), QStringLiteral("First"));
        EXPECT_EQ(CliTestKit::probe(file, QStringLiteral("format_tags=track")), QStringLiteral("2"));
    }
    if (GetParam().lossless) {
        // The same disc ripped to WAV is the source the encoded files must give back.
        const QString wavs = kit.dir.file(QStringLiteral("wavs"));
        const CliTestKit::Result plain = kit.run({"rip", "--format", "wav", "--output", wavs});
        ASSERT_EQ(plain.exitCode, 0) << plain.err.toStdString();
        for (const QString& title : titles) {
            const QByteArray source = CliTestKit::wavSamples(wavs + QLatin1Char('/') + title + QStringLiteral(".wav"));
            ASSERT_FALSE(source.isEmpty());
            EXPECT_TRUE(CliTestKit::flacSamples(kit.out(title + extension)) == source) << title.toStdString();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cli, CliRipFormat,
                         ::testing::Values(FormatCase{"mp3", ".mp3", ofMP3, true}, FormatCase{"ogg", ".ogg", ofOGG},
                                           FormatCase{"flac", ".flac", ofFLAC, true, true},
                                           FormatCase{"wma", ".wma", ofWMA}, FormatCase{"wav", ".wav", ofWAV}),
                         [](const ::testing::TestParamInfo<FormatCase>& info) {
                             return std::string(info.param.format);
                         });

class CliMatchesWindow : public ::testing::TestWithParam<FormatCase>
{
};

// The same settings and disc give the same bytes as the job window's rip.
TEST_P(CliMatchesWindow, FilesAreByteIdentical)
{
    CliTestKit kit;
    kit.makeDisc(ThreeTracks);
    TSettings options = defaultsInto(kit);
    options.UseID3 = true;
    options.OutputFormat = GetParam().outputFormat;
    options.IsSelectVBR = true; // options away from the defaults reach both the same way
    options.VBRQuality = 2;
    options.CompressPosition = 55;
    options.FLACCompression = 8;
    kit.writeOptions(options);
    TDiscInfo disc;
    disc.Artist = QStringLiteral("Someone");
    disc.Album = QStringLiteral("Live");
    disc.Year = QStringLiteral("2001");
    disc.Comment = QStringLiteral("taped");
    disc.Genre = 17;
    disc.TrackNumber = 3;
    disc.setTitle(2, QStringLiteral("Second Song"));
    kit.writeDiscInfo(disc);

    const CliTestKit::Result result = kit.run({"rip", "--jobs", "2"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString window = kit.dir.file(QStringLiteral("window"));
    QDir().mkpath(window);
    kit.runWindowRip(window, {1, 2, 3});

    const QStringList files = CliTestKit::filesIn(window);
    ASSERT_EQ(files.size(), 3);
    EXPECT_EQ(CliTestKit::filesIn(kit.out()), files);
    EXPECT_TRUE(files.contains(QStringLiteral("Second Song") + QString::fromUtf8(GetParam().extension)));
    for (const QString& name : files) {
        EXPECT_EQ(readFileBytes(kit.out(name)), readFileBytes(window + QLatin1Char('/') + name)) << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Cli, CliMatchesWindow,
                         ::testing::Values(FormatCase{"mp3", ".mp3", ofMP3}, FormatCase{"ogg", ".ogg", ofOGG},
                                           FormatCase{"flac", ".flac", ofFLAC}),
                         [](const ::testing::TestParamInfo<FormatCase>& info) {
                             return std::string(info.param.format);
                         });

TEST(CliRip, OneEncoderGivesTheSameFilesAsTwo)
{
    CliTestKit kit;
    kit.makeDisc(ThreeTracks);
    ASSERT_EQ(kit.run({"rip", "--format", "mp3", "--jobs", "2"}).exitCode, 0);
    const QString one = kit.dir.file(QStringLiteral("one"));
    ASSERT_EQ(kit.run({"rip", "--format", "mp3", "--jobs", "1", "--output", one}).exitCode, 0);
    const QStringList files = CliTestKit::filesIn(one);
    ASSERT_EQ(files.size(), 3);
    EXPECT_EQ(CliTestKit::filesIn(kit.out()), files);
    for (const QString& name : files) {
        EXPECT_EQ(readFileBytes(kit.out(name)), readFileBytes(one + QLatin1Char('/') + name));
    }
}

// Extraction runs ahead of the encoders, but never more than jobs + 1 WAV files wait.
TEST(CliRip, NoMoreThanOneWavBeyondTheEncodersWaits)
{
    CliTestKit kit;
    kit.makeDisc({2.0, 2.0, 2.0, 2.0, 2.0, 2.0});
    kit.installLameWrapper();
    const CliTestKit::Result result = kit.run({"rip", "--format", "mp3", "--jobs", "2", "--tracks", "1-6"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QStringList counts = kit.wrapperLog();
    ASSERT_EQ(counts.size(), 6);
    for (const QString& count : counts) {
        EXPECT_LE(count.toInt(), 3);
    }
    EXPECT_EQ(CliTestKit::filesIn(kit.out()).filter(QStringLiteral(".mp3")).size(), 6);
}

TEST(CliRip, ATitleThatIsNoFileNameFailsThatTrackOnly)
{
    CliTestKit kit;
    kit.makeDisc(ThreeTracks);
    TDiscInfo disc;
    disc.TrackNumber = 3;
    disc.setTitle(2, QStringLiteral("What?"));
    kit.writeDiscInfo(disc);
    const CliTestKit::Result result = kit.run({"rip", "--format", "mp3", "--jobs", "2"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(kit.out(QStringLiteral("What?.wav")))) << result.err.toStdString();
    EXPECT_EQ(CliTestKit::filesIn(kit.out()), (QStringList{"Track01.mp3", "Track03.mp3"}));
}

TEST(CliRip, AFailingEncoderFailsThatTrackOnlyAndKeepsItsWav)
{
    CliTestKit kit;
    kit.makeDisc(ThreeTracks);
    kit.installLameWrapper(QStringLiteral("Track02"));
    const CliTestKit::Result result = kit.run({"rip", "--format", "mp3", "--jobs", "2"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("Track02: lame ended without encoding: Could not read the input: "
                                                   "scripted failure")))
        << result.err.toStdString();
    EXPECT_TRUE(result.err.contains(QStringLiteral("kept ") + kit.out(QStringLiteral("Track02.wav"))));
    EXPECT_EQ(CliTestKit::filesIn(kit.out()), (QStringList{"Track01.mp3", "Track02.wav", "Track03.mp3"}));
}

} // namespace

namespace {

// --tracks names the numbers the disc gives its tracks, as the track list shows them,
// also on a disc whose first track is not 1.
TEST(CliRip, TracksAreChosenByTheirNumberOnTheDisc)
{
    CliTestKit kit;
    kit.makeDisc({3.0, 1.0, 2.0}, 2);
    const CliTestKit::Result result = kit.run({"rip", "--format", "wav", "--tracks", "3"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(CliTestKit::filesIn(kit.out()), QStringList{"Track03.wav"});
    EXPECT_NEAR(CliTestKit::durationSeconds(kit.out(QStringLiteral("Track03.wav"))), 1.0, 0.02);
}

} // namespace

namespace {

struct ReadingCase
{
    const char* name;
    QStringList arguments; // after "rip --format wav"
    bool storedSecure;     // SecureMode of options.ini
    int storedOffset;      // ReadOffset of options.ini
    bool windowSecure;     // what the window's job must be given for the same files
    int windowOffset;
};

class CliReadingOverride : public ::testing::TestWithParam<ReadingCase>
{
};

// --secure and --offset override options.ini for the run: the files equal the window's rip
// with the same reading settings stored, and options.ini stays as it was.
TEST_P(CliReadingOverride, GivesTheWindowsFilesForTheSameReading)
{
    const ReadingCase& c = GetParam();
    CliTestKit kit;
    kit.makeDisc(ThreeTracks);
    TSettings options = defaultsInto(kit);
    options.OutputFormat = ofWAV;
    options.SecureMode = c.storedSecure;
    options.ReadOffset = c.storedOffset;
    kit.writeOptions(options);
    const QByteArray stored = readFileBytes(kit.home() + QStringLiteral("/options.ini"));

    const CliTestKit::Result result = kit.run(QStringList{"rip", "--format", "wav"} + c.arguments);
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(readFileBytes(kit.home() + QStringLiteral("/options.ini")), stored);

    options.SecureMode = c.windowSecure;
    options.ReadOffset = c.windowOffset;
    kit.writeOptions(options);
    const QString window = kit.dir.file(QStringLiteral("window"));
    QDir().mkpath(window);
    kit.runWindowRip(window, {1, 2, 3});
    // Secure mode also leaves a rip log beside the files; the audio is what is compared.
    const QStringList files = CliTestKit::filesIn(window).filter(QStringLiteral(".wav"));
    ASSERT_EQ(files.size(), 3);
    EXPECT_EQ(CliTestKit::filesIn(kit.out()).filter(QStringLiteral(".wav")), files);
    EXPECT_EQ(CliTestKit::filesIn(kit.out()).size(), CliTestKit::filesIn(window).size());
    for (const QString& name : files) {
        EXPECT_EQ(readFileBytes(kit.out(name)), readFileBytes(window + QLatin1Char('/') + name)) << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliReadingOverride,
    ::testing::Values(ReadingCase{"SecureAndOffset", {"--secure", "--offset", "6"}, false, 0, true, 6},
                      ReadingCase{"NegativeOffsetOverStored", {"--offset=-30"}, false, 1000, false, -30},
                      ReadingCase{"NothingGivenKeepsTheStored", {}, true, -30, true, -30},
                      ReadingCase{"ZeroOffsetOverStored", {"--offset", "0"}, false, 6, false, 0}),
    [](const ::testing::TestParamInfo<ReadingCase>& info) { return std::string(info.param.name); });

} // namespace
