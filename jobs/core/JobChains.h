#pragma once

#include <QStringList>

class TFLACOut;
class TRateConverter;
class TVorbisOut;
class TWaveIn;
class TWaveOut;
struct TSettings;

// The stream component chains of a conversion job, set up the same way wherever a job
// runs: WaveIn -> RateConverter -> WaveOut resamples a WAV file to 44,100 Hz, and
// WaveIn -> VorbisOut encodes one to Ogg Vorbis, WaveIn -> FLACOut to FLAC.
namespace JobChains {

void setUpWaveIn(TWaveIn& waveIn);
void setUpResampler(TWaveIn& waveIn, TRateConverter& converter, TWaveOut& waveOut);
void setUpVorbisOut(TWaveIn& waveIn, TVorbisOut& vorbisOut);

// The Ogg settings, applied before every start: by quality, or by the bit-rate manager's
// list positions.
void applyOggOptions(TVorbisOut& vorbisOut, const TSettings& settings);

// Every frame is checked against its input as it is written (verify mode).
void setUpFlacOut(TWaveIn& waveIn, TFLACOut& flacOut);
// The FLAC settings and the file's comments ("NAME=value" lines), applied before every
// start: the output forgets its comments once a file is finished.
void applyFlacOptions(TFLACOut& flacOut, const TSettings& settings, const QStringList& comments);

} // namespace JobChains
