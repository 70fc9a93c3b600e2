#include "EncoderTestKit.h"

#include "common/Messages.h"
#include "platform/ChildProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

bool RecordWindow::event(QEvent* event)
{
    if (event->type() != WM_PROCESSINFO) {
        return QObject::event(event);
    }
    records << static_cast<ProcessInfoEvent*>(event)->info();
    if (m_loop != nullptr && m_done && m_done()) {
        m_loop->quit();
    }
    return true;
}

void RecordWindow::waitUntil(const std::function<bool()>& done)
{
    if (done()) {
        return;
    }
    QEventLoop loop;
    m_loop = &loop;
    m_done = done;
    loop.exec();
    m_loop = nullptr;
    m_done = nullptr;
}

void RecordWindow::waitForFinal()
{
    waitUntil([this] { return !finals().isEmpty(); });
}

QList<TProcessInfo> RecordWindow::finals() const
{
    QList<TProcessInfo> result;
    for (const TProcessInfo& record : records) {
        if (record.Progress >= ProgressCode::Mp3Finished) {
            result << record;
        }
    }
    return result;
}

QList<int> RecordWindow::progressValues() const
{
    QList<int> result;
    for (const TProcessInfo& record : records) {
        if (record.Progress <= 100) {
            result << record.Progress;
        }
    }
    return result;
}

EnvironmentOverride::EnvironmentOverride(const char* name, const QByteArray& value) : m_name(name)
{
    if (qEnvironmentVariableIsSet(name)) {
        m_old = qgetenv(name);
    }
    qputenv(name, value);
}

EnvironmentOverride::~EnvironmentOverride()
{
    if (m_old) {
        qputenv(m_name, *m_old);
    } else {
        qunsetenv(m_name);
    }
}

ToolRun runTool(const QString& program, const QStringList& arguments)
{
    // Through the program's own child process layer rather than QProcess: Qt starts children
    // with a clone the thread sanitizer does not know, after which it ends the test program
    // at the next thread start.
    ToolRun run;
    ChildProcess child;
    if (child.start(program, arguments) != 0) {
        return run;
    }
    child.closeInput();
    // The probes run here say little on their error stream, so reading the output first
    // cannot leave the child blocked on a full error pipe.
    run.output = child.readAll(ChildProcess::Stream::Output);
    run.error = child.readAll(ChildProcess::Stream::Error);
    child.waitForExit(-1);
    run.exitCode = child.exitCode();
    return run;
}

std::optional<ProbeResult> probe(const QString& path)
{
    const ToolRun run =
        runTool(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-of"), QStringLiteral("json"),
                 QStringLiteral("-show_format"), QStringLiteral("-show_streams"), QStringLiteral("-show_entries"),
                 QStringLiteral("packet=size"), path});
    if (run.exitCode != 0) {
        return std::nullopt;
    }
    const QJsonObject root = QJsonDocument::fromJson(run.output).object();
    ProbeResult result;
    result.format = root.value(QStringLiteral("format")).toObject();
    for (const QJsonValue& stream : root.value(QStringLiteral("streams")).toArray()) {
        if (stream.toObject().value(QStringLiteral("codec_type")).toString() == QStringLiteral("audio")) {
            result.stream = stream.toObject();
            break;
        }
    }
    double bytes = 0;
    for (const QJsonValue& packet : root.value(QStringLiteral("packets")).toArray()) {
        bytes += packet.toObject().value(QStringLiteral("size")).toString().toDouble();
    }
    const double duration = result.format.value(QStringLiteral("duration")).toString().toDouble();
    if (duration > 0) {
        result.packetBitRate = bytes * 8 / duration;
    }
    if (result.stream.isEmpty()) {
        return std::nullopt;
    }
    return result;
}

QString builtWmaEncoder()
{
    return QStringLiteral(TARNWICK_BINARY_DIR "/wmaenc");
}

FileHolder::FileHolder(const QString& path) : m_child(std::make_unique<ChildProcess>())
{
    // The shell opens the file, says so, and keeps it until its input closes.
    const int error = m_child->start(
        QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exec 3<>\"$0\" && echo ready && read x"), path});
    if (error != 0) {
        return;
    }
    while (m_child->bytesAvailable(ChildProcess::Stream::Output) <= 0 && m_child->isRunning()) {
        m_child->waitForActivity(-1);
    }
    m_holding = m_child->read(ChildProcess::Stream::Output, 64).startsWith("ready");
}

FileHolder::~FileHolder()
{
    m_child->closeInput();
    m_child->waitForExit(-1);
}

bool writeScript(const QString& path, const QString& body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    file.write("#!/bin/sh\n" + body.toLocal8Bit() + "\n");
    file.close();
    return file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeUser);
}
