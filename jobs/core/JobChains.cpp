#include "jobs/core/JobChains.h"

#include "audio/TFLACOut.h"
#include "audio/TRateConverter.h"
#include "audio/TVorbisOut.h"
#include "audio/TWaveIn.h"
#include "audio/TWaveOut.h"
#include "settings/TSettings.h"

namespace {

// The options dialog's bit-rate lists store positions in the bit-rate enumeration.
TVorbisBitRate bitRateAt(int index)
{
    return index > 0 && index <= static_cast<int>(br320) ? static_cast<TVorbisBitRate>(index) : brAutoSelect;
}

} // namespace

namespace JobChains {

void setUpWaveIn(TWaveIn& waveIn)
{
    waveIn.SetStartSample(0);
    waveIn.SetEndSample(-1);
    waveIn.SetLoop(false);
}

void setUpResampler(TWaveIn& waveIn, TRateConverter& converter, TWaveOut& waveOut)
{
    converter.SetInput(&waveIn);
    converter.SetOutSampleRate(44100);
    converter.SetFilterWindow(fwBlackman);
    converter.SetKernelWidth(30);
    waveOut.SetInput(&converter);
    waveOut.SetFileMode(foRewrite);
    waveOut.SetWavType(wtPCM);
    waveOut.SetBlockSize(512);
    waveOut.SetSuspendWhenIdle(true);
}

void setUpVorbisOut(TWaveIn& waveIn, TVorbisOut& vorbisOut)
{
    vorbisOut.SetInput(&waveIn);
    vorbisOut.SetFileMode(foRewrite);
    vorbisOut.SetCompression(0.2f);
    vorbisOut.SetDesiredNominalBitrate(brAutoSelect);
    vorbisOut.SetDesiredMaximumBitrate(brAutoSelect);
    vorbisOut.SetMinimumBitrate(brAutoSelect);
    vorbisOut.SetSerial(0);
    vorbisOut.SetSuspendWhenIdle(true);
}

void applyOggOptions(TVorbisOut& vorbisOut, const TSettings& settings)
{
    if (settings.IsUseCompress) {
        vorbisOut.SetCompression(static_cast<float>(settings.CompressPosition - 10) / 100.0f);
        vorbisOut.SetDesiredMaximumBitrate(brAutoSelect);
        vorbisOut.SetDesiredNominalBitrate(brAutoSelect);
        vorbisOut.SetMinimumBitrate(brAutoSelect);
    } else {
        // The nominal goes first: the maximum and minimum setters measure themselves
        // against it, so setting them before would keep or drop the stored maximum
        // depending on what the previous file left behind.
        vorbisOut.SetDesiredNominalBitrate(bitRateAt(settings.NomalBitRate));
        vorbisOut.SetDesiredMaximumBitrate(bitRateAt(settings.OggMaxBitRate));
        vorbisOut.SetMinimumBitrate(bitRateAt(settings.MinBitRate));
        vorbisOut.SetCompression(0.2f);
    }
}

void setUpFlacOut(TWaveIn& waveIn, TFLACOut& flacOut)
{
    flacOut.SetInput(&waveIn);
    flacOut.SetVerify(true);
    flacOut.SetSuspendWhenIdle(true);
}

void applyFlacOptions(TFLACOut& flacOut, const TSettings& settings, const QStringList& comments)
{
    flacOut.SetCompressionLevel(settings.FLACCompression);
    flacOut.SetComments(comments);
}

} // namespace JobChains
