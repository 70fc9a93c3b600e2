#include "encoders/TEncodeProcess.h"

#include "common/Messages.h"
#include "common/Rounding.h"
#include "encoders/EEncodeError.h"
#include "encoders/EncodeSession.h"
#include "encoders/TEncodeThread.h"
#include "platform/Files.h"
#include "platform/Prompt.h"

#include <QFileInfo>
#include <QObject>
#include <QRegularExpression>
#include <system_error>

TEncodeProcess::TEncodeProcess(QObject* windowHandle) : m_windowHandle(windowHandle), m_relay(new QObject) {}

TEncodeProcess::~TEncodeProcess()
{
    if (m_active) {
        stop(0);
    }
    stopSession(0);
    // A stopped reader leaves its loop within one idle wait; none may outlive the object
    // whose window calls it queues.
    for (const QPointer<TEncodeThread>& thread : std::as_const(m_threads)) {
        if (thread) {
            thread->wait();
            delete thread.data();
        }
    }
}

bool TEncodeProcess::isRunning() const
{
    return m_session != nullptr;
}

void TEncodeProcess::start()
{
    // A run the job window never stopped is ended first, so two runs never report at once.
    stopSession(0);
    m_thread = nullptr;
    m_threads.removeAll(nullptr);
    m_commandLine.clear();
    m_partial[0].clear();
    m_partial[1].clear();
    m_lastProgress.reset();
    m_lastMessage.clear();
    m_lastExitCode = 0;

    if (asksBeforeOverwrite() && Files::exists(m_outputFile)) {
        if (Prompt::instance().question(m_outputFile + QStringLiteral(" has existed,overite it?")) !=
            Prompt::Answer::Yes) {
            deliverEnd(0);
            return;
        }
        if (Files::isInUse(m_outputFile)) {
            deliverEnd(1);
            return;
        }
    }

    const std::optional<EncoderCommand> command = prepareCommand();
    if (!command) {
        return;
    }
    m_progressColumn = 0;
    auto child = std::make_unique<ChildProcess>();
    const int error = child->start(command->program(), command->arguments());
    if (error != 0) {
        // The number alone tells the user nothing; the system's word for it does.
        const QString reason = QString::fromStdString(std::error_code(error, std::generic_category()).message());
        throw EEncodeError(startErrorText() + QString::number(error) + QStringLiteral(" (") +
                           QFileInfo(command->program()).fileName() + QStringLiteral(": ") + reason + QLatin1Char(')'));
    }
    m_commandLine = command->text();
    m_processId = child->pid();
    m_startTime = QDateTime::currentDateTime();
    m_clock.start();
    m_session = std::make_shared<EncodeSession>(m_relay.get(), std::move(child));
    m_thread = createThread(m_session);
    m_threads << m_thread;
    m_thread->start();
}

void TEncodeProcess::stop(int exitCode)
{
    if (!m_active) {
        return;
    }
    m_active = false;
    stopSession(exitCode);
}

void TEncodeProcess::readPipe(ChildProcess::Stream stream, int count)
{
    if (!m_session) {
        return;
    }
    QByteArray data;
    const int error = m_session->read(stream, count, data);
    if (error != 0) {
        // The reader ends; the child stays until Stop ends it.
        m_session->stop();
        m_thread = nullptr;
        throw EEncodeError((stream == ChildProcess::Stream::Output ? QStringLiteral("Error reading STDOUT pipe : ")
                                                                   : QStringLiteral("Error reading STDERR pipe : ")) +
                           QString::number(error));
    }
    parseText(stream, data, false);
}

void TEncodeProcess::processEnded()
{
    const std::shared_ptr<EncodeSession> session = m_session;
    if (!session) {
        return;
    }
    // The last line may have come without a line break.
    parseText(ChildProcess::Stream::Output, {}, true);
    parseText(ChildProcess::Stream::Error, {}, true);
    if (m_session != session) {
        return; // the parser finished this run itself (and the window may have started another)
    }
    const std::optional<int> exitCode = session->exitCode();
    m_lastExitCode = exitCode.value_or(0);
    stopSession(0);
    // An encoder that could not write its output (a full disk) says so only by its exit
    // code; its file is then not a whole encoding.
    deliverEnd(m_lastExitCode != 0 ? StatusFailed : StatusEnded);
}

QString TEncodeProcess::startErrorText() const
{
    return QStringLiteral("Error while creating mp3 encoding process!");
}

void TEncodeProcess::postProgress(std::int32_t progress, const QString& elapsed, const QString& estimated)
{
    if (m_lastProgress == progress && m_lastElapsed == elapsed && m_lastEstimated == estimated) {
        return;
    }
    m_lastProgress = progress;
    m_lastElapsed = elapsed;
    m_lastEstimated = estimated;
    tarnwick::postProcessInfo(m_windowHandle, progress, elapsed, estimated, 0);
}

QString TEncodeProcess::failureText() const
{
    return m_lastMessage.isEmpty() ? QStringLiteral("the encoder ended with exit code %1").arg(m_lastExitCode)
                                   : m_lastMessage;
}

std::int64_t TEncodeProcess::elapsedSeconds() const
{
    return tarnwick::roundHalfEven(static_cast<double>(m_clock.elapsed()) / 1000.0);
}

void TEncodeProcess::finishRun(int exitCode)
{
    stopSession(exitCode);
}

void TEncodeProcess::parseText(ChildProcess::Stream stream, const QByteArray& bytes, bool final)
{
    // Output arrives in pieces of whatever size the pipe held; a line cut in two would be
    // misread, so an unfinished last line waits for the rest.
    QByteArray& partial = m_partial[stream == ChildProcess::Stream::Output ? 0 : 1];
    partial += bytes;
    qsizetype end = partial.size();
    if (!final) {
        while (end > 0 && partial[end - 1] != '\r' && partial[end - 1] != '\n') {
            --end;
        }
    }
    if (end == 0) {
        return;
    }
    const QByteArray text = partial.left(end);
    partial.remove(0, end);

    // CR LF, LF and CR all end a line.
    // A record sent to the window may make it stop this run or start the next one; the
    // rest of the text then belongs to nobody.
    const std::shared_ptr<EncodeSession> session = m_session;
    const char* data = text.constData();
    qsizetype begin = 0;
    while (begin < text.size() && session && m_session == session) {
        qsizetype stop = begin;
        while (stop < text.size() && data[stop] != '\r' && data[stop] != '\n') {
            ++stop;
        }
        if (stop > begin) {
            const QString line = QString::fromLocal8Bit(data + begin, stop - begin);
            if (!line.trimmed().isEmpty()) {
                if (!line.contains(QLatin1Char('%'))) {
                    // What follows the last terminal control sequence is the message; the
                    // rest redraws the encoder's progress display.
                    static const QRegularExpression control(QStringLiteral("\x1b\\[[0-9;]*[A-Za-z]"));
                    const QStringList parts = line.split(control);
                    const QString message = parts.isEmpty() ? QString() : parts.last().trimmed();
                    if (!message.isEmpty()) {
                        m_lastMessage = message;
                    }
                }
                parseLine(line);
            }
        }
        begin = stop + 1;
    }
}

void TEncodeProcess::stopSession(int exitCode)
{
    m_thread = nullptr;
    m_processId = 0;
    if (!m_session) {
        return;
    }
    const std::shared_ptr<EncodeSession> session = std::move(m_session);
    session->stop();
    session->closeChild(exitCode);
}
