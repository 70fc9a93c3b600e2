#pragma once

class TRateConverter;
class TVorbisOut;
class TWaveIn;
class TWaveOut;
struct TSettings;

// The stream component chains of a conversion job, set up the same way wherever a job
// runs: WaveIn -> RateConverter -> WaveOut resamples a WAV file to 44,100 Hz, and
// WaveIn -> VorbisOut encodes one to Ogg Vorbis.
namespace JobChains {

void setUpWaveIn(TWaveIn& waveIn);
void setUpResampler(TWaveIn& waveIn, TRateConverter& converter, TWaveOut& waveOut);
void setUpVorbisOut(TWaveIn& waveIn, TVorbisOut& vorbisOut);

// The Ogg settings, applied before every start: by quality, or by the bit-rate manager's
// list positions.
void applyOggOptions(TVorbisOut& vorbisOut, const TSettings& settings);

} // namespace JobChains
