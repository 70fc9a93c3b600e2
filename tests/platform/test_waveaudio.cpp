#include "platform/SdlWaveAudio.h"
#include "support/DiskAudio.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

// These run on SDL's "disk" driver (the test environment sets SDL_AUDIODRIVER), which
// plays into a file at the pace of a real card: every sound here lasts a fraction of a second.

namespace {

struct FormatCase
{
    PcmFormat format;
    std::uint8_t silence;
};

// A block of `frames` frames whose samples never equal the device's silence, so trimming
// the silence around the captured sound cannot eat into it.
QByteArray patternBlock(const PcmFormat& format, int frames, int seed)
{
    QByteArray bytes;
    for (int i = 0; i < frames * format.channels; ++i) {
        if (format.bitsPerSample == 8) {
            bytes.append(static_cast<char>(1 + (i * 7 + seed * 31) % 127));
        } else {
            const auto sample = static_cast<std::int16_t>(100 + (i * 389 + seed * 1013) % 20000);
            bytes.append(static_cast<char>(sample & 0xff));
            bytes.append(static_cast<char>(sample >> 8));
        }
    }
    return bytes;
}

class Recorder
{
public:
    WaveOutput::BlockDone callback()
    {
        return [this](WaveBlock* block) {
            order.push_back(block);
            threads.push_back(std::this_thread::get_id());
        };
    }
    // Written on SDL's thread under the callback lock, read after close().
    std::vector<WaveBlock*> order;
    std::vector<std::thread::id> threads;
};

} // namespace

class WaveAudioFormatTest : public ::testing::TestWithParam<FormatCase>
{
};

TEST_P(WaveAudioFormatTest, PlaysBlocksInOrderAndHandsEachBackBeforeCloseReturns)
{
    TempFolder folder;
    DiskAudioCapture capture(folder.file(QStringLiteral("played.raw")));
    const PcmFormat format = GetParam().format;
    SdlWaveAudio audio;
    Recorder recorder;
    auto output = audio.openOutput(0, format, recorder.callback());

    // Blocks of uneven sizes, so block ends fall anywhere inside the device's buffers.
    const int frameCounts[] = {1500, 1, 777, format.sampleRate / 10};
    std::vector<QByteArray> datas;
    std::vector<WaveBlock> blocks(std::size(frameCounts));
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        datas.push_back(patternBlock(format, frameCounts[i], static_cast<int>(i)));
    }
    QByteArray expected;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        blocks[i].data = reinterpret_cast<const std::uint8_t*>(datas[i].constData());
        blocks[i].length = static_cast<std::uint32_t>(datas[i].size());
        output->write(&blocks[i]);
        expected += datas[i];
    }
    output->close();

    ASSERT_EQ(recorder.order.size(), blocks.size());
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        EXPECT_EQ(recorder.order[i], &blocks[i]) << "block " << i;
        EXPECT_NE(recorder.threads[i], std::this_thread::get_id());
    }
    EXPECT_FALSE(output->lost());
    EXPECT_EQ(capture.sound(format.blockAlign(), GetParam().silence), expected);
}

INSTANTIATE_TEST_SUITE_P(Formats, WaveAudioFormatTest,
                         ::testing::Values(FormatCase{{44100, 2, 16}, 0}, FormatCase{{22050, 1, 16}, 0},
                                           FormatCase{{8000, 1, 8}, 0x80}, FormatCase{{11025, 2, 8}, 0x80}));

TEST(WaveAudioTest, DiskDriverOffersOneDeviceEachWayAndTheCountsStay)
{
    SdlWaveAudio audio;
    EXPECT_EQ(audio.outputDeviceCount(), 1);
    EXPECT_EQ(audio.inputDeviceCount(), 1);
    EXPECT_EQ(&WaveAudio::instance(), &WaveAudio::instance());
    EXPECT_EQ(WaveAudio::instance().outputDeviceCount(), 1);
}

TEST(WaveAudioTest, RefusesWhatItCannotPlayWithAClearError)
{
    TempFolder folder;
    DiskAudioCapture capture(folder.file(QStringLiteral("played.raw")));
    SdlWaveAudio audio;
    for (const PcmFormat& bad : {PcmFormat{44100, 2, 24}, PcmFormat{44100, 3, 16}, PcmFormat{0, 2, 16}}) {
        EXPECT_THROW(audio.openOutput(0, bad, {}), WaveAudioError);
    }
    EXPECT_THROW(audio.openOutput(1, {}, {}), WaveAudioError);
    EXPECT_THROW(audio.openOutput(-1, {}, {}), WaveAudioError);

    auto output = audio.openOutput(0, {}, {});
    WaveBlock empty;
    EXPECT_THROW(output->write(&empty), WaveAudioError);
    EXPECT_THROW(output->write(nullptr), WaveAudioError);
    output->close();
    output->close();
    const QByteArray one = patternBlock({}, 4, 0);
    WaveBlock late{reinterpret_cast<const std::uint8_t*>(one.constData()), 16};
    EXPECT_THROW(output->write(&late), WaveAudioError);
}

TEST(WaveAudioTest, DestroyingAnOpenOutputWaitsForItsBlocks)
{
    TempFolder folder;
    DiskAudioCapture capture(folder.file(QStringLiteral("played.raw")));
    SdlWaveAudio audio;
    Recorder recorder;
    const QByteArray data = patternBlock({}, 2205, 3);
    WaveBlock block{reinterpret_cast<const std::uint8_t*>(data.constData()), static_cast<std::uint32_t>(data.size())};
    {
        auto output = audio.openOutput(0, {}, recorder.callback());
        output->write(&block);
    }
    ASSERT_EQ(recorder.order.size(), 1u);
    EXPECT_EQ(capture.sound(4), data);
}
