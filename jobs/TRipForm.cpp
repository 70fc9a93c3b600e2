#include "jobs/TRipForm.h"

#include "audio/TFLACOut.h"
#include "audio/TRateConverter.h"
#include "audio/TVorbisOut.h"
#include "audio/TWaveIn.h"
#include "audio/TWaveOut.h"
#include "cd/RipVerification.h"
#include "cd/TCDRipThread.h"
#include "common/Messages.h"
#include "common/TextFormat.h"
#include "encoders/EEncodeError.h"
#include "encoders/TMp3EncodeProcess.h"
#include "encoders/TWMAEncodeProcess.h"
#include "jobs/core/JobChains.h"
#include "jobs/core/JobEncoders.h"
#include "meta/Genres.h"
#include "meta/Tid3tag.h"
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "settings/TSettings.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <stdexcept>


TRipForm::TRipForm(QWidget* owner, int mode, CDHandle driveHandle, const QStringList& items, TMp3EncodeProcess* mp3,
                   TWMAEncodeProcess* wma)
    : QDialog(owner), m_items(items), m_jobList(items), m_mode(mode), m_driveHandle(driveHandle), m_mp3(mp3),
      m_wma(wma), m_report(mode == ExtractCD ? QStringLiteral("tracks") : QStringLiteral("files"))
{
    m_encodeOutcomes.assign(static_cast<std::size_t>(items.size()), EncodeOutcome::Pending);
    busyWait = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
    now = [] { return QDateTime::currentDateTime(); };
    buildWindow();

    m_waveIn1 = std::make_unique<TWaveIn>();
    JobChains::setUpWaveIn(*m_waveIn1);
    m_rateConverter1 = std::make_unique<TRateConverter>();
    m_waveOut1 = std::make_unique<TWaveOut>();
    JobChains::setUpResampler(*m_waveIn1, *m_rateConverter1, *m_waveOut1);
    m_waveOut1->OnProgress = [this](TACSOutput* sender) { outputProgress(sender); };
    m_waveOut1->OnDone = [this](TACSOutput*) { WaveOut1Done(); };
    // A transfer that fails ends without OnDone; the job must still hear of it.
    m_waveOut1->OnThreadException = [this](TACSOutput*, const std::exception& error) {
        componentFailed(m_mode == WavToMp3 ? ProgressCode::Mp3Finished : ProgressCode::OggFinished, error);
    };
    m_vorbisOut1 = std::make_unique<TVorbisOut>();
    JobChains::setUpVorbisOut(*m_waveIn1, *m_vorbisOut1);
    m_vorbisOut1->OnProgress = [this](TACSOutput* sender) { outputProgress(sender); };
    m_vorbisOut1->OnDone = [this](TACSOutput*) { VorbisOut1Done(); };
    m_vorbisOut1->OnThreadException = [this](TACSOutput*, const std::exception& error) {
        componentFailed(ProgressCode::OggFinished, error);
    };
    createFlacOutput();
    setUpVerification();

    startItem0();
    m_elapsed->clear();
    m_estimated->clear();
    m_gauge->setTextVisible(false);
    centreOn(owner);
}

TRipForm::~TRipForm()
{
    stopVerification();
    {
        std::lock_guard lock(m_sendMutex);
        m_closing = true;
    }
    m_sendDone.notify_all();
    // The outputs join their workers; none of them waits for this window any more.
    m_vorbisOut1.reset();
    m_flacOut1.reset();
    m_waveOut1.reset();
    m_rateConverter1.reset();
    m_waveIn1.reset();
    if (m_ripThread) {
        m_ripThread->stop();
        m_ripThread.reset();
    }
}

QString TRipForm::num(int n)
{
    return tarnwick::twoDigit(n);
}

QString TRipForm::jobTitle(const QString& word, int i) const
{
    const QString name = m_mode == ExtractCD ? title(i) : item(i);
    return word + num(i + 1) + QLatin1Char('/') + num(count()) + QStringLiteral("): ") + name;
}

QString TRipForm::folder() const
{
    return JobFiles::folder(settings());
}

QString TRipForm::item(int i) const
{
    return i >= 0 && i < m_items.size() ? m_items[i] : QString();
}

int TRipForm::count() const
{
    return static_cast<int>(m_items.size());
}

QString TRipForm::title(int i) const
{
    return JobFiles::itemTitle(item(i));
}

int TRipForm::track(int i) const
{
    return JobFiles::itemTrack(item(i));
}

QString TRipForm::base(int i) const
{
    return QFileInfo(item(i)).fileName();
}

QString TRipForm::withExtension(const QString& path, const QString& extension)
{
    return JobFiles::withExtension(path, extension);
}

void TRipForm::setStep(const QString& caption, const QString& windowTitle)
{
    setWindowTitle(windowTitle);
    m_group->setTitle(caption);
}

void TRipForm::startItem0()
{
    if (m_items.isEmpty()) {
        return;
    }
    switch (m_mode) {
    case ExtractCD:
        if (!isKnownOutputFormat(settings().OutputFormat)) {
            throw std::runtime_error(unknownOutputFormatText(settings().OutputFormat).toStdString());
        }
        extract(0);
        break;
    case WavToMp3:
        wavToMp3(0);
        break;
    case Mp3ToWav:
        mp3ToWav(0);
        break;
    case RecordToMp3:
        setStep(QStringLiteral("Encoding WAV to MP3"), jobTitle(QStringLiteral("Encoding("), 0));
        startMp3(item(0), withExtension(item(0), QStringLiteral(".mp3")), true, RecordToMp3);
        break;
    case WavToOgg:
        wavToOgg(0);
        break;
    case WavToWma:
        wavToWma(0);
        break;
    case WavToFlac:
        wavToFlac(0);
        break;
    default:
        break;
    }
    // The first item names the job in the group box.
    if (m_mode == WavToMp3 && m_group->title() == QLatin1String("Encoding")) {
        m_group->setTitle(QStringLiteral("Encoding WAV to MP3"));
    } else if (m_mode == Mp3ToWav) {
        m_group->setTitle(QStringLiteral("Decoding MP3 to WAV"));
    } else if (m_mode == WavToOgg && m_group->title() == QLatin1String("Encoding")) {
        m_group->setTitle(QStringLiteral("Encoding WAV to OGG"));
    } else if (m_mode == WavToWma) {
        m_group->setTitle(QStringLiteral("Encoding WAV to WMA"));
    } else if (m_mode == WavToFlac && m_group->title() == QLatin1String("Encoding")) {
        m_group->setTitle(QStringLiteral("Encoding WAV to FLAC"));
    }
}

void TRipForm::extract(int i)
{
    setWindowTitle(jobTitle(QStringLiteral("Extracting("), i));
    m_initializing->setText(QStringLiteral("Initializing..."));
    m_initializing->show();
    m_group->setTitle(QStringLiteral("Extracting"));
    if (m_ripThread) {
        // The first table of contents of the job is what every later track must match.
        m_ripThread->wait();
        if (!m_jobToc) {
            m_jobToc = m_ripThread->tableOfContents();
        }
        m_ripThread.reset();
    }
    m_ripThread = std::make_unique<TCDRipThread>(track(i), title(i));
    if (m_jobToc) {
        m_ripThread->setReferenceToc(*m_jobToc);
    }
    m_ripThread->setDriveHandle(m_driveHandle);
    m_ripThread->setWindow(this);
    if (m_verification) {
        m_ripThread->setAudioSink(m_verification->sinkFor(track(i)));
    }
    m_ripThread->resume();
}

void TRipForm::encodeAfterExtraction(int i)
{
    const QString wav = folder() + title(i) + QStringLiteral(".wav");
    setStep(QStringLiteral("Encoding"), jobTitle(QStringLiteral("Encoding("), i));
    // The extraction's progress must not pass for the encoder's.
    m_worked = false;
    switch (settings().OutputFormat) {
    case ofMP3:
        startMp3(wav, withExtension(wav, QStringLiteral(".mp3")), true, ExtractCD);
        break;
    case ofOGG:
        startVorbis(wav, withExtension(wav, QStringLiteral(".ogg")));
        break;
    case ofWMA:
        startWma(wav, withExtension(wav, QStringLiteral(".wma")), ExtractCD);
        break;
    case ofFLAC:
        encodeTrackToFlac(i, wav);
        break;
    default:
        break;
    }
}

void TRipForm::wavToMp3(int i)
{
    m_waveIn1->SetFileName(item(i));
    if (!m_waveIn1->Valid()) {
        setStep(m_group->title(), jobTitle(QStringLiteral("Encoding("), i));
        skipAfterStartError(item(i) + QStringLiteral(" is not a WAV file that can be read."), ProgressCode::Mp3Finished,
                            i);
        return;
    }
    if (m_waveIn1->SampleRate() >= 44100) {
        setStep(QStringLiteral("Encoding"), jobTitle(QStringLiteral("Encoding("), i));
        startMp3(item(i), folder() + withExtension(base(i), QStringLiteral(".mp3")), true, WavToMp3);
    } else {
        startResample(item(i), folder() + QStringLiteral("MyMP3ReTemp.wav"));
        setStep(QStringLiteral("Resampling WAV"), jobTitle(QStringLiteral("Resampling("), i));
    }
}

void TRipForm::mp3ToWav(int i)
{
    setStep(QStringLiteral("Decoding"), jobTitle(QStringLiteral("Decoding("), i));
    startMp3(item(i), folder() + withExtension(base(i), QStringLiteral(".wav")), false, Mp3ToWav);
}

void TRipForm::wavToOgg(int i)
{
    m_waveIn1->SetFileName(item(i));
    if (!m_waveIn1->Valid()) {
        setStep(m_group->title(), jobTitle(QStringLiteral("Encoding("), i));
        skipAfterStartError(item(i) + QStringLiteral(" is not a WAV file that can be read."), ProgressCode::OggFinished,
                            i);
        return;
    }
    if (m_waveIn1->SampleRate() >= 44100) {
        startVorbis(item(i), folder() + withExtension(base(i), QStringLiteral(".ogg")));
        setStep(QStringLiteral("Encoding"), jobTitle(QStringLiteral("Encoding("), i));
    } else {
        startResample(item(i), folder() + QStringLiteral("MyReTemp.wav"));
        setStep(QStringLiteral("Resampling WAV"), jobTitle(QStringLiteral("Resampling("), i));
    }
}

void TRipForm::wavToWma(int i)
{
    setStep(QStringLiteral("Encoding"), jobTitle(QStringLiteral("Encoding("), i));
    startWma(item(i), folder() + withExtension(base(i), QStringLiteral(".wma")), WavToWma);
}

void TRipForm::startMp3(const QString& input, const QString& output, bool encode, int mode)
{
    armEncoder(*m_mp3, input, output, this, encode, mode);
    m_mp3->start();
}

void TRipForm::startWma(const QString& input, const QString& output, int mode)
{
    armEncoder(*m_wma, input, output, this, true, mode);
    m_wma->start();
    wmaStart();
}

void TRipForm::wmaStart()
{
    m_wmaStart = now();
    m_gauge->setValue(0);
    m_timer1->start();
    m_wmaInputSize = Files::size(m_wma->inputFile());
}

void TRipForm::applyOggOptions()
{
    JobChains::applyOggOptions(*m_vorbisOut1, settings());
}

void TRipForm::startVorbis(const QString& input, const QString& output)
{
    m_waveIn1->SetFileName(input);
    m_vorbisOut1->SetFileName(output);
    applyOggOptions();
    m_componentStart = now();
    m_vorbisOut1->Start();
}

void TRipForm::startResample(const QString& input, const QString& output)
{
    m_waveIn1->SetFileName(input);
    m_waveOut1->SetFileName(output);
    m_componentStart = now();
    m_waveOut1->Start();
}
