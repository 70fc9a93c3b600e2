// What a user meets when the disc, the disk or an encoder lets the job down: no file that
// looks complete and is not, one clear message, and every finished file kept.
#include "CdTestDoubles.h"
#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "jobs/JobCommands.h"
#include "jobs/JobTestKit.h"
#include "jobs/TRipForm.h"
#include "settings/TSettings.h"
#include "support/DiskFull.h"
#include "support/ToneWav.h"

#include <QDir>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

constexpr qint64 FrameBytes = DiscImageWriter::FrameBytes;

class RipFormFailureTest : public ::testing::Test
{
protected:
    ~RipFormFailureTest() override { tarnwick::setCDDeviceSource(nullptr); }

    // A disc image of tracks of the given lengths in frames, read through the hooked
    // drive so a test can act before any read.
    CDHandle openHookedDisc(const std::vector<std::int64_t>& frames)
    {
        DiscImageWriter writer;
        for (const std::int64_t f : frames) {
            writer.addTrack(f);
        }
        const QString cue = kit.dir.file(QStringLiteral("disc.cue"));
        EXPECT_TRUE(writer.write(cue));
        bin = DiscImageWriter::binPathFor(cue);
        image = std::make_shared<ImageDeviceSource>(QStringList{cue});
        tarnwick::setCDDeviceSource(image);
        kit.handle = openDrive(0);
        EXPECT_NE(kit.handle, 0u);
        return kit.handle;
    }

    QString outPath(const QString& name) const { return settings().OutputFolder + QLatin1Char('/') + name; }

    JobTestKit kit;
    std::shared_ptr<ImageDeviceSource> image;
    QString bin;
};

class DiscCutShortTest : public RipFormFailureTest, public ::testing::WithParamInterface<int>
{
};

// The image shrinks while track 1 is read, so that track 2 lies wholly past its new end.
TEST_P(DiscCutShortTest, LeavesNoTrackThatLooksComplete)
{
    settings().OutputFormat = GetParam();
    const CDHandle handle = openHookedDisc({100, 100});
    const QString cut = bin;
    image->beforeRead = [cut](int read) {
        if (read == 3) {
            QFile::resize(cut, 40 * FrameBytes + 1000);
        }
    };
    kit.runJob(TRipForm::ExtractCD, handle, {"01One", "02Two"});
    // The job goes on past both, and tells them in one message at its end.
    EXPECT_EQ(kit.prompt->messageTexts(), (QStringList{QStringLiteral("Error while reading CD information!\r\n\r\n"
                                                                      "Error while reading TOC information!")}));
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), QStringList{});
}

INSTANTIATE_TEST_SUITE_P(Formats, DiscCutShortTest, ::testing::Values(int(ofWAV), int(ofMP3)));

// The disk fills during track 2: its message names the file and the reason, the job ends
// there and track 1 stays as it was finished.
TEST_F(RipFormFailureTest, FullDiskStopsTheJobAndKeepsTheFinishedTrack)
{
    settings().OutputFormat = ofWAV;
    const CDHandle handle = openHookedDisc({150, 375, 150});
    {
        DiskFull full(600000);
        kit.runJob(TRipForm::ExtractCD, handle, {"01One", "02Two", "03Three"});
    }
    EXPECT_EQ(kit.prompt->messageTexts(), QStringList{QStringLiteral("Could not write ") + outPath("Two.wav") +
                                                      QStringLiteral(": File too large")});
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), QStringList{QStringLiteral("One.wav")});
    EXPECT_EQ(QFile(kit.out(QStringLiteral("One.wav"))).size(), 44 + 150 * FrameBytes);
    EXPECT_LE(image->reads.load(), 15 + 38) << "track 3 is never read";
}

struct FullOutputCase
{
    const char* name;
    int mode;
    int inputRate;
    const char* failingFile; // in the output folder
    const char* reason;
};

class EncoderOutputOnAFullDiskTest : public RipFormFailureTest, public ::testing::WithParamInterface<FullOutputCase>
{
};

// An encoder's output or the resampler's file cannot grow: the message names it, nothing
// of it stays, and the second file is never started.
TEST_P(EncoderOutputOnAFullDiskTest, StopsTheJobAndRemovesThePartialFile)
{
    const FullOutputCase& c = GetParam();
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("a.wav")), 5.0, c.inputRate));
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("b.wav")), 1.0, c.inputRate));
    {
        DiskFull full(20000);
        kit.runJob(c.mode, 0, {kit.input(QStringLiteral("a.wav")), kit.input(QStringLiteral("b.wav"))});
    }
    EXPECT_EQ(kit.prompt->messageTexts(),
              QStringList{QStringLiteral("Could not write ") + outPath(QString::fromLatin1(c.failingFile)) +
                          QStringLiteral(": ") + QString::fromLatin1(c.reason)});
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), QStringList{});
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, EncoderOutputOnAFullDiskTest,
    ::testing::Values(FullOutputCase{"Mp3", TRipForm::WavToMp3, 44100, "a.mp3", "Error writing mp3 output"},
                      FullOutputCase{"Ogg", TRipForm::WavToOgg, 44100, "a.ogg", "File too large"},
                      FullOutputCase{"Wma", TRipForm::WavToWma, 44100, "a.wma", "File too large"},
                      FullOutputCase{"ResampledForMp3", TRipForm::WavToMp3, 22050, "MyMP3ReTemp.wav", "File too large"},
                      FullOutputCase{"ResampledForOgg", TRipForm::WavToOgg, 22050, "MyReTemp.wav", "File too large"}),
    [](const auto& info) { return std::string(info.param.name); });

// Sets PATH for the life of the object.
class PathOverride
{
public:
    explicit PathOverride(const QString& path) : m_old(qgetenv("PATH")) { qputenv("PATH", path.toUtf8()); }
    ~PathOverride() { qputenv("PATH", m_old); }

private:
    QByteArray m_old;
};

struct BrokenEncoderCase
{
    const char* name;
    const char* lameScript; // nullptr: no lame anywhere
    QString problem;        // told once for the three tracks
    const char* why;
};

class BrokenEncoderTest : public RipFormFailureTest, public ::testing::WithParamInterface<BrokenEncoderCase>
{
};

// "Delete WAV file after processing" deletes only what was encoded: with an encoder that
// is missing or fails, every extracted track stays. The job goes on past each track's
// failure and ends in one message: the problem, the tracks it hit, the WAVs kept and why.
// AccurateRip on (the default) adds no box: the database is out of reach, and the window
// says so in its verdict line.
TEST_P(BrokenEncoderTest, KeepsEveryWavAndSaysWhyOnce)
{
    const BrokenEncoderCase& c = GetParam();
    settings().OutputFormat = ofMP3;
    settings().IsKeepWav = false;
    settings().AccurateRip = true;
    const QString empty = kit.dir.file(QStringLiteral("nothing"));
    ASSERT_TRUE(QDir().mkpath(empty));
    if (c.lameScript != nullptr) {
        const QString lame = kit.dir.file(QStringLiteral("home/lame"));
        ASSERT_TRUE(writeFileBytes(lame, QByteArray("#!/bin/sh\n") + c.lameScript + "\n"));
        ASSERT_TRUE(QFile::setPermissions(lame, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    const CDHandle handle = openHookedDisc({75, 150, 100});
    QString verdict;
    {
        const PathOverride path(empty);
        kit.runJob(TRipForm::ExtractCD, handle, {"01One", "02Two", "03Three"}, [&](TRipForm& form) {
            QObject::connect(&form, &QDialog::finished, &form, [&] { verdict = form.verdictLine(); });
        });
    }
    const QString why = QString::fromLatin1(c.why);
    EXPECT_EQ(kit.prompt->messageTexts(),
              QStringList{c.problem +
                          QStringLiteral("\r\n(3 tracks: One, Two, Three)\r\n\r\n"
                                         "These WAV files were kept because they were not encoded "
                                         "completely:\r\n") +
                          outPath(QStringLiteral("One.wav")) + " (" + why + ")\r\n" +
                          outPath(QStringLiteral("Two.wav")) + " (" + why + ")\r\n" +
                          outPath(QStringLiteral("Three.wav")) + " (" + why + ")"});
    EXPECT_TRUE(verdict.startsWith(QStringLiteral("AccurateRip could not be reached: "))) << verdict.toStdString();
    EXPECT_EQ(QFile(kit.out(QStringLiteral("One.wav"))).size(), 44 + 75 * FrameBytes);
    EXPECT_EQ(QFile(kit.out(QStringLiteral("Two.wav"))).size(), 44 + 150 * FrameBytes);
    EXPECT_EQ(QFile(kit.out(QStringLiteral("Three.wav"))).size(), 44 + 100 * FrameBytes);
    EXPECT_FALSE(QFile::exists(kit.out(QStringLiteral("One.mp3"))));
}

// The encoder's name is in the problem the user reads.
const QString kStartError =
    QStringLiteral("Error while creating mp3 encoding process!2 (lame: No such file or directory)");
const QString kCreateError =
    QStringLiteral("Create MP3 file error!\r\nPlease check the output and lame options or run application again.");

INSTANTIATE_TEST_SUITE_P(Encoders, BrokenEncoderTest,
                         ::testing::Values(BrokenEncoderCase{"Missing", nullptr, kStartError,
                                                             "the encoder could not be started"},
                                           BrokenEncoderCase{"FailsAtOnce", "echo 'bad option' >&2; exit 1",
                                                             kCreateError, "the encoding failed"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Stopped while the last track is encoded: the earlier tracks' WAVs go as usual, the last
// one stays beside its unfinished MP3.
TEST_F(RipFormFailureTest, StopDuringTheLastEncodingKeepsItsWav)
{
    settings().OutputFormat = ofMP3;
    settings().IsKeepWav = false;
    const CDHandle handle = openHookedDisc({75, 30 * 75});
    kit.runJob(TRipForm::ExtractCD, handle, {"01One", "02Two"}, [&](TRipForm& form) {
        QObject::connect(&form, &QWidget::windowTitleChanged, &form, [&](const QString& t) {
            if (t.startsWith(QStringLiteral("Encoding(02"))) {
                QTimer::singleShot(0, &form, &TRipForm::suitempbtStopClick);
            }
        });
    });
    EXPECT_FALSE(QFile::exists(kit.out(QStringLiteral("One.wav"))));
    EXPECT_TRUE(QFile::exists(kit.out(QStringLiteral("One.mp3"))));
    EXPECT_EQ(QFile(kit.out(QStringLiteral("Two.wav"))).size(), 44 + 30 * 75 * FrameBytes);
    EXPECT_EQ(kit.prompt->messageTexts(),
              QStringList{QStringLiteral("These WAV files were kept because they were not encoded completely:\r\n") +
                          outPath(QStringLiteral("Two.wav")) + QStringLiteral(" (the encoding was stopped)")});
}

class UnknownOutputFormatTest : public RipFormFailureTest, public ::testing::WithParamInterface<int>
{
};

// An OutputFormat this version does not know is refused before anything is extracted.
TEST_P(UnknownOutputFormatTest, IsRefusedBeforeTheJobStarts)
{
    settings().OutputFormat = GetParam();
    const CDHandle handle = openHookedDisc({75});
    JobCommands commands(nullptr, kit.mp3.get(), kit.wma.get());
    commands.ActionExtractExecute(handle, {{QStringLiteral("One"), true}}, false, nullptr);
    ASSERT_EQ(kit.prompt->messageTexts().size(), 1);
    EXPECT_EQ(kit.prompt->messageTexts().first(),
              QStringLiteral("The output format %1 in options.ini is not one this version knows (0 MP3, 1 WAV, "
                             "2 OGG, 3 WMA, 4 FLAC). Please choose the output format on the Options dialog.")
                  .arg(GetParam()));
    EXPECT_TRUE(kit.prompt->windowNames().isEmpty());
    EXPECT_EQ(image->reads.load(), 0);
    // Any other opener of the job window is refused the same way.
    EXPECT_THROW(TRipForm(nullptr, TRipForm::ExtractCD, handle, {"01One"}, kit.mp3.get(), kit.wma.get()),
                 std::runtime_error);
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), QStringList{});
}

INSTANTIATE_TEST_SUITE_P(Values, UnknownOutputFormatTest, ::testing::Values(5, -1, 99));

} // namespace
