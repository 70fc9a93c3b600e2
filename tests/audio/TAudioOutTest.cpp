#include "audio/TAudioOut.h"
#include "MemorySource.h"
#include "StreamDoubles.h"
#include "support/DiskAudio.h"
#include "support/FakeWaveAudio.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Records the events of one player, and what the device had done by the time OnDone came.
struct Events
{
    explicit Events(TAudioOut& out, FakeWaveAudio* fake = nullptr)
    {
        out.OnDone = [this, fake](TACSOutput*) {
            std::lock_guard lock(mutex);
            ++dones;
            if (fake) {
                deviceAtDone = fake->lastDevice();
            }
            changed.notify_all();
        };
        out.OnThreadException = [this](TACSOutput*, const std::exception& error) {
            std::lock_guard lock(mutex);
            errors.push_back(error.what());
            changed.notify_all();
        };
    }
    void waitForEnd()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return dones + int(errors.size()) > 0; });
    }

    std::mutex mutex;
    std::condition_variable changed;
    int dones = 0;
    std::vector<std::string> errors;
    FakeWaveAudio::Device deviceAtDone;
};

std::string raised(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EACSException& error) {
        return error.what();
    }
    return {};
}

class TAudioOutFake : public ::testing::Test
{
protected:
    TAudioOutFake() { WaveAudio::install(fake); }
    ~TAudioOutFake() override { WaveAudio::install(nullptr); }

    std::shared_ptr<FakeWaveAudio> fake = std::make_shared<FakeWaveAudio>();
};

} // namespace

TEST_F(TAudioOutFake, BaseChannelIsCheckedAgainstTheDevicesFound)
{
    fake->outputs = 2;
    TAudioOut out;
    EXPECT_EQ(raised([&] { out.SetBaseChannel(2); }), "Channel 2 is not available");
    EXPECT_EQ(out.BaseChannel(), 0);
    out.SetBaseChannel(1);
    EXPECT_EQ(out.BaseChannel(), 1);

    MemorySource source(countingBytes(400), 16, 2, 44100);
    out.SetInput(&source);
    Events events(out);
    out.Start();
    events.waitForEnd();
    EXPECT_EQ(fake->lastDevice().number, 1);

    fake->outputs = 0;
    out.SetBaseChannel(7);
    EXPECT_EQ(out.BaseChannel(), 0);
}

TEST_F(TAudioOutFake, BaseChannelWhilePlayingRaisesBusy)
{
    fake->holdPlayback = true;
    MemorySource source(countingBytes(1000), 16, 2, 44100);
    TAudioOut out;
    out.SetInput(&source);
    Events events(out);
    out.Start();
    fake->waitForWritten(1);
    EXPECT_EQ(raised([&] { out.SetBaseChannel(0); }), "Component is buisy");
    fake->release(1);
    events.waitForEnd();
    EXPECT_EQ(events.dones, 1);
}

TEST_F(TAudioOutFake, ShortInputPlaysAsOneBlockAndOnDoneComesAfterItsReturn)
{
    fake->holdPlayback = true;
    MemorySource source(countingBytes(100), 16, 2, 44100);
    TAudioOut out;
    out.SetInput(&source);
    Events events(out, fake.get());
    out.Start();
    fake->waitForWritten(1);
    EXPECT_EQ(out.OutputStatus(), osBusy);
    fake->release(1);
    events.waitForEnd();

    EXPECT_EQ(events.dones, 1);
    EXPECT_EQ(events.deviceAtDone.written, 1);
    EXPECT_EQ(events.deviceAtDone.returned, 1);
    EXPECT_TRUE(events.deviceAtDone.closed);
    EXPECT_EQ(events.deviceAtDone.played, countingBytes(100));
    EXPECT_EQ(out.OutputStatus(), osIdle);
    EXPECT_EQ(out.QueuedBlocks(), 0);
    EXPECT_FALSE(source.Busy());
}

TEST_F(TAudioOutFake, KeepsNineBlocksQueuedAndPlaysEverythingInOrder)
{
    fake->holdPlayback = true;
    const QByteArray data = countingBytes(20 * TAudioOut::blockBytes + 300);
    MemorySource source(data, 16, 2, 44100);
    source.limitReads(5000); // a source that gives less than asked makes shorter blocks
    TAudioOut out;
    out.SetInput(&source);
    Events events(out);
    std::vector<std::int32_t> progress;
    out.OnProgress = [&](TACSOutput* sender) {
        std::lock_guard lock(events.mutex);
        progress.push_back(sender->LastProgress());
        events.changed.notify_all();
    };
    out.Start();
    {
        // Nothing is played yet, so the first step ends with the queue full and reports
        // what the nine blocks it queued took from the source; the worker waits now.
        std::unique_lock lock(events.mutex);
        events.changed.wait(lock, [&] { return !progress.empty(); });
        EXPECT_EQ(progress.front(), std::lround(100.0 * source.Position() / double(data.size())));
    }
    EXPECT_EQ(fake->lastDevice().written, 9);
    // One block played frees one place in the queue, never more.
    fake->release(1);
    fake->waitForWritten(10);
    EXPECT_EQ(fake->lastDevice().largestQueue, 9);
    fake->release(1000);
    events.waitForEnd();

    const FakeWaveAudio::Device device = fake->lastDevice();
    EXPECT_EQ(device.largestQueue, 9);
    EXPECT_EQ(device.played, data);
    EXPECT_EQ(device.format.sampleRate, 44100);
    EXPECT_EQ(device.format.channels, 2);
    EXPECT_EQ(device.format.bitsPerSample, 16);
    std::lock_guard lock(events.mutex);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
}

TEST_F(TAudioOutFake, StopStillPlaysTheBlocksAlreadyQueued)
{
    fake->holdPlayback = true;
    const QByteArray data = countingBytes(30 * TAudioOut::blockBytes);
    MemorySource source(data, 16, 2, 44100);
    TAudioOut out;
    out.SetInput(&source);
    Events events(out, fake.get());
    out.Start();
    fake->waitForWritten(9);
    out.Stop();
    fake->release(1000);
    events.waitForEnd();

    EXPECT_EQ(events.dones, 1);
    EXPECT_EQ(events.deviceAtDone.written, 9);
    EXPECT_EQ(events.deviceAtDone.played, data.left(9 * TAudioOut::blockBytes));
    EXPECT_FALSE(source.Busy());
}

TEST_F(TAudioOutFake, DeviceThatGoesAwayEndsThePlaybackThroughOnThreadException)
{
    fake->loseAfterBlocks = 3;
    MemorySource source(countingBytes(40 * TAudioOut::blockBytes), 16, 2, 44100);
    TAudioOut out;
    out.SetInput(&source);
    Events events(out);
    out.Start();
    events.waitForEnd();

    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_EQ(events.errors[0], "The sound output device is no longer available.");
    EXPECT_EQ(events.dones, 0);
    EXPECT_EQ(out.OutputStatus(), osIdle);
    EXPECT_EQ(out.QueuedBlocks(), 0);
    EXPECT_TRUE(fake->lastDevice().closed);
    EXPECT_FALSE(source.Busy());

    // The program goes on: the next device plays.
    fake->loseAfterBlocks = -1;
    events.errors.clear();
    out.Start();
    events.waitForEnd();
    EXPECT_EQ(events.dones, 1);
    EXPECT_EQ(fake->openCount(), 2);
}

TEST_F(TAudioOutFake, DeviceThatCannotOpenReportsWhyAndLeavesTheChainReusable)
{
    fake->openError = "No sound output device is available.";
    MemorySource source(countingBytes(100), 8, 1, 8000);
    TAudioOut out;
    out.SetInput(&source);
    Events events(out);
    EXPECT_NO_THROW(out.Start());
    ASSERT_EQ(events.errors.size(), 1u);
    EXPECT_EQ(events.errors[0], "No sound output device is available.");
    EXPECT_EQ(out.OutputStatus(), osIdle);
    EXPECT_FALSE(source.Busy());
}

TEST_F(TAudioOutFake, DestroyingAPlayingOutputClosesItsDevice)
{
    MemorySource source(countingBytes(50 * TAudioOut::blockBytes), 16, 2, 44100);
    {
        TAudioOut out;
        out.SetInput(&source);
        out.Start();
        fake->waitForWritten(1);
    }
    EXPECT_TRUE(fake->lastDevice().closed);
    const FakeWaveAudio::Device device = fake->lastDevice();
    EXPECT_EQ(device.returned, device.written);
    EXPECT_FALSE(source.Busy());
}

struct VolumeCase
{
    int bits;
    std::uint8_t volume;
    std::vector<int> in;  // samples as the source gives them
    std::vector<int> out; // what the device must receive
};

class TAudioOutVolume : public TAudioOutFake, public ::testing::WithParamInterface<VolumeCase>
{
};

TEST_P(TAudioOutVolume, ScalesSamplesTowardSilence)
{
    const VolumeCase& c = GetParam();
    const auto pack = [&](const std::vector<int>& samples) {
        QByteArray bytes;
        for (int s : samples) {
            bytes.append(char(s & 0xff));
            if (c.bits == 16) {
                bytes.append(char((s >> 8) & 0xff));
            }
        }
        return bytes;
    };
    MemorySource source(pack(c.in), c.bits, 1, 8000);
    TAudioOut out;
    out.SetVolume(c.volume);
    out.SetInput(&source);
    Events events(out);
    out.Start();
    events.waitForEnd();
    EXPECT_EQ(fake->lastDevice().played, pack(c.out));
}

INSTANTIATE_TEST_SUITE_P(Volumes, TAudioOutVolume,
                         ::testing::Values(VolumeCase{16, 255, {-32768, -1, 0, 1, 32767}, {-32768, -1, 0, 1, 32767}},
                                           VolumeCase{16, 0, {-32768, -1, 0, 1, 32767}, {0, 0, 0, 0, 0}},
                                           VolumeCase{16, 51, {-32768, -1000, 1000, 32767}, {-6553, -200, 200, 6553}},
                                           VolumeCase{8, 255, {0, 127, 128, 255}, {0, 127, 128, 255}},
                                           VolumeCase{8, 0, {0, 127, 128, 255}, {128, 128, 128, 128}},
                                           VolumeCase{8, 51, {0, 118, 138, 255}, {103, 126, 130, 153}}));

// The real sound system on SDL's disk driver: what the device played lands in a file.
TEST(TAudioOutDisk, PlaysTheInputIntoTheDeviceSampleForSample)
{
    TempFolder folder;
    DiskAudioCapture capture(folder.file(QStringLiteral("played.raw")));
    // Half a second of 16-bit stereo that never holds a silent frame, plus an odd tail.
    QByteArray data = countingBytes(88200 + 100);
    for (int i = 0; i < data.size(); i += 4) {
        data[i] = char(data[i] | 1);
    }
    MemorySource source(data, 16, 2, 44100);
    TAudioOut out;
    out.SetInput(&source);
    Events events(out);
    out.Start();
    events.waitForEnd();
    EXPECT_EQ(events.dones, 1);
    EXPECT_EQ(capture.sound(4), data);
}

TEST(TAudioOutDisk, HundredBytesPlayAndTheDeviceIsClosedWhenOnDoneComes)
{
    TempFolder folder;
    DiskAudioCapture capture(folder.file(QStringLiteral("played.raw")));
    QByteArray data = countingBytes(100);
    data[0] = 1;
    data[96] = 1;
    MemorySource source(data, 16, 2, 44100);
    TAudioOut out;
    out.SetInput(&source);
    QByteArray atDone;
    Events events(out);
    out.OnDone = [&](TACSOutput*) {
        // The device is closed by now, so its file holds everything played.
        atDone = capture.sound(4);
        std::lock_guard lock(events.mutex);
        ++events.dones;
        events.changed.notify_all();
    };
    out.Start();
    events.waitForEnd();
    EXPECT_EQ(atDone, data);
}
