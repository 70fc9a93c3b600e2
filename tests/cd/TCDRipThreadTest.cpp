#include "DriveFixture.h"

#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "cd/TCDRipThread.h"
#include "settings/TSettings.h"
#include "support/DiskFull.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

constexpr qint64 FrameBytes = 2352;

std::uint32_t le32(const QByteArray& bytes, int offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
    }
    return value;
}

std::uint16_t le16(const QByteArray& bytes, int offset)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[offset]) |
                                      (static_cast<std::uint8_t>(bytes[offset + 1]) << 8));
}

// The 44-byte header of a 44,100 Hz 16-bit stereo PCM file with `data` audio bytes.
void expectHeader(const QByteArray& file, std::uint32_t data)
{
    ASSERT_GE(file.size(), 44);
    EXPECT_EQ(file.left(4), "RIFF");
    EXPECT_EQ(le32(file, 4), data + 36);
    EXPECT_EQ(file.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32(file, 16), 16u);
    EXPECT_EQ(le16(file, 20), 1);
    EXPECT_EQ(le16(file, 22), 2);
    EXPECT_EQ(le32(file, 24), 44100u);
    EXPECT_EQ(le32(file, 28), 176400u);
    EXPECT_EQ(le16(file, 32), 4);
    EXPECT_EQ(le16(file, 34), 16);
    EXPECT_EQ(file.mid(36, 4), "data");
    EXPECT_EQ(le32(file, 40), data);
}

class RipThread : public DriveFixture
{
protected:
    // Runs one extraction to its end; `onEvent` sees every record as the window would.
    void rip(int track, const QString& title, CDHandle handle)
    {
        m_thread = std::make_unique<TCDRipThread>(track, title);
        m_thread->setDriveHandle(handle);
        m_thread->setWindow(&m_window);
        runUntilFinished(*m_thread, [this] { m_thread->resume(); });
    }
    void rip(int track, const QString& title = QStringLiteral("Track")) { rip(track, title, m_handle); }

    QString output(const QString& title = QStringLiteral("Track")) const
    {
        return m_folder.file("out/" + title + ".wav");
    }

    void expectOutcome(std::int32_t status) const
    {
        const std::vector<RecordedEvent> outcomes = m_window.outcomes();
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].type, WM_PROCESSINFO);
        EXPECT_EQ(outcomes[0].info.Status, status);
        EXPECT_EQ(m_window.events.back().info.Progress, ProgressCode::TrackExtracted) << "the outcome comes last";
    }

    EventRecorder m_window;
    std::unique_ptr<TCDRipThread> m_thread;
};

TEST_F(RipThread, ReadsBlocksOfTenAndReportsEachWithItsTimes)
{
    ScriptedDisc disc;
    disc.layout = layoutOf(1, {25, 5});
    useScripted(disc);
    rip(1);
    EXPECT_EQ(m_window.progressValues(), (std::vector<int>{40, 80, 100}));
    expectOutcome(TCDRipThread::StatusDone);
    const QRegularExpression timeText(QStringLiteral("^\\d{2,}:\\d{2}$"));
    for (const RecordedEvent& e : m_window.events) {
        if (e.info.Progress > 0 && e.info.Progress <= 100) {
            EXPECT_TRUE(timeText.match(e.info.ElapsedText).hasMatch()) << e.info.ElapsedText.toStdString();
            EXPECT_TRUE(timeText.match(e.info.EstimatedText).hasMatch()) << e.info.EstimatedText.toStdString();
        }
    }
    EXPECT_EQ(QFile(output()).size(), 44 + 25 * FrameBytes);
}

struct RipTimeCase
{
    const char* name;
    bool enabled;
    std::int32_t seconds;
    qint64 fileSize;
};

class RipTimeCut : public RipThread, public ::testing::WithParamInterface<RipTimeCase>
{
};

TEST_P(RipTimeCut, OfAFourMinuteTrack)
{
    ScriptedDisc disc;
    disc.layout = layoutOf(1, {4 * 60 * 75, 75});
    useScripted(disc);
    settings().EnableRipTime = GetParam().enabled;
    settings().RipTime = GetParam().seconds;
    rip(1);
    expectOutcome(TCDRipThread::StatusDone);
    const QByteArray file = readFileBytes(output());
    EXPECT_EQ(file.size(), GetParam().fileSize);
    expectHeader(file, static_cast<std::uint32_t>(GetParam().fileSize - 44));
}

INSTANTIATE_TEST_SUITE_P(Lengths, RipTimeCut,
                         ::testing::Values(RipTimeCase{"ThirtySeconds", true, 30, 5292044},
                                           RipTimeCase{"LongerThanTheTrack", true, 300, 44 + 18000 * FrameBytes},
                                           RipTimeCase{"Disabled", false, 30, 44 + 18000 * FrameBytes},
                                           RipTimeCase{"Zero", true, 0, 44}),
                         [](const auto& info) { return std::string(info.param.name); });

class RipTrackOfImage : public RipThread, public ::testing::WithParamInterface<int>
{
};

// Each track of a disc whose first track is 2, the last one up to the lead-out, is the
// image's bytes behind a finished header.
TEST_P(RipTrackOfImage, EqualsTheImageBytes)
{
    const std::vector<std::int64_t> frames{100, 37, 263};
    useImage(2, frames);
    const int track = GetParam();
    rip(track);
    expectOutcome(TCDRipThread::StatusDone);
    std::int64_t start = 0;
    for (int i = 0; i < track - 1; ++i) {
        start += frames[i];
    }
    const QByteArray file = readFileBytes(output());
    const qint64 audio = frames[track - 1] * FrameBytes;
    ASSERT_EQ(file.size(), 44 + audio);
    expectHeader(file, static_cast<std::uint32_t>(audio));
    EXPECT_TRUE(file.mid(44) == m_bin.mid(start * FrameBytes, audio));
}

INSTANTIATE_TEST_SUITE_P(Tracks, RipTrackOfImage, ::testing::Values(1, 2, 3));

TEST_F(RipThread, ReplacesAnExistingFile)
{
    useImage(1, {37});
    ASSERT_TRUE(writeFileBytes(output(), QByteArray(200000, 'x')));
    rip(1);
    expectOutcome(TCDRipThread::StatusDone);
    const QByteArray file = readFileBytes(output());
    ASSERT_EQ(file.size(), 44 + 37 * FrameBytes);
    EXPECT_TRUE(file.mid(44) == m_bin);
}

class RipBadTitle : public RipThread, public ::testing::WithParamInterface<const char*>
{
};

// A title is a file name inside the output folder, never a path out of it.
TEST_P(RipBadTitle, IsRefusedWithoutWritingAnything)
{
    useImage(1, {20});
    QDir(m_folder.path()).mkpath("out/sub");
    rip(1, QString::fromUtf8(GetParam()));
    expectOutcome(TCDRipThread::StatusFileFailed);
    EXPECT_EQ(QDir(m_folder.file("out")).entryList(QDir::Files | QDir::Hidden).size(), 0);
    EXPECT_EQ(QDir(m_folder.file("out/sub")).entryList(QDir::Files | QDir::Hidden).size(), 0);
    EXPECT_EQ(QDir(m_folder.path()).entryList({"*.wav"}, QDir::Files).size(), 0);
}

INSTANTIATE_TEST_SUITE_P(Titles, RipBadTitle,
                         ::testing::Values("What?", "sub/inside", "../escape", "a:b", "tab\there"));

// A folder that went away is no fault of the title: the system's reason goes with the
// record.
TEST_F(RipThread, MissingOutputFolderIsAWriteFailure)
{
    useImage(1, {20});
    settings().OutputFolder = m_folder.file("nowhere");
    rip(1);
    expectOutcome(TCDRipThread::StatusWriteFailed);
    EXPECT_EQ(m_window.outcomes()[0].info.ElapsedText, QStringLiteral("No such file or directory"));
    EXPECT_FALSE(QDir(m_folder.file("nowhere")).exists());
}

class RipFullDisk : public RipThread, public ::testing::WithParamInterface<std::uint64_t>
{
};

// The disk fills at the header, amid the audio, or short of the last block: the track
// ends as a failed write with the system's reason, and no part of it stays.
TEST_P(RipFullDisk, RemovesThePartialFile)
{
    ScriptedDisc disc;
    disc.layout = layoutOf(1, {100});
    useScripted(disc);
    {
        DiskFull full(GetParam());
        rip(1);
    }
    expectOutcome(TCDRipThread::StatusWriteFailed);
    EXPECT_EQ(m_window.outcomes()[0].info.ElapsedText, QStringLiteral("File too large"));
    EXPECT_FALSE(QFile::exists(output()));
}

INSTANTIATE_TEST_SUITE_P(Limits, RipFullDisk, ::testing::Values(20u, 44u + 30u * FrameBytes, 44u + 99u * FrameBytes));

TEST_F(RipThread, FileInUseIsLeftAlone)
{
    useImage(1, {20});
    ASSERT_TRUE(writeFileBytes(output(), "keep me"));
    QFile holder(output());
    ASSERT_TRUE(holder.open(QIODevice::ReadOnly));
    rip(1);
    expectOutcome(TCDRipThread::StatusFileFailed);
    EXPECT_EQ(readFileBytes(output()), "keep me");
}

struct DriveErrorCase
{
    const char* name;
    int track;
    bool validHandle;
    std::intptr_t error;
};

class RipDriveError : public RipThread, public ::testing::WithParamInterface<DriveErrorCase>
{
};

TEST_P(RipDriveError, PostsTheErrorAndCreatesNoFile)
{
    useImage(1, {20, 20, 20});
    rip(GetParam().track, QStringLiteral("Track"), GetParam().validHandle ? m_handle : 0);
    ASSERT_EQ(m_window.events.size(), 1u);
    EXPECT_EQ(m_window.events[0].type, WM_RIPERROR);
    EXPECT_EQ(m_window.events[0].lParam, GetParam().error);
    EXPECT_FALSE(QFile::exists(output()));
}

INSTANTIATE_TEST_SUITE_P(Errors, RipDriveError,
                         ::testing::Values(DriveErrorCase{"NoDrive", 1, false, 1},
                                           DriveErrorCase{"TrackAfterTheLast", 4, true, 2},
                                           DriveErrorCase{"TrackZero", 0, true, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

// On an enhanced CD the last audio track ends with its session: the 11,400 frames before
// the data session hold no audio a drive can read, so they are not asked for.
TEST_F(RipThread, LastAudioTrackOfAnEnhancedCdEndsWithItsSession)
{
    DiscImageWriter writer;
    writer.addTrack(100);
    writer.addTrack(37);
    writer.addDataTrack(50);
    useImage(writer);
    rip(2);
    expectOutcome(TCDRipThread::StatusDone);
    const QByteArray file = readFileBytes(output());
    ASSERT_EQ(file.size(), 44 + 37 * FrameBytes);
    EXPECT_TRUE(file.mid(44) == m_bin.mid(100 * FrameBytes, 37 * FrameBytes));
}

// A data track read as audio would be a file of noise.
TEST_F(RipThread, DataTrackIsNeverExtracted)
{
    DiscImageWriter writer;
    writer.addDataTrack(50);
    writer.addTrack(40);
    useImage(writer);
    rip(1);
    ASSERT_EQ(m_window.events.size(), 1u);
    EXPECT_EQ(m_window.events[0].type, WM_RIPERROR);
    EXPECT_FALSE(QFile::exists(output()));
    rip(2);
    EXPECT_TRUE(QFile::exists(output()));
}

TEST_F(RipThread, DiscWithoutTableOfContentsIsErrorTwo)
{
    tarnwick::setCDDeviceSource(std::make_shared<ImageDeviceSource>(QStringList{m_folder.file("absent.cue")}));
    m_handle = openDrive(0);
    ASSERT_NE(m_handle, 0u);
    rip(1);
    ASSERT_EQ(m_window.events.size(), 1u);
    EXPECT_EQ(m_window.events[0].lParam, TCDRipThread::ErrorTableOfContents);
}

// A failed read still reports its block, then abandons the track and removes what was
// written of it.
TEST_F(RipThread, ReadFailureAbandonsTheTrack)
{
    ScriptedDisc disc;
    disc.layout = layoutOf(1, {50});
    disc.failFrom = 2;
    useScripted(disc);
    rip(1);
    EXPECT_EQ(m_window.progressValues(), (std::vector<int>{20, 40, 60}));
    expectOutcome(TCDRipThread::StatusReadFailed);
    EXPECT_FALSE(QFile::exists(output())) << "half a track is no use to anybody";
}

// The image file shrinks while the track is read, like a disc that fails mid-rip:
// libcdio still reports success, yet the track must end as a failed read.
TEST_F(RipThread, ImageCutShortMidRipFails)
{
    useImage(1, {100});
    const QString bin = m_folder.file("disc.bin");
    m_image->beforeRead = [bin](int read) {
        if (read == 4) {
            QFile::resize(bin, 40 * FrameBytes + 1000);
        }
    };
    rip(1);
    expectOutcome(TCDRipThread::StatusReadFailed);
    EXPECT_FALSE(QFile::exists(output()));
    // libcdio may still serve what it had buffered before the cut; the failing block is
    // reported all the same.
    EXPECT_GE(m_window.progressValues().size(), 5u);
    EXPECT_LT(m_window.progressValues().back(), 100);
}

// The table of contents read for a track says it has no length, or puts it elsewhere than
// the table the job began with: nothing is read and no file appears.
struct ChangedTocCase
{
    const char* name;
    std::vector<std::int64_t> before; // the job's first table; empty for none
    std::vector<std::int64_t> now;
};

class RipChangedToc : public RipThread, public ::testing::WithParamInterface<ChangedTocCase>
{
};

TEST_P(RipChangedToc, IsADriveError)
{
    ScriptedDisc disc;
    disc.layout = layoutOf(1, GetParam().now);
    auto source = std::make_shared<ScriptedDeviceSource>();
    source->addDrive(disc);
    tarnwick::setCDDeviceSource(source);
    m_handle = openDrive(0);
    ASSERT_NE(m_handle, 0u);
    m_thread = std::make_unique<TCDRipThread>(2, QStringLiteral("Track"));
    if (!GetParam().before.empty()) {
        TOC reference;
        tarnwick::fillToc(layoutOf(1, GetParam().before), true, &reference);
        m_thread->setReferenceToc(reference);
    }
    m_thread->setDriveHandle(m_handle);
    m_thread->setWindow(&m_window);
    runUntilFinished(*m_thread, [this] { m_thread->resume(); });
    ASSERT_EQ(m_window.events.size(), 1u);
    EXPECT_EQ(m_window.events[0].type, WM_RIPERROR);
    EXPECT_EQ(m_window.events[0].lParam, TCDRipThread::ErrorTableOfContents);
    EXPECT_FALSE(QFile::exists(output()));
    EXPECT_EQ(source->reads.load(), 0);
    ASSERT_TRUE(m_thread->tableOfContents().has_value());
    EXPECT_EQ(m_thread->tableOfContents()->lastTrack, GetParam().now.size());
}

INSTANTIATE_TEST_SUITE_P(Tables, RipChangedToc,
                         ::testing::Values(ChangedTocCase{"NoLength", {}, {100, 0, 50}},
                                           ChangedTocCase{"PastTheEnd", {100, 100}, {100, -50}},
                                           ChangedTocCase{"Shorter", {100, 100}, {100, 60}},
                                           ChangedTocCase{"Longer", {100, 100}, {100, 160}},
                                           ChangedTocCase{"Moved", {80, 100}, {100, 100}},
                                           ChangedTocCase{"GoneFromTheTable", {100, 100}, {100}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RipThread, TrackWhereTheJobsTableHadItIsExtracted)
{
    ScriptedDisc disc;
    disc.layout = layoutOf(1, {30, 20});
    useScripted(disc);
    m_thread = std::make_unique<TCDRipThread>(2, QStringLiteral("Track"));
    TOC reference;
    tarnwick::fillToc(disc.layout, true, &reference);
    m_thread->setReferenceToc(reference);
    m_thread->setDriveHandle(m_handle);
    m_thread->setWindow(&m_window);
    runUntilFinished(*m_thread, [this] { m_thread->resume(); });
    expectOutcome(TCDRipThread::StatusDone);
    EXPECT_EQ(QFile(output()).size(), 44 + 20 * FrameBytes);
}

TEST_F(RipThread, StopLeavesAValidShorterFileAndPostsNothing)
{
    useImage(1, {100});
    m_image->beforeRead = [this](int read) {
        if (read == 2) {
            m_thread->stop();
        }
    };
    settings().IsNormalize = true;
    rip(1);
    EXPECT_EQ(m_window.progressValues(), (std::vector<int>{10, 20, 30}));
    EXPECT_TRUE(m_window.outcomes().empty());
    const QByteArray file = readFileBytes(output());
    ASSERT_EQ(file.size(), 44 + 30 * FrameBytes);
    expectHeader(file, 30 * FrameBytes);
    EXPECT_TRUE(file.mid(44) == m_bin.left(30 * FrameBytes));
}

struct NormalizeCase
{
    const char* name;
    std::int32_t percent;
    std::vector<std::int16_t> expected; // for the samples 3, 5, -3, 20000, -20000, 32767, -32768, 1
};

class RipNormalize : public RipThread, public ::testing::WithParamInterface<NormalizeCase>
{
};

TEST_P(RipNormalize, ScalesEverySampleAndKeepsTheHeader)
{
    static const std::vector<std::int16_t> samples{3, 5, -3, 20000, -20000, 32767, -32768, 1};
    ScriptedDisc disc;
    disc.layout = layoutOf(1, {3});
    disc.sample = [](std::int64_t i) { return samples[static_cast<std::size_t>(i) % samples.size()]; };
    useScripted(disc);
    settings().IsNormalize = true;
    settings().NormalizePercent = GetParam().percent;
    rip(1);
    expectOutcome(TCDRipThread::StatusDone);
    const QByteArray file = readFileBytes(output());
    ASSERT_EQ(file.size(), 44 + 3 * FrameBytes);
    expectHeader(file, 3 * FrameBytes);
    for (qint64 i = 0; i < 3 * FrameBytes / 2; ++i) {
        const auto sample = static_cast<std::int16_t>(le16(file, static_cast<int>(44 + 2 * i)));
        ASSERT_EQ(sample, GetParam().expected[static_cast<std::size_t>(i) % samples.size()]) << "sample " << i;
    }
    EXPECT_FALSE(QFile::exists(m_folder.file("out/Track.nor")));

    // Extraction progress, then 999, then the pass's own progress up to 100, then done.
    const std::vector<RecordedEvent>& events = m_window.events;
    const auto begins =
        std::find_if(events.begin(), events.end(), [](const RecordedEvent& e) { return e.info.Progress == 999; });
    ASSERT_NE(begins, events.end());
    EXPECT_EQ(std::prev(begins)->info.Progress, 100);
    EXPECT_EQ(std::next(begins)->info.Progress, 0);
    EXPECT_TRUE(std::next(begins)->info.ElapsedText.isEmpty());
    EXPECT_EQ(std::prev(events.end(), 2)->info.Progress, 100);
    // 7,056 audio bytes in 2,048-byte blocks: four blocks and the empty read.
    EXPECT_EQ(std::distance(begins, events.end()), 1 + 5 + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Percentages, RipNormalize,
    ::testing::Values(NormalizeCase{"Unchanged", 100, {3, 5, -3, 20000, -20000, 32767, -32768, 1}},
                      NormalizeCase{"HalfRoundsToEven", 50, {2, 2, -2, 10000, -10000, 16384, -16384, 0}},
                      NormalizeCase{"Silence", 0, {0, 0, 0, 0, 0, 0, 0, 0}},
                      NormalizeCase{"AboveHundredClips", 200, {6, 10, -6, 32767, -32768, 32767, -32768, 2}}),
    [](const auto& info) { return std::string(info.param.name); });

// The normalisation pass cannot create its work file: the track still ends with one
// record of its own, and the extracted WAV stays as it was.
TEST_F(RipThread, NormalizeFileErrorKeepsTheWav)
{
    useImage(1, {30});
    ASSERT_TRUE(QDir().mkpath(m_folder.file("out/Track.nor")));
    settings().IsNormalize = true;
    settings().NormalizePercent = 50;
    rip(1);
    expectOutcome(TCDRipThread::StatusNormalizeFailed);
    const QByteArray file = readFileBytes(output());
    ASSERT_EQ(file.size(), 44 + 30 * FrameBytes);
    EXPECT_TRUE(file.mid(44) == m_bin);
}

} // namespace
