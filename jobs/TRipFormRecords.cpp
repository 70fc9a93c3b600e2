// The job window's state machine: what each worker's record does to the job.
#include "jobs/TRipForm.h"

#include "audio/EACSWriteError.h"
#include "audio/TVorbisOut.h"
#include "audio/TWaveOut.h"
#include "cd/TCDRipThread.h"
#include "common/Messages.h"
#include "encoders/EEncodeError.h"
#include "encoders/TMp3EncodeProcess.h"
#include "encoders/TWMAEncodeProcess.h"
#include "jobs/core/TrackTag.h"
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "settings/TSettings.h"

#include <QCloseEvent>
#include <QTimer>

namespace {

constexpr std::int32_t StatusSkipEncoder = 4;
constexpr std::int32_t StatusNormalizeFailed = 6;
constexpr std::int32_t StatusDriveError = 7;
constexpr std::int32_t StatusNotStarted = 9;
constexpr std::int32_t StatusComponentFailed = 10; // ElapsedText holds the component's error
// A component could not write its file: ElapsedText the message, EstimatedText the file.
constexpr std::int32_t StatusComponentWriteFailed = 11;
const QEvent::Type SentCall = static_cast<QEvent::Type>(QEvent::User + 150);

// A record sent from a worker: the window runs it and tells the worker it is done.
class SentCallEvent : public QEvent
{
public:
    explicit SentCallEvent(std::function<void()> call) : QEvent(SentCall), m_call(std::move(call)) {}
    void run() const { m_call(); }

private:
    std::function<void()> m_call;
};

} // namespace

bool TRipForm::event(QEvent* event)
{
    if (event->type() == WM_PROCESSINFO) {
        auto* info = static_cast<ProcessInfoEvent*>(event);
        std::unique_ptr<TProcessInfo> record = info->take();
        if (record) {
            bool keep = false;
            handleProcessInfo(*record, keep);
            if (keep) {
                // Sent on to ourselves; it is freed when it comes back.
                tarnwick::postMessage(this, new ProcessInfoEvent(std::move(record)));
            }
        }
        return true;
    }
    if (event->type() == WM_RIPERROR) {
        handleRipError(static_cast<MessageEvent*>(event)->lParam());
        return true;
    }
    if (event->type() == SentCall) {
        static_cast<SentCallEvent*>(event)->run();
        return true;
    }
    return QDialog::event(event);
}

void TRipForm::postToSelf(std::int32_t progress, std::int32_t status, const QString& text)
{
    tarnwick::postProcessInfo(this, progress, text, QString(), status);
}

void TRipForm::handleRipError(std::intptr_t code)
{
    if (code == TCDRipThread::ErrorAddressing) {
        reportProblem(QStringLiteral("CD extract failed!Please try again."), m_extractionIndex);
    } else if (code == TCDRipThread::ErrorTableOfContents) {
        reportProblem(QStringLiteral("Error while reading TOC information!"), m_extractionIndex);
    }
    // The thread ends without a final record after a drive error; rather than leave the
    // user with a window that waits forever, treat the track as failed and go on.
    if (m_jobList) {
        postToSelf(ProgressCode::TrackExtracted, StatusDriveError);
    }
}

void TRipForm::handleProcessInfo(TProcessInfo& record, bool& keepRecord)
{
    if (!m_jobList) {
        return; // a late record of a job that has already finished
    }
    switch (record.Progress) {
    case ProgressCode::NormalizeBegins:
        setWindowTitle(jobTitle(QStringLiteral("Normalizing("), m_extractionIndex));
        break;
    case ProgressCode::TrackExtracted:
        trackExtracted(record, keepRecord);
        break;
    case ProgressCode::Mp3Finished:
        mp3Finished(record);
        break;
    case ProgressCode::OggFinished:
        oggFinished(record);
        break;
    case ProgressCode::ResampleFinished:
        resampleFinished();
        break;
    case ProgressCode::WmaFinished:
        wmaFinished(record);
        break;
    case ProgressCode::FlacFinished:
        flacFinished(record);
        break;
    default:
        handleProgress(record);
        break;
    }
}

void TRipForm::trackExtracted(TProcessInfo& record, bool& keepRecord)
{
    const int x = m_extractionIndex;
    const QString wav = settings().OutputFolder + QStringLiteral("/") + title(x) + QStringLiteral(".wav");
    verificationTrackEnded(record);
    if (record.Status == TCDRipThread::StatusReadFailed) {
        reportProblem(QStringLiteral("Error while reading CD information!"), x);
    } else if (record.Status == TCDRipThread::StatusFileFailed) {
        reportProblem(wav + QStringLiteral(" is not a valid file name.Please rename the Title in the CD tracks list."),
                      x);
    } else if (record.Status == StatusNormalizeFailed) {
        reportProblem(wav + QStringLiteral(" could not be normalized. The file was kept as extracted."), x);
    } else if (record.Status == TCDRipThread::StatusWriteFailed) {
        // A full disk or a folder that went away: the next tracks would fail the same way.
        stopForWriteFailure(writeFailureText(wav, record.ElapsedText), QString());
        return;
    }
    const int e = ++m_extractionIndex;
    if (settings().OutputFormat == ofWAV) {
        if (e == count()) {
            finish();
            closeWindow();
        } else {
            extract(e);
        }
        return;
    }
    // A WAV that was extracted whole but not normalised is still worth encoding.
    const bool extracted = record.Status == 0 || record.Status == StatusNormalizeFailed;
    if (!extracted) {
        record.Progress = encoderFinishedCode();
        record.Status = StatusSkipEncoder;
        keepRecord = true;
        m_worked = true;
        return;
    }
    try {
        encodeAfterExtraction(e - 1);
    } catch (const std::exception& error) {
        skipAfterStartError(QString::fromUtf8(error.what()), encoderFinishedCode(), e - 1);
    }
}

std::int32_t TRipForm::encoderFinishedCode()
{
    switch (settings().OutputFormat) {
    case ofMP3:
        return ProgressCode::Mp3Finished;
    case ofOGG:
        return ProgressCode::OggFinished;
    case ofFLAC:
        return ProgressCode::FlacFinished;
    default:
        return ProgressCode::WmaFinished;
    }
}

QString TRipForm::writeFailureText(const QString& path, const QString& reason)
{
    return QStringLiteral("Could not write ") + path + (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason);
}

void TRipForm::stopForWriteFailure(const QString& message, const QString& partialFile)
{
    Prompt::instance().error(message);
    if (!partialFile.isEmpty() && Files::exists(partialFile) && !Files::isInUse(partialFile)) {
        Files::remove(partialFile);
    }
    finish();
    closeWindow();
}

void TRipForm::noteEncodeOutcome(int i, EncodeOutcome outcome)
{
    if (m_mode == ExtractCD && i >= 0 && i < static_cast<int>(m_encodeOutcomes.size())) {
        m_encodeOutcomes[static_cast<std::size_t>(i)] = outcome;
    }
}

void TRipForm::skipAfterStartError(const QString& message, std::int32_t code, int i)
{
    reportProblem(message, i);
    m_worked = true;
    postToSelf(code, StatusNotStarted);
}

void TRipForm::mp3Finished(const TProcessInfo& record)
{
    const bool failed = record.Status == TEncodeProcess::StatusFailed;
    if (record.Status == StatusComponentWriteFailed) {
        stopForWriteFailure(record.ElapsedText, record.EstimatedText); // the resampling's file
        return;
    }
    if (failed && (m_worked || record.ElapsedText.contains(QStringLiteral("Error writing"), Qt::CaseInsensitive))) {
        // The encoder wrote for a while and then gave up, or said it could not write:
        // most likely the disk is full.
        stopForWriteFailure(writeFailureText(m_mp3->outputFile(), record.ElapsedText), m_mp3->outputFile());
        return;
    }
    if (failed) {
        noteEncodeOutcome(m_encodeIndex, EncodeOutcome::Failed);
    } else if (record.Status == StatusNotStarted) {
        noteEncodeOutcome(m_encodeIndex, EncodeOutcome::NotStarted);
    } else if (record.Status == TEncodeProcess::StatusEnded) {
        noteEncodeOutcome(m_encodeIndex, m_worked && Files::exists(m_mp3->outputFile()) ? EncodeOutcome::Encoded
                                                                                        : EncodeOutcome::Failed);
    }
    if (record.Status == 1 && !m_worked) {
        reportProblem(item(m_encodeIndex) + QStringLiteral("maybe be used,operate fail!"), m_encodeIndex);
    }
    if ((record.Status == TEncodeProcess::StatusEnded || failed) && !m_worked) {
        reportProblem(QStringLiteral("Create MP3 file error!") + QStringLiteral("\r\n") +
                          QStringLiteral("Please check the output and lame options or run application again."),
                      m_encodeIndex);
    }
    if (record.Status == StatusComponentFailed) {
        reportProblem(record.ElapsedText, m_encodeIndex); // the resampling before the encoder failed
    }
    if (m_mode == ExtractCD && record.Status == 2 && m_worked && settings().UseID3) {
        writeTag(m_encodeIndex);
    }
    nextAfterEncoder(m_encodeIndex, ProgressCode::Mp3Finished, [this](int g) {
        if (m_mode == WavToMp3) {
            wavToMp3(g);
        } else if (m_mode == Mp3ToWav) {
            mp3ToWav(g);
        }
    });
}

void TRipForm::nextAfterEncoder(int& index, std::int32_t code, const std::function<void(int)>& startFile)
{
    m_worked = false;
    const int next = ++index;
    if (next >= count()) {
        finish();
        closeWindow();
        return;
    }
    try {
        if (m_mode == ExtractCD) {
            extract(m_extractionIndex);
        } else {
            startFile(next);
        }
    } catch (const std::exception& error) {
        skipAfterStartError(QString::fromUtf8(error.what()), code, next);
    }
}

void TRipForm::oggFinished(const TProcessInfo& record)
{
    if (record.Status == StatusComponentWriteFailed) {
        busyWait(300);
        stopForWriteFailure(record.ElapsedText, record.EstimatedText);
        return;
    }
    if (record.Status == StatusComponentFailed) {
        reportProblem(record.ElapsedText, m_oggIndex);
        noteEncodeOutcome(m_oggIndex, EncodeOutcome::Failed);
    } else if (record.Status == StatusNotStarted) {
        noteEncodeOutcome(m_oggIndex, EncodeOutcome::NotStarted);
    } else if (record.Status == 0) {
        const QString ogg =
            withExtension(folder() + title(m_oggIndex) + QStringLiteral(".wav"), QStringLiteral(".ogg"));
        noteEncodeOutcome(m_oggIndex, Files::exists(ogg) ? EncodeOutcome::Encoded : EncodeOutcome::Failed);
    }
    busyWait(300);
    if (m_oggIndex + 1 >= count()) {
        // The last item: the output settles before the window goes.
        m_worked = false;
        ++m_oggIndex;
        finish();
        busyWait(300);
        closeWindow();
        return;
    }
    nextAfterEncoder(m_oggIndex, ProgressCode::OggFinished, [this](int v) { wavToOgg(v); });
}

void TRipForm::resampleFinished()
{
    try {
        if (m_mode == WavToMp3) {
            const int g = m_encodeIndex;
            setStep(QStringLiteral("Encoding"), jobTitle(QStringLiteral("Encoding("), g));
            startMp3(folder() + QStringLiteral("MyMP3ReTemp.wav"),
                     folder() + withExtension(base(g), QStringLiteral(".mp3")), true, WavToMp3);
        } else if (m_mode == WavToOgg) {
            const int v = m_oggIndex;
            setStep(QStringLiteral("Encoding"), jobTitle(QStringLiteral("Encoding("), v));
            startVorbis(folder() + QStringLiteral("MyReTemp.wav"),
                        folder() + withExtension(base(v), QStringLiteral(".ogg")));
        }
    } catch (const std::exception& error) {
        skipAfterStartError(QString::fromUtf8(error.what()),
                            m_mode == WavToMp3 ? ProgressCode::Mp3Finished : ProgressCode::OggFinished,
                            m_mode == WavToMp3 ? m_encodeIndex : m_oggIndex);
    }
}

void TRipForm::wmaFinished(const TProcessInfo& record)
{
    if (m_timer1->isActive()) {
        m_timer1->stop();
    }
    const QString output = m_wma->outputFile();
    if (record.Status == 8 || record.Status == TEncodeProcess::StatusFailed) {
        const QString reason = wmaWriteFailure(record.ElapsedText, output);
        if (!reason.isEmpty()) {
            stopForWriteFailure(writeFailureText(output, reason), output);
            return;
        }
    }
    if (record.Status == 1 && !m_worked) {
        reportProblem(item(m_encodeIndex) + QStringLiteral("maybe be used,operate fail!"), m_encodeIndex);
    } else if (record.Status == 8 || record.Status == TEncodeProcess::StatusFailed) {
        reportProblem(record.ElapsedText, m_encodeIndex);
    }
    if (record.Status == StatusNotStarted) {
        noteEncodeOutcome(m_encodeIndex, EncodeOutcome::NotStarted);
    } else if (record.Status == TEncodeProcess::StatusEnded) {
        noteEncodeOutcome(m_encodeIndex, Files::exists(output) ? EncodeOutcome::Encoded : EncodeOutcome::Failed);
    } else if (record.Status == 8 || record.Status == TEncodeProcess::StatusFailed) {
        noteEncodeOutcome(m_encodeIndex, EncodeOutcome::Failed);
    }
    nextAfterEncoder(m_encodeIndex, ProgressCode::WmaFinished, [this](int g) { wavToWma(g); });
}

void TRipForm::flacFinished(const TProcessInfo& record)
{
    if (record.Status == StatusComponentWriteFailed) {
        stopForWriteFailure(record.ElapsedText, record.EstimatedText);
        return;
    }
    if (record.Status == StatusComponentFailed) {
        reportProblem(record.ElapsedText, m_flacIndex);
        noteEncodeOutcome(m_flacIndex, EncodeOutcome::Failed);
    } else if (record.Status == StatusNotStarted) {
        noteEncodeOutcome(m_flacIndex, EncodeOutcome::NotStarted);
    } else if (record.Status == 0) {
        // The output takes its name only when it is finished, so its presence means whole.
        const QString flac =
            withExtension(folder() + title(m_flacIndex) + QStringLiteral(".wav"), QStringLiteral(".flac"));
        noteEncodeOutcome(m_flacIndex, Files::exists(flac) ? EncodeOutcome::Encoded : EncodeOutcome::Failed);
    }
    nextAfterEncoder(m_flacIndex, ProgressCode::FlacFinished, [this](int f) { wavToFlac(f); });
}

void TRipForm::writeTag(int i)
{
    const std::uint16_t result =
        writeTrackTag(folder() + title(i) + QStringLiteral(".mp3"), title(i), track(i), settings().Disc);
    if (result > 255) {
        reportProblem(QStringLiteral("Error #%1! Could not save Tag!").arg(result), i);
    }
}

void TRipForm::finish()
{
    if (m_ripThread) {
        m_ripThread->stop();
        m_ripThread.reset(); // waits for the thread to end
    }
    if (!m_jobList) {
        return;
    }
    QStringList kept;
    if (m_extractionIndex == count() && m_mode == ExtractCD && settings().OutputFormat != ofWAV &&
        !settings().IsKeepWav) {
        kept = deleteEncodedWavFiles();
    }
    m_jobList.reset();
    if (m_mp3 != nullptr && m_mp3->isActive()) {
        m_mp3->stop(0);
    }
    if (m_wma != nullptr && m_wma->isActive()) {
        m_wma->stop(0);
    }
    const QString temporary = m_mode == WavToOgg   ? folder() + QStringLiteral("MyReTemp.wav")
                              : m_mode == WavToMp3 ? folder() + QStringLiteral("MyMP3ReTemp.wav")
                                                   : QString();
    if (!temporary.isEmpty() && Files::exists(temporary) && !Files::isInUse(temporary)) {
        Files::remove(temporary);
    }
    showReport(kept);
}

void TRipForm::reportProblem(const QString& text, int i)
{
    m_report.add(text, m_mode == ExtractCD ? title(i) : base(i));
}

void TRipForm::showReport(const QStringList& keptWavs)
{
    // The problems and the WAVs they left behind are one story: one box tells it.
    QStringList parts;
    if (!m_report.isEmpty()) {
        parts << m_report.text();
    }
    if (!keptWavs.isEmpty()) {
        parts << QStringLiteral("These WAV files were kept because they were not encoded completely:") +
                     QStringLiteral("\r\n") + keptWavs.join(QStringLiteral("\r\n"));
    }
    if (parts.isEmpty()) {
        return;
    }
    const QString text = parts.join(QStringLiteral("\r\n\r\n"));
    if (m_report.isEmpty()) {
        Prompt::instance().information(text);
    } else {
        Prompt::instance().error(text);
    }
    m_report.clear();
}

QStringList TRipForm::deleteEncodedWavFiles()
{
    // Only a WAV whose encoding is whole may go: for every other one the WAV is the only
    // copy of the track the user has.
    QStringList kept;
    for (int i = 0; i < count(); ++i) {
        const QString wav = folder() + title(i) + QStringLiteral(".wav");
        if (!Files::exists(wav)) {
            continue;
        }
        const EncodeOutcome outcome = i < static_cast<int>(m_encodeOutcomes.size())
                                          ? m_encodeOutcomes[static_cast<std::size_t>(i)]
                                          : EncodeOutcome::Pending;
        if (outcome == EncodeOutcome::Encoded) {
            if (!Files::isInUse(wav)) {
                Files::remove(wav);
            }
            continue;
        }
        const QString why = outcome == EncodeOutcome::NotStarted ? QStringLiteral("the encoder could not be started")
                            : outcome == EncodeOutcome::Failed   ? QStringLiteral("the encoding failed")
                                                                 : QStringLiteral("the encoding was stopped");
        kept << wav + QStringLiteral(" (") + why + QLatin1Char(')');
    }
    return kept;
}

void TRipForm::closeWindow()
{
    if (verifyBeforeClosing()) {
        return;
    }
    // Closing from inside a record handler: let the handler return first.
    QTimer::singleShot(0, this, [this] { close(); });
}

void TRipForm::FormClose()
{
    if (m_jobList) {
        finish();
    }
}

void TRipForm::closeEvent(QCloseEvent* event)
{
    // A lookup still running is of no use to a window the user closed.
    m_lookupStop.store(true);
    FormClose();
    {
        std::lock_guard lock(m_sendMutex);
        m_closing = true;
    }
    m_sendDone.notify_all();
    QDialog::closeEvent(event);
}

void TRipForm::suitempbtStopClick()
{
    if ((m_mode == ExtractCD && settings().OutputFormat == ofOGG) || m_mode == WavToOgg) {
        m_vorbisOut1->Stop();
        m_vorbisOut1->FinishOutput();
        busyWait(300);
    }
    if ((m_mode == ExtractCD && settings().OutputFormat == ofFLAC) || m_mode == WavToFlac) {
        stopFlac();
    }
    if (m_waveOut1->Busy()) {
        // A resampling under way: its end must not reach a window that is going away.
        {
            std::lock_guard lock(m_sendMutex);
            m_closing = true;
        }
        m_sendDone.notify_all();
        m_waveOut1->Stop();
    }
    finish();
    close();
}

QString TRipForm::unfinishedOutput() const
{
    if (!m_jobList) {
        return {};
    }
    // A worker that has ended has written its file whole, even if its last record is
    // still on its way.
    if (m_ripThread && m_ripThread->isRunning()) {
        return folder() + m_ripThread->title() + QStringLiteral(".wav");
    }
    if (m_mp3 != nullptr && m_mp3->isActive()) {
        return m_mp3->outputFile();
    }
    if (m_wma != nullptr && m_wma->isActive()) {
        return m_wma->outputFile();
    }
    if (m_vorbisOut1->Busy()) {
        return m_vorbisOut1->FileName();
    }
    // FLAC output and the resampler's temporary file are thrown away by the stop itself.
    return {};
}

void TRipForm::stopForExit()
{
    const QString unfinished = unfinishedOutput();
    suitempbtStopClick();
    if (!unfinished.isEmpty() && Files::exists(unfinished)) {
        Files::remove(unfinished);
    }
}

void TRipForm::componentFailed(std::int32_t code, const std::exception& error)
{
    const auto* writeError = dynamic_cast<const EACSWriteError*>(&error);
    if (writeError != nullptr && !writeError->path().isEmpty()) {
        tarnwick::postProcessInfo(this, code, writeFailureText(writeError->path(), writeError->reason()),
                                  writeError->path(), StatusComponentWriteFailed);
        return;
    }
    tarnwick::postProcessInfo(this, code, QString::fromUtf8(error.what()), QString(), StatusComponentFailed);
}

QString TRipForm::wmaWriteFailure(const QString& errorLine, const QString& output)
{
    // Our encoder names the output file in quotes, then gives the system's reason.
    const QString named = QStringLiteral("the output file \"") + output + QStringLiteral("\": ");
    const qsizetype at = errorLine.indexOf(named);
    if (at < 0 || output.isEmpty()) {
        return {};
    }
    return errorLine.mid(at + named.size()).trimmed();
}

void TRipForm::VorbisOut1Done()
{
    tarnwick::postProcessInfo(this, ProgressCode::OggFinished, QString(), QString(), 0);
}

void TRipForm::WaveOut1Done()
{
    // Sent: the worker waits until the window has started the next step, unless the
    // window is closing.
    std::uint64_t ticket = 0;
    {
        std::lock_guard lock(m_sendMutex);
        if (m_closing) {
            return;
        }
        ticket = m_sendsHandled + 1;
    }
    tarnwick::postMessage(this, new SentCallEvent([this] {
                              auto info = std::make_unique<TProcessInfo>();
                              info->Progress = ProgressCode::ResampleFinished;
                              bool keep = false;
                              handleProcessInfo(*info, keep);
                              {
                                  std::lock_guard lock(m_sendMutex);
                                  ++m_sendsHandled;
                              }
                              m_sendDone.notify_all();
                          }));
    std::unique_lock lock(m_sendMutex);
    m_sendDone.wait(lock, [&] { return m_closing || m_sendsHandled >= ticket; });
}
