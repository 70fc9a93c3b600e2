#pragma once

#include "common/TProcessInfo.h"

#include <QByteArray>
#include <QEventLoop>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

// Stands in for the job window: keeps every WM_PROCESSINFO record it receives, in order.
class RecordWindow : public QObject
{
public:
    QList<TProcessInfo> records;

    // Runs the event loop until `done` holds (checked after every record).
    void waitUntil(const std::function<bool()>& done);
    // Until a final record (an event code of 2000 or more) has arrived.
    void waitForFinal();
    QList<TProcessInfo> finals() const;
    QList<int> progressValues() const;

protected:
    bool event(QEvent* event) override;

private:
    QEventLoop* m_loop = nullptr;
    std::function<bool()> m_done;
};

// Sets an environment variable for the life of the object, then restores it.
class EnvironmentOverride
{
public:
    EnvironmentOverride(const char* name, const QByteArray& value);
    ~EnvironmentOverride();
    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_old;
};

struct ToolRun
{
    int exitCode = -1;
    QByteArray output;
    QByteArray error;
};
ToolRun runTool(const QString& program, const QStringList& arguments);

// ffprobe's view of a file: "format" and the first audio "stream" objects, and the audio
// bit rate measured from the packet sizes; empty when ffprobe cannot read it.
struct ProbeResult
{
    QJsonObject format;
    QJsonObject stream;
    double packetBitRate = 0;
};
std::optional<ProbeResult> probe(const QString& path);

// Our wmaenc as built beside the program.
QString builtWmaEncoder();

class ChildProcess;

// Another process that holds a file open for reading and writing until destroyed.
class FileHolder
{
public:
    explicit FileHolder(const QString& path);
    ~FileHolder();
    FileHolder(const FileHolder&) = delete;
    FileHolder& operator=(const FileHolder&) = delete;
    bool isHolding() const { return m_holding; }

private:
    std::unique_ptr<ChildProcess> m_child;
    bool m_holding = false;
};

// Makes `path` an executable shell script with `body` after the "#!/bin/sh" line.
bool writeScript(const QString& path, const QString& body);
