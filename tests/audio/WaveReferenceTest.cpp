// Files written by other tools, read by TWaveIn, against what ffmpeg decodes from them;
// and files written by TWaveOut, decoded by ffmpeg and sox. Our own tests cannot catch a
// misunderstanding that the reader and the writer share; these can.
#include "MemorySource.h"
#include "WavFixtures.h"

#include "audio/TWaveIn.h"
#include "audio/TWaveOut.h"
#include "support/TempFolder.h"

#include <QFile>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

using namespace fixtures;

namespace {

struct ToolCase
{
    const char* name;
    const char* tool; // "sox" or "ffmpeg"
    QStringList options;
    int channels;
    bool eightBit;
};

class ForeignFile : public testing::TestWithParam<ToolCase>
{
protected:
    void SetUp() override
    {
        if (!haveTool("ffmpeg") || !haveTool(GetParam().tool)) {
            GTEST_SKIP() << "reference tools are not installed";
        }
        const ToolCase c = GetParam();
        source = folder.file("source.wav");
        ASSERT_TRUE(
            writeFileBytes(source, pcmWav(samplesToBytes(testSignal(30011, c.channels)), 16, c.channels, 44100)));
        made = folder.file("made.wav");
        QStringList args;
        if (QString(c.tool) == "sox") {
            args << "-D" << source << c.options << made;
        } else {
            args << "-v"
                 << "error"
                 << "-y"
                 << "-i" << source << c.options << made;
        }
        ASSERT_TRUE(runTool(c.tool, args));
    }

    TempFolder folder;
    QString source;
    QString made;
};

int firstDifference(const QByteArray& a, const QByteArray& b)
{
    for (int i = 0; i < std::min(a.size(), b.size()); ++i) {
        if (a[i] != b[i]) {
            return i;
        }
    }
    return a.size() == b.size() ? -1 : int(std::min(a.size(), b.size()));
}

// IMA ADPCM decoders differ in two details. ffmpeg forms a code's difference as
// ((2 * magnitude + 1) * step) >> 3; the IMA reference, sox and our reader sum step >> 3,
// step, step >> 1 and step >> 2 as the code's bits say, which rounds differently. ffmpeg
// and sox clamp samples to -32768, our reader to -32767. This model decodes the blocks of
// a file either way; that ffmpeg and sox give exactly what the model gives for their
// choices pins every difference from our samples on these two details.
QByteArray decodeImaModel(const QByteArray& file, bool multiplyForm, int lowestSample)
{
    static const int steps[89] = {
        7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
        31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
        130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
        544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
        2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
        9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
    static const int indexMoves[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
    const int channels = u16At(file, 22);
    const int blockAlign = u16At(file, 32);
    const int data = int(file.indexOf("data")) + 8;
    QByteArray out;
    for (int at = data; at + blockAlign <= file.size(); at += blockAlign) {
        const QByteArray block = file.mid(at, blockAlign);
        int predictor[2];
        int index[2];
        const int frames = (blockAlign - 4 * channels) * 2 / channels + 1;
        std::vector<std::int16_t> samples(size_t(frames * channels));
        for (int ch = 0; ch < channels; ++ch) {
            predictor[ch] = std::int16_t(u16At(block, 4 * ch));
            index[ch] = std::uint8_t(block[4 * ch + 2]);
            samples[size_t(ch)] = std::int16_t(predictor[ch]);
        }
        for (int n = 0; n < frames - 1; ++n) {
            for (int ch = 0; ch < channels; ++ch) {
                const int byte = channels == 1 ? 4 + n / 2 : 8 + (n & ~7) + ((n >> 1) & 3) + 4 * ch;
                const int code = (n & 1) ? std::uint8_t(block[byte]) >> 4 : block[byte] & 15;
                const int step = steps[index[ch]];
                const int difference = multiplyForm ? ((2 * (code & 7) + 1) * step) >> 3
                                                    : (step >> 3) + ((code & 4) ? step : 0) +
                                                          ((code & 2) ? step >> 1 : 0) + ((code & 1) ? step >> 2 : 0);
                predictor[ch] =
                    std::clamp(predictor[ch] + ((code & 8) ? -difference : difference), lowestSample, 32767);
                index[ch] = std::clamp(index[ch] + indexMoves[code & 7], 0, 88);
                samples[size_t((n + 1) * channels + ch)] = std::int16_t(predictor[ch]);
            }
        }
        out += samplesToBytes(samples);
    }
    return out;
}

TEST_P(ForeignFile, decodesToWhatFfmpegDecodes)
{
    const ToolCase c = GetParam();
    TWaveIn in;
    in.SetFileName(made);
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.ChannelCount(), c.channels);
    EXPECT_EQ(in.SampleBits(), c.eightBit ? 8 : 16);
    const bool ima = in.WavType() == wtDVIADPCM;
    const QByteArray ours = readAll(in);
    const QByteArray reference = ffmpegDecode(made, c.eightBit ? "u8" : "s16le");
    ASSERT_FALSE(reference.isEmpty());
    // ffmpeg also decodes the padding of the last ADPCM block; we stop at the fact count
    // (sox writes the signal's length there, ffmpeg whole blocks).
    const int frameBytes = (c.eightBit ? 1 : 2) * c.channels;
    EXPECT_GE(ours.size(), 30011 * frameBytes);
    ASSERT_LE(ours.size(), reference.size());
    if (!ima) {
        EXPECT_EQ(firstDifference(ours, reference.left(ours.size())), -1) << "of " << ours.size() << " bytes";
        return;
    }
    const QByteArray file = readFileBytes(made);
    EXPECT_EQ(decodeImaModel(file, true, -32768), reference);
    QByteArray bySox;
    ASSERT_TRUE(runTool("sox", {"-D", made, "-t", "raw", "-e", "signed", "-b", "16", "-L", "-"}, &bySox));
    EXPECT_EQ(firstDifference(decodeImaModel(file, false, -32768), bySox), -1);
    EXPECT_EQ(firstDifference(ours, decodeImaModel(file, false, -32767).left(ours.size())), -1);
}

INSTANTIATE_TEST_SUITE_P(TWaveIn, ForeignFile,
                         testing::Values(ToolCase{"soxPcm16Stereo", "sox", {"-b", "16"}, 2, false},
                                         ToolCase{"soxPcm16Mono", "sox", {"-b", "16"}, 1, false},
                                         ToolCase{"soxPcm8Stereo", "sox", {"-b", "8"}, 2, true},
                                         ToolCase{"soxPcm8Mono", "sox", {"-b", "8"}, 1, true},
                                         ToolCase{"soxImaMono", "sox", {"-e", "ima-adpcm"}, 1, false},
                                         ToolCase{"soxImaStereo", "sox", {"-e", "ima-adpcm"}, 2, false},
                                         ToolCase{"soxMsMono", "sox", {"-e", "ms-adpcm"}, 1, false},
                                         ToolCase{"soxMsStereo", "sox", {"-e", "ms-adpcm"}, 2, false},
                                         ToolCase{"ffmpegPcm16Stereo", "ffmpeg", {"-c:a", "pcm_s16le"}, 2, false},
                                         ToolCase{"ffmpegPcm16Mono", "ffmpeg", {"-c:a", "pcm_s16le"}, 1, false},
                                         ToolCase{"ffmpegPcm8Stereo", "ffmpeg", {"-c:a", "pcm_u8"}, 2, true},
                                         ToolCase{"ffmpegPcm8Mono", "ffmpeg", {"-c:a", "pcm_u8"}, 1, true},
                                         ToolCase{"ffmpegImaMono", "ffmpeg", {"-c:a", "adpcm_ima_wav"}, 1, false},
                                         ToolCase{"ffmpegImaStereo", "ffmpeg", {"-c:a", "adpcm_ima_wav"}, 2, false},
                                         ToolCase{"ffmpegMsMono", "ffmpeg", {"-c:a", "adpcm_ms"}, 1, false},
                                         ToolCase{"ffmpegMsStereo", "ffmpeg", {"-c:a", "adpcm_ms"}, 2, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TWaveInReference, mp3InsideWavReadsAsPcmOfTheDecodedLength)
{
    if (!haveTool("ffmpeg")) {
        GTEST_SKIP() << "ffmpeg is not installed";
    }
    TempFolder folder;
    const QString source = folder.file("source.wav");
    const QString made = folder.file("mp3.wav");
    ASSERT_TRUE(writeFileBytes(source, pcmWav(samplesToBytes(testSignal(44100, 2)), 16, 2, 44100)));
    ASSERT_TRUE(runTool("ffmpeg", {"-v", "error", "-y", "-i", source, "-c:a", "libmp3lame", "-b:a", "128k", made}));

    TWaveIn in;
    in.SetFileName(made);
    ASSERT_TRUE(in.Valid());
    EXPECT_EQ(in.WavType(), wtACM);
    EXPECT_EQ(in.SampleBits(), 16);
    EXPECT_EQ(in.ChannelCount(), 2);
    EXPECT_EQ(in.SampleRate(), 44100);
    const QByteArray ours = readAll(in);
    const QByteArray reference = ffmpegDecode(made, "s16le");
    // Decoders differ in the last bits of a sample and in the frames they trim at the
    // ends; the length must be that of the decoded stream.
    EXPECT_NEAR(double(ours.size()), double(reference.size()), 4.0 * 1152 * 2);
    EXPECT_GE(ours.size(), 44100 * 4);
}

void writeThrough(TWaveOut& out)
{
    std::mutex mutex;
    std::condition_variable changed;
    bool done = false;
    out.OnDone = [&](TACSOutput*) {
        std::lock_guard guard(mutex);
        done = true;
        changed.notify_all();
    };
    out.Start();
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return done; });
}

class OurImaFile : public testing::TestWithParam<int>
{
};

TEST_P(OurImaFile, decodesInFfmpegAndSoxAsInOurReader)
{
    if (!haveTool("ffmpeg") || !haveTool("sox")) {
        GTEST_SKIP() << "reference tools are not installed";
    }
    const int channels = GetParam();
    TempFolder folder;
    const QString path = folder.file("ours.wav");
    MemorySource source(samplesToBytes(testSignal(20000, channels)), 16, channels, 44100);
    TWaveOut out;
    out.SetInput(&source);
    out.SetFileName(path);
    out.SetWavType(wtDVIADPCM);
    writeThrough(out);

    TWaveIn in;
    in.SetFileName(path);
    const QByteArray ours = readAll(in);
    ASSERT_EQ(ours.size(), 20000 * 2 * channels);

    const QByteArray byFfmpeg = ffmpegDecode(path, "s16le");
    QByteArray bySox;
    ASSERT_TRUE(runTool("sox", {"-D", path, "-t", "raw", "-e", "signed", "-b", "16", "-L", "-"}, &bySox));
    // Both tools read our blocks as the model says they read their own files'.
    const QByteArray file = readFileBytes(path);
    EXPECT_EQ(decodeImaModel(file, true, -32768), byFfmpeg);
    EXPECT_EQ(firstDifference(decodeImaModel(file, false, -32768), bySox), -1);
    EXPECT_EQ(firstDifference(ours, decodeImaModel(file, false, -32767).left(ours.size())), -1);
}

INSTANTIATE_TEST_SUITE_P(TWaveOut, OurImaFile, testing::Values(1, 2));

} // namespace
