#pragma once

#include "cd/CDRecords.h"
#include "jobs/core/JobFiles.h"
#include "jobs/core/JobReport.h"

#include <QDateTime>
#include <QDialog>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class RipVerification;
class TACSOutput;
class TCDRipThread;
class TFLACOut;
class TMp3EncodeProcess;
class TRateConverter;
class TVorbisOut;
class TWMAEncodeProcess;
class TWaveIn;
class TWaveOut;
struct TProcessInfo;

// The modal window that carries out one conversion job: a list of CD tracks to extract
// (and encode), or of files to convert. It walks the list one item at a time, starting
// one worker per step and moving on when that worker's final record arrives.
class TRipForm : public QDialog
{
    Q_OBJECT
public:
    using Mode = JobFiles::Mode;
    using enum JobFiles::Mode;

    // Starts the first item at once; an encoder that cannot be started for it throws
    // (EEncodeError) out of the construction, and so does (std::runtime_error) a CD job
    // whose OutputFormat this version does not know.
    TRipForm(QWidget* owner, int mode, CDHandle driveHandle, const QStringList& items, TMp3EncodeProcess* mp3,
             TWMAEncodeProcess* wma);
    ~TRipForm() override;

    // The window title for step `word` ("Encoding(" ...) of item i.
    QString jobTitle(const QString& word, int i) const;
    static QString num(int n);
    // The message for a file that could not be written, with the system's reason.
    static QString writeFailureText(const QString& path, const QString& reason);

    // Test hooks: the 300 ms pauses after the Ogg output ends, and the clock of the
    // progress estimates.
    std::function<void(int milliseconds)> busyWait;
    std::function<QDateTime()> now;

    // Window handlers.
    void FormClose();
    void suitempbtStopClick();
    // The program is being ended: stops the job as "Stop" does and also removes the one
    // file a worker was still writing, so only whole files stay behind.
    void stopForExit();
    void Timer1Timer();

    bool jobFinished() const { return !m_jobList.has_value(); }
    QLabel* elapsedLabel() const { return m_elapsed; }
    QLabel* estimatedLabel() const { return m_estimated; }
    QLabel* initializingLabel() const { return m_initializing; }
    QProgressBar* gauge() const { return m_gauge; }
    QGroupBox* groupBox() const { return m_group; }
    QTimer* timer() const { return m_timer1; }
    int extractionIndex() const { return m_extractionIndex; }
    int encodeIndex() const { return m_encodeIndex; }
    int oggIndex() const { return m_oggIndex; }
    int flacIndex() const { return m_flacIndex; }
    // How the AccurateRip verification ended, in one line for the main window's status bar
    // ("AccurateRip: 3 of 3 tracks accurate (confidence 12)"); empty when nothing was verified.
    QString verdictLine() const { return m_verdictLine; }
    void setWmaStart(const QDateTime& start, std::int64_t inputSize);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWindow();
    void centreOn(QWidget* owner);
    QString folder() const;
    QString title(int i) const;
    int track(int i) const;
    QString base(int i) const;
    QString item(int i) const;
    int count() const;
    static QString withExtension(const QString& path, const QString& extension);

    void startItem0();
    void extract(int i);
    void encodeAfterExtraction(int i);
    void wavToMp3(int i);
    void mp3ToWav(int i);
    void wavToOgg(int i);
    void wavToWma(int i);
    void startMp3(const QString& input, const QString& output, bool encode, int mode);
    void startWma(const QString& input, const QString& output, int mode);
    void wmaStart();
    void startVorbis(const QString& input, const QString& output);
    void startResample(const QString& input, const QString& output);
    void applyOggOptions();
    void setStep(const QString& caption, const QString& windowTitle);
    // FLAC output (WaveIn1 -> FLACOut1).
    void createFlacOutput();
    void startFlac(const QString& input, const QString& output, const QStringList& comments);
    void encodeTrackToFlac(int i, const QString& wav);
    void wavToFlac(int i);
    void flacFinished(const TProcessInfo& record);
    void stopFlac();
    void FLACOut1Done();
    // The finished record code of the encoder that OutputFormat chooses.
    static std::int32_t encoderFinishedCode();

    void handleProcessInfo(TProcessInfo& record, bool& keepRecord);
    void handleRipError(std::intptr_t code);
    void handleProgress(const TProcessInfo& record);
    void trackExtracted(TProcessInfo& record, bool& keepRecord);
    void mp3Finished(const TProcessInfo& record);
    void oggFinished(const TProcessInfo& record);
    void resampleFinished();
    void wmaFinished(const TProcessInfo& record);
    // After an encoder's final record: the next track or file, or the end of the job.
    void nextAfterEncoder(int& index, std::int32_t code, const std::function<void(int)>& startFile);
    void writeTag(int i);
    void finish();
    // Removes the WAVs that were encoded whole; the lines naming the others, which stay.
    QStringList deleteEncodedWavFiles();
    // A problem with item i that the job goes on past: told once the job has ended,
    // together with every other item that had the same problem.
    void reportProblem(const QString& text, int i);
    void showReport(const QStringList& keptWavs);
    void closeWindow();
    // The output the current worker is still writing; empty between workers.
    QString unfinishedOutput() const;
    // Secure reading and AccurateRip (TRipFormVerify.cpp): the checksums of every track, the
    // database lookup once the job ends, the verdicts and the rip log.
    void setUpVerification();
    void verificationTrackEnded(const TProcessInfo& record);
    // At the end of the job: false when there is nothing to verify or log; else it takes
    // over, looks the disc up on a worker thread and closes the window when that is done.
    bool verifyBeforeClosing();
    void verificationDone();
    void stopVerification();
    // A file could not be written: say so, remove what was left of it and end the job
    // there, keeping every file that was finished.
    void stopForWriteFailure(const QString& message, const QString& partialFile);
    // The system's reason in an error line of our WMA encoder when it could not create or
    // write `output`; empty for any other error.
    static QString wmaWriteFailure(const QString& errorLine, const QString& output);
    // Item i, whose worker could not start: report it and go on with the next one.
    void skipAfterStartError(const QString& message, std::int32_t code, int i);
    void postToSelf(std::int32_t progress, std::int32_t status, const QString& text = QString());

    // Component events, on the outputs' worker threads.
    void outputProgress(TACSOutput* output);
    void VorbisOut1Done();
    void componentFailed(std::int32_t code, const std::exception& error);
    void WaveOut1Done();

    QStringList m_items;
    std::optional<QStringList> m_jobList;
    int m_mode;
    CDHandle m_driveHandle;
    TMp3EncodeProcess* m_mp3;
    TWMAEncodeProcess* m_wma;
    std::unique_ptr<TCDRipThread> m_ripThread;
    std::optional<TOC> m_jobToc;
    // How the encoding of each track went (mode 1): only the WAV of a track encoded whole
    // is deleted at the end.
    enum class EncodeOutcome { Pending, Encoded, Failed, NotStarted };
    void noteEncodeOutcome(int i, EncodeOutcome outcome);
    std::vector<EncodeOutcome> m_encodeOutcomes;
    int m_extractionIndex = 0;
    int m_encodeIndex = 0;
    int m_oggIndex = 0;
    int m_flacIndex = 0; // the item being encoded to FLAC (mode 1 with FLAC output, mode 7)
    bool m_worked = false;
    bool m_closing = false;
    QDateTime m_componentStart;
    QDateTime m_wmaStart;
    std::int64_t m_wmaInputSize = -1;

    // A record sent by WaveOut1Done waits here until the window handled it, or until the
    // window goes away, so a closing window never waits for a worker that waits for it.
    std::mutex m_sendMutex;
    std::condition_variable m_sendDone;
    std::uint64_t m_sendsHandled = 0;

    QGroupBox* m_group = nullptr;
    QProgressBar* m_gauge = nullptr;
    QLabel* m_initializing = nullptr;
    QLabel* m_elapsed = nullptr;
    QLabel* m_estimated = nullptr;
    QPushButton* m_btStop = nullptr;
    QTimer* m_timer1 = nullptr;

    std::unique_ptr<TWaveIn> m_waveIn1;
    std::unique_ptr<TRateConverter> m_rateConverter1;
    std::unique_ptr<TWaveOut> m_waveOut1;
    std::unique_ptr<TVorbisOut> m_vorbisOut1;
    std::unique_ptr<TFLACOut> m_flacOut1;

    std::unique_ptr<RipVerification> m_verification; // only with SecureMode or AccurateRip on
    std::thread m_lookup;
    std::atomic<bool> m_lookupStop{false};
    bool m_verifying = false;
    QString m_verdictLine;
    JobReport m_report;
};
