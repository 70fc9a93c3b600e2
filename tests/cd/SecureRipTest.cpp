#include "DriveFixture.h"

#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "cd/TCDRipThread.h"
#include "settings/TSettings.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <cstring>
#include <gtest/gtest.h>

namespace {

constexpr qint64 FrameBytes = 2352;
constexpr qint64 SampleBytes = 4;

// Keeps what the thread fed it, to compare with the file the thread wrote.
class RecordingSink : public TrackAudioSink
{
public:
    void begin(const TrackAudioInfo& i) override
    {
        ++begins;
        info = i;
    }
    void audio(const std::uint8_t* data, std::size_t bytes) override
    {
        EXPECT_EQ(begins, 1) << "audio only between begin and end";
        EXPECT_EQ(ends, 0) << "audio only between begin and end";
        EXPECT_EQ(bytes % FrameBytes, 0u);
        received.append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(bytes));
    }
    void end(bool c) override
    {
        ++ends;
        complete = c;
    }

    int begins = 0;
    int ends = 0;
    bool complete = false;
    TrackAudioInfo info;
    QByteArray received;
};

// Extraction of generated images in secure and normal mode and with drive read offsets.
class ReadModes : public DriveFixture
{
protected:
    void useImage(const std::vector<std::int64_t>& frames)
    {
        m_frames = frames;
        DriveFixture::useImage(1, frames);
    }

    // Extracts `track` as "<title>.wav" and returns the recorded outcome's status.
    std::int32_t rip(int track, const QString& title)
    {
        EventRecorder window;
        m_thread = std::make_unique<TCDRipThread>(track, title);
        m_thread->setDriveHandle(m_handle);
        m_thread->setWindow(&window);
        m_thread->setAudioSink(&m_sink);
        runUntilFinished(*m_thread, [this] { m_thread->resume(); });
        const std::vector<RecordedEvent> outcomes = window.outcomes();
        EXPECT_EQ(outcomes.size(), 1u);
        return outcomes.empty() ? -1 : outcomes[0].info.Status;
    }

    QString output(const QString& title) const { return m_folder.file("out/" + title + ".wav"); }

    // The image's bytes of track `track` moved by `offset` samples, silence off the disc.
    QByteArray expectedAudio(int track, int offset) const
    {
        qint64 start = 0;
        for (int i = 0; i < track - 1; ++i) {
            start += m_frames[i] * FrameBytes;
        }
        const qint64 length = m_frames[track - 1] * FrameBytes;
        QByteArray audio(length, '\0');
        for (qint64 at = 0; at < length; at += SampleBytes) {
            const qint64 source = start + at + offset * SampleBytes;
            if (source >= 0 && source < m_bin.size()) {
                audio.replace(at, SampleBytes, m_bin.constData() + source, SampleBytes);
            }
        }
        return audio;
    }

    std::vector<std::int64_t> m_frames;
    RecordingSink m_sink;
    std::unique_ptr<TCDRipThread> m_thread;
};

class SecureAndNormal : public ReadModes, public ::testing::WithParamInterface<int>
{
};

// Every track of the image, read both ways: byte for byte the same files, both equal to
// the image, and the secure one read through the device's verified reading.
TEST_P(SecureAndNormal, GiveByteIdenticalFiles)
{
    useImage({140, 37, 263});
    const int track = GetParam();
    ASSERT_EQ(rip(track, "normal"), TCDRipThread::StatusDone);
    EXPECT_FALSE(m_thread->readSecurely());
    EXPECT_EQ(m_image->secureReads.load(), 0);
    settings().SecureMode = true;
    m_sink = RecordingSink();
    ASSERT_EQ(rip(track, "secure"), TCDRipThread::StatusDone);
    EXPECT_TRUE(m_thread->readSecurely());
    EXPECT_GT(m_image->secureReads.load(), 0);
    const QByteArray normal = readFileBytes(output("normal"));
    const QByteArray secure = readFileBytes(output("secure"));
    ASSERT_EQ(secure.size(), 44 + m_frames[track - 1] * FrameBytes);
    EXPECT_TRUE(secure == normal);
    EXPECT_TRUE(secure.mid(44) == expectedAudio(track, 0));
    const SecureReadStats& stats = m_thread->readStats();
    EXPECT_EQ(stats.sectors, m_frames[track - 1]);
    EXPECT_GE(stats.reads, 1);
    EXPECT_TRUE(stats.clean());
    EXPECT_TRUE(m_sink.received == secure.mid(44));
}

INSTANTIATE_TEST_SUITE_P(Tracks, SecureAndNormal, ::testing::Values(1, 2, 3));

struct OffsetCase
{
    const char* name;
    int track;
    int offset;
    bool secure;
};

class ReadOffset : public ReadModes, public ::testing::WithParamInterface<OffsetCase>
{
};

// A drive with offset N gives what a perfect drive gives: the image's samples moved by N,
// silence before the first and after the last sample of the disc.
TEST_P(ReadOffset, MovesTheSamplesBySoManyWithSilenceAtTheDiscsEnds)
{
    const OffsetCase& c = GetParam();
    useImage({140, 37, 263});
    settings().SecureMode = c.secure;
    settings().ReadOffset = c.offset;
    ASSERT_EQ(rip(c.track, "t"), TCDRipThread::StatusDone);
    EXPECT_EQ(m_thread->readOffset(), c.offset);
    const QByteArray file = readFileBytes(output("t"));
    const QByteArray expected = expectedAudio(c.track, c.offset);
    ASSERT_EQ(file.size(), 44 + expected.size());
    EXPECT_TRUE(file.mid(44) == expected);
    EXPECT_TRUE(m_sink.received == expected) << "the sink sees the corrected audio";
    EXPECT_EQ(m_sink.info.readOffset, c.offset);
    EXPECT_TRUE(m_sink.complete);
    // The moved-in stretch off the disc is silence, the rest is audio.
    if (c.track == 1 && c.offset < 0) {
        EXPECT_EQ(file.mid(44, -c.offset * SampleBytes), QByteArray(-c.offset * SampleBytes, '\0'));
        EXPECT_NE(file.mid(44 - c.offset * SampleBytes, 64), QByteArray(64, '\0'));
    }
    if (c.track == 3 && c.offset > 0) {
        EXPECT_EQ(file.right(c.offset * SampleBytes), QByteArray(c.offset * SampleBytes, '\0'));
        EXPECT_NE(file.right(c.offset * SampleBytes + 64).left(64), QByteArray(64, '\0'));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Offsets, ReadOffset,
    ::testing::Values(OffsetCase{"FirstTrackMinus30", 1, -30, false},
                      OffsetCase{"FirstTrackMinus30Secure", 1, -30, true}, OffsetCase{"FirstTrackPlus6", 1, 6, false},
                      OffsetCase{"MiddlePlus1000", 2, 1000, false}, OffsetCase{"MiddleMinus30Secure", 2, -30, true},
                      OffsetCase{"LastTrackPlus6", 3, 6, false}, OffsetCase{"LastTrackPlus6Secure", 3, 6, true},
                      OffsetCase{"LastTrackPlus1000", 3, 1000, false},
                      OffsetCase{"LastTrackPlus1000Secure", 3, 1000, true},
                      OffsetCase{"LastTrackMinus30", 3, -30, false}),
    [](const auto& info) { return std::string(info.param.name); });

struct FailingCase
{
    const char* name;
    bool secure;
    int offset;
    int failFrom;
};

class FailingDrive : public ReadModes, public ::testing::WithParamInterface<FailingCase>
{
};

// A read error ends the track as a failed read in every mode, and no file stays.
TEST_P(FailingDrive, EndsTheTrackAsAFailedReadWithoutAFile)
{
    const FailingCase& c = GetParam();
    ScriptedDisc disc;
    disc.layout = layoutOf(1, {60, 20});
    disc.failFrom = c.failFrom;
    useScripted(disc);
    settings().SecureMode = c.secure;
    settings().ReadOffset = c.offset;
    EXPECT_EQ(rip(1, "t"), TCDRipThread::StatusReadFailed);
    EXPECT_FALSE(QFile::exists(output("t")));
    EXPECT_EQ(m_sink.ends, 1);
    EXPECT_FALSE(m_sink.complete);
}

INSTANTIATE_TEST_SUITE_P(Modes, FailingDrive,
                         ::testing::Values(FailingCase{"SecureFirstRead", true, 0, 0},
                                           FailingCase{"SecureMidTrack", true, 0, 3},
                                           FailingCase{"SecureWithOffset", true, 6, 2},
                                           FailingCase{"NormalWithOffset", false, -30, 4}),
                         [](const auto& info) { return std::string(info.param.name); });

// A device that has no verified reading refuses secure mode instead of reading plainly.
TEST_F(ReadModes, DeviceWithoutVerifiedReadingFailsSecureMode)
{
    class PlainDevice : public CDDevice
    {
    public:
        bool readLayout(DiscLayout& layout) override
        {
            layout = layoutOf(1, {30});
            return true;
        }
        bool holdsAudioDisc() override { return true; }
        bool readAudio(std::int32_t, int frames, std::uint8_t* dest) override
        {
            std::memset(dest, 1, static_cast<std::size_t>(frames) * FrameBytes);
            return true;
        }
    };
    class PlainSource : public CDDeviceSource
    {
    public:
        std::vector<CDDeviceInfo> devices() override { return {{"plain", "TEST", "Plain", false}}; }
        std::unique_ptr<CDDevice> open(const CDDeviceInfo&) override { return std::make_unique<PlainDevice>(); }
    };
    tarnwick::setCDDeviceSource(std::make_shared<PlainSource>());
    m_handle = openDrive(0);
    ASSERT_NE(m_handle, 0u);
    settings().SecureMode = true;
    EXPECT_EQ(rip(1, "t"), TCDRipThread::StatusReadFailed);
    EXPECT_FALSE(QFile::exists(output("t")));
}

// The sink learns the track's place and length before the first block.
TEST_F(ReadModes, SinkHearsTheTrackBeforeItsAudio)
{
    useImage({140, 37, 263});
    settings().EnableRipTime = true;
    settings().RipTime = 1;
    ASSERT_EQ(rip(3, "t"), TCDRipThread::StatusDone);
    settings().EnableRipTime = false;
    EXPECT_EQ(m_sink.begins, 1);
    EXPECT_EQ(m_sink.ends, 1);
    EXPECT_TRUE(m_sink.complete);
    EXPECT_EQ(m_sink.info.position, 3);
    EXPECT_EQ(m_sink.info.trackCount, 3);
    EXPECT_EQ(m_sink.info.trackFrames, 263);
    EXPECT_EQ(m_sink.info.frames, 75);
    EXPECT_EQ(m_sink.received.size(), 75 * FrameBytes);
}

} // namespace
