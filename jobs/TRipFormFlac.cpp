// FLAC output of the job window: extracted tracks and WAV files encoded through
// WaveIn1 -> FLACOut1, the same chain shape as the Ogg output.
#include "jobs/TRipForm.h"

#include "audio/TFLACOut.h"
#include "audio/TWaveIn.h"
#include "common/Messages.h"
#include "jobs/core/JobChains.h"
#include "meta/TrackComments.h"
#include "settings/TSettings.h"

#include <QGroupBox>

void TRipForm::createFlacOutput()
{
    m_flacOut1 = std::make_unique<TFLACOut>();
    JobChains::setUpFlacOut(*m_waveIn1, *m_flacOut1);
    m_flacOut1->OnProgress = [this](TACSOutput* sender) { outputProgress(sender); };
    m_flacOut1->OnDone = [this](TACSOutput*) { FLACOut1Done(); };
    m_flacOut1->OnThreadException = [this](TACSOutput*, const std::exception& error) {
        componentFailed(ProgressCode::FlacFinished, error);
    };
}

void TRipForm::startFlac(const QString& input, const QString& output, const QStringList& comments)
{
    m_waveIn1->SetFileName(input);
    m_flacOut1->SetFileName(output);
    JobChains::applyFlacOptions(*m_flacOut1, settings(), comments);
    m_componentStart = now();
    m_flacOut1->Start();
}

void TRipForm::encodeTrackToFlac(int i, const QString& wav)
{
    startFlac(wav, withExtension(wav, QStringLiteral(".flac")),
              TrackComments::forTrack(settings().Disc, title(i), track(i)));
}

void TRipForm::wavToFlac(int i)
{
    m_waveIn1->SetFileName(item(i));
    setStep(QStringLiteral("Encoding"), jobTitle(QStringLiteral("Encoding("), i));
    if (!m_waveIn1->Valid()) {
        skipAfterStartError(item(i) + QStringLiteral(" is not a WAV file that can be read."),
                            ProgressCode::FlacFinished, i);
        return;
    }
    // Lossless output keeps the file's own rate: resampling would change the samples.
    startFlac(item(i), folder() + withExtension(base(i), QStringLiteral(".flac")), {});
}

void TRipForm::stopFlac()
{
    // Stopping throws the unfinished file away; the output waits for a step under way.
    m_flacOut1->Stop();
    m_flacOut1->FinishOutput();
}

void TRipForm::FLACOut1Done()
{
    tarnwick::postProcessInfo(this, ProgressCode::FlacFinished, QString(), QString(), 0);
}
