#pragma once

#include "cli/ItemEncoder.h"

#include <QElapsedTimer>
#include <QTimer>
#include <memory>

class TMp3EncodeProcess;
class TWMAEncodeProcess;

// MP3 encoding (or decoding) through the same encoder process and command line as the job
// window. `jobMode` decides, as there, whether an existing output is asked about.
class Mp3ItemEncoder : public ItemEncoder
{
    Q_OBJECT

public:
    Mp3ItemEncoder(int jobMode, bool encode, QObject* parent = nullptr);
    ~Mp3ItemEncoder() override;

    void start(const QString& input, const QString& output) override;
    void cancel() override;
    QString step() const override;

protected:
    bool event(QEvent* event) override;

private:
    class Process;

    int m_jobMode;
    bool m_encode;
    bool m_worked = false;
    QString m_output;
    std::unique_ptr<Process> m_process;
};

// WMA encoding through our own encoder, as the job window runs it. The encoder reports
// only its end, so the percentage is estimated from the output's growth.
class WmaItemEncoder : public ItemEncoder
{
    Q_OBJECT

public:
    explicit WmaItemEncoder(int jobMode, QObject* parent = nullptr);
    ~WmaItemEncoder() override;

    void start(const QString& input, const QString& output) override;
    void cancel() override;
    QString step() const override;

protected:
    bool event(QEvent* event) override;

private:
    void estimate();

    int m_jobMode;
    bool m_worked = false;
    QString m_output;
    std::int64_t m_inputSize = -1;
    QElapsedTimer m_clock;
    QTimer m_timer;
    std::unique_ptr<TWMAEncodeProcess> m_process;
};
