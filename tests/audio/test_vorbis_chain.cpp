// The conversion job's road to Ogg: a WAV file through TWaveIn into TVorbisOut, with the
// output set up the way the job window sets it up and started once per file.
#include "audio/TVorbisIn.h"
#include "audio/TVorbisOut.h"
#include "audio/TWaveIn.h"
#include "support/TempFolder.h"
#include "test_vorbis_support.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace vorbistest;

namespace {

// The Ogg settings as stored: quality slider position, or list positions of the three
// bit rates (0 = automatic, then 45 ... 320 kbit/s).
struct OggOptions
{
    const char* name;
    bool useQuality;
    int compressPosition;
    int maximumIndex;
    int nominalIndex;
    int minimumIndex;
    // What the file's identification header then says, bit/s (nominal 0: not checked).
    long upper;
    long nominal;
    long lower;
};

void PrintTo(const OggOptions& o, std::ostream* os)
{
    *os << o.name;
}

void applyOggOptions(TVorbisOut& out, const OggOptions& o)
{
    if (o.useQuality) {
        out.SetCompression(float(o.compressPosition - 10) / 100.0f);
        out.SetDesiredNominalBitrate(brAutoSelect);
        out.SetDesiredMaximumBitrate(brAutoSelect);
        out.SetMinimumBitrate(brAutoSelect);
        return;
    }
    // The nominal first: the other two are judged against it.
    out.SetDesiredNominalBitrate(TVorbisBitRate(o.nominalIndex));
    out.SetDesiredMaximumBitrate(TVorbisBitRate(o.maximumIndex));
    out.SetMinimumBitrate(TVorbisBitRate(o.minimumIndex));
    out.SetCompression(0.2f);
}

class VorbisJobChain : public testing::TestWithParam<OggOptions>
{
protected:
    void SetUp() override
    {
        VorbisOut1.SetInput(&WaveIn1);
        VorbisOut1.SetFileMode(foRewrite);
        VorbisOut1.SetCompression(0.2f);
        VorbisOut1.SetDesiredMaximumBitrate(brAutoSelect);
        VorbisOut1.SetDesiredNominalBitrate(brAutoSelect);
        VorbisOut1.SetMinimumBitrate(brAutoSelect);
        VorbisOut1.SetSerial(0);
        VorbisOut1.SetSuspendWhenIdle(true);
    }

    TempFolder folder;
    TWaveIn WaveIn1;
    TVorbisOut VorbisOut1;
};

TEST_P(VorbisJobChain, encodesEachFileToItsLengthAndTone)
{
    const OggOptions& options = GetParam();
    // Two files through the same components, as the job runs its list.
    const int frames[] = {3 * 44100 + 17, 2 * 44100};
    for (int i = 0; i < 2; ++i) {
        const QString wav = folder.file(QString("track%1.wav").arg(i));
        ASSERT_TRUE(writeSineWav(wav, frames[i], 44100, 2));
        const QString ogg = folder.file(QString("track%1.ogg").arg(i));
        WaveIn1.SetFileName(wav);
        VorbisOut1.SetFileName(ogg);
        applyOggOptions(VorbisOut1, options);

        TransferEnd end(VorbisOut1);
        VorbisOut1.Start();
        ASSERT_EQ(end.wait(), "");
        EXPECT_EQ(end.dones(), 1);
        EXPECT_FALSE(WaveIn1.Busy());
        EXPECT_EQ(VorbisOut1.OutputStatus(), osIdle);
        const std::vector<int> progress = end.progress();
        ASSERT_FALSE(progress.empty());
        EXPECT_EQ(progress.back(), 100);
        EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
        // The job window's stop path finishes the output once more; nothing may change.
        VorbisOut1.FinishOutput();

        const Decoded decoded = decodeWithOggdec(ogg);
        ASSERT_TRUE(decoded.ok);
        EXPECT_EQ(decoded.channels, 2);
        EXPECT_EQ(decoded.rate, 44100);
        EXPECT_EQ(decoded.frames(), frames[i]);
        EXPECT_NEAR(toneFrequency(decoded, 0), 440.0, 4.4);
        EXPECT_NEAR(toneFrequency(decoded, 1), 880.0, 8.8);
        EXPECT_EQ(ffprobeStreamValue(ogg, "duration_ts").toLongLong(), frames[i]);

        TVorbisIn header;
        header.SetFileName(ogg);
        ASSERT_TRUE(header.Valid());
        if (options.nominal != 0) {
            EXPECT_EQ(header.UpperBitrate(), options.upper);
            EXPECT_EQ(header.NominalBitrate(), options.nominal);
            EXPECT_EQ(header.LowerBitrate(), options.lower);
            EXPECT_EQ(ffprobeStreamValue(ogg, "bit_rate").toLong(), options.nominal);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Options, VorbisJobChain,
                         testing::Values(OggOptions{"defaultQuality", true, 30, 0, 0, 0, 0, 0, 0},
                                         OggOptions{"highestQuality", true, 100, 0, 0, 0, 0, 0, 0},
                                         OggOptions{"nominal128", false, 30, 0, 8, 0, 128000, 128000, 128000},
                                         // The list's "56 kbit/s".
                                         OggOptions{"nominal56", false, 30, 0, 3, 0, 56000, 56000, 56000},
                                         OggOptions{"managedRange", false, 30, 11, 8, 6, 192000, 128000, 96000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(VorbisJobChainFailure, aWavFileThatIsNotThereEndsInOnThreadException)
{
    TempFolder folder;
    TWaveIn WaveIn1;
    TVorbisOut VorbisOut1;
    VorbisOut1.SetInput(&WaveIn1);
    WaveIn1.SetFileName(folder.file("missing.wav"));
    VorbisOut1.SetFileName(folder.file("missing.ogg"));
    TransferEnd end(VorbisOut1);
    VorbisOut1.Start();
    EXPECT_EQ(end.wait(),
              "The file \"" + folder.file("missing.wav").toStdString() + "\" holds no audio that can be read.");
    EXPECT_FALSE(QFile::exists(folder.file("missing.ogg")));
    EXPECT_EQ(end.dones(), 0);
    EXPECT_EQ(VorbisOut1.OutputStatus(), osIdle);
}

} // namespace
