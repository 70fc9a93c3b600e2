#pragma once

#include "encoders/EncoderCommand.h"
#include "platform/ChildProcess.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

class EncodeSession;
class QObject;
class TEncodeThread;

// What the encoder processes share: the fields the job window sets before a start, the
// overwrite question, starting the child with its pipes, the reader thread, the readers,
// the end of the process and Stop. The MP3 and WMA processes add the command line, the
// parsing of the output and the way their records reach the window.
//
// Everything here runs on the window thread (the thread that created the object); the
// reader thread reaches it only through window calls.
class TEncodeProcess
{
public:
    explicit TEncodeProcess(QObject* windowHandle = nullptr);
    virtual ~TEncodeProcess();
    TEncodeProcess(const TEncodeProcess&) = delete;
    TEncodeProcess& operator=(const TEncodeProcess&) = delete;

    // Set by the job window before start().
    void setActive(bool active) { m_active = active; }
    void setInputFile(const QString& path) { m_inputFile = path; }
    void setOutputFile(const QString& path) { m_outputFile = path; }
    void setWindowHandle(QObject* window) { m_windowHandle = window; }
    void setEncodeFlag(bool encode) { m_encodeFlag = encode; }
    void setJobMode(int mode) { m_jobMode = mode; }

    bool isActive() const { return m_active; }
    const QString& inputFile() const { return m_inputFile; }
    const QString& outputFile() const { return m_outputFile; }
    QObject* windowHandle() const { return m_windowHandle; }
    bool encodeFlag() const { return m_encodeFlag; }
    int jobMode() const { return m_jobMode; }
    int progressColumn() const { return m_progressColumn; }
    const QDateTime& startTime() const { return m_startTime; }
    // The command line of the last start, as text; empty when no process was started.
    const QString& commandLine() const { return m_commandLine; }
    // The running encoder's process id, 0 when none runs.
    std::int64_t processId() const { return m_processId; }
    // True while a reader thread watches a run.
    bool isRunning() const;

    // End statuses every encoder shares: the encoder ended with exit code 0, or it
    // ended with another code or by a signal (failureText() then says what it reported).
    static constexpr std::int32_t StatusEnded = 2;
    static constexpr std::int32_t StatusFailed = 3;

    // Starts the encoder, or delivers an end record at once (declined overwrite, output
    // in use, no encoder), or throws EEncodeError.
    void start();
    // Ends a running job: the child is ended with `exitCode` and reaped, the pipes closed.
    void stop(int exitCode);

    // Called by the reader thread, in the window thread.
    void readPipe(ChildProcess::Stream stream, int count);
    void processEnded();

protected:
    // Whether an existing output is asked about in the current job mode.
    virtual bool asksBeforeOverwrite() const = 0;
    // The command for this start; nullopt when the start ends here (the subclass has
    // already delivered its record).
    virtual std::optional<EncoderCommand> prepareCommand() = 0;
    // One line of output, without its line break. The run may be finished inside.
    virtual void parseLine(const QString& line) = 0;
    virtual void deliverEnd(std::int32_t status) = 0;
    virtual TEncodeThread* createThread(std::shared_ptr<EncodeSession> session) = 0;
    // The text of the start error: the same for every encoder.
    virtual QString startErrorText() const;

    // Posts a progress record unless it repeats the last one of this run: a decode writes
    // a line per frame, and a window flooded with identical records stops answering.
    void postProgress(std::int32_t progress, const QString& elapsed, const QString& estimated);
    // What a failed run leaves to tell: the encoder's last line that was no progress
    // line, else its exit code.
    QString failureText() const;
    // Seconds since the start, rounded.
    std::int64_t elapsedSeconds() const;
    void setProgressColumn(int column) { m_progressColumn = column; }
    // Ends the run at once: later output and the end of the process deliver nothing.
    void finishRun(int exitCode);

private:
    void parseText(ChildProcess::Stream stream, const QByteArray& bytes, bool final);
    void stopSession(int exitCode);

    bool m_active = false;
    QString m_inputFile;
    QString m_outputFile;
    QPointer<QObject> m_windowHandle;
    bool m_encodeFlag = true;
    int m_jobMode = 0;
    int m_progressColumn = 0;
    QDateTime m_startTime;
    QElapsedTimer m_clock;
    QString m_commandLine;
    std::int64_t m_processId = 0;

    std::unique_ptr<QObject> m_relay; // window-thread context of the window calls
    std::shared_ptr<EncodeSession> m_session;
    QPointer<TEncodeThread> m_thread;
    QList<QPointer<TEncodeThread>> m_threads; // every reader not yet deleted, for the destructor
    QByteArray m_partial[2];                  // an unfinished last line per pipe
    std::optional<std::int32_t> m_lastProgress;
    QString m_lastMessage;  // the last output line that was no progress line
    int m_lastExitCode = 0; // of the run that ended last
    QString m_lastElapsed;
    QString m_lastEstimated;
};
