#include "cli/ProcessEncoders.h"

#include "common/Messages.h"
#include "encoders/TMp3EncodeProcess.h"
#include "encoders/TWMAEncodeProcess.h"
#include "jobs/core/JobEncoders.h"
#include "jobs/core/WmaEstimate.h"
#include "platform/Files.h"
#include "settings/TSettings.h"

namespace {

const TProcessInfo* recordOf(QEvent* event)
{
    return event->type() == WM_PROCESSINFO ? &static_cast<ProcessInfoEvent*>(event)->info() : nullptr;
}

QString withReason(const QString& text, const QString& reason)
{
    return reason.isEmpty() ? text : text + QStringLiteral(": ") + reason;
}

} // namespace

// Keeps the encoder's last line that was not a progress line: when it fails, that line
// says why ("Could not find ...", "Unsupported ...").
class Mp3ItemEncoder::Process : public TMp3EncodeProcess
{
public:
    using TMp3EncodeProcess::TMp3EncodeProcess;
    QString lastLine;

protected:
    void parseLine(const QString& line) override
    {
        int column = progressColumn();
        const bool progress =
            encodeFlag() ? parseEncodeLine(line, column).has_value() : parseDecodeLine(line, column, 0).has_value();
        if (!progress && !line.contains(QLatin1Char('%'))) {
            lastLine = line.trimmed();
        }
        TMp3EncodeProcess::parseLine(line);
    }
};

Mp3ItemEncoder::Mp3ItemEncoder(int jobMode, bool encode, QObject* parent)
    : ItemEncoder(parent), m_jobMode(jobMode), m_encode(encode), m_process(std::make_unique<Process>())
{
}

Mp3ItemEncoder::~Mp3ItemEncoder() = default;

QString Mp3ItemEncoder::step() const
{
    return m_encode ? QStringLiteral("encoding") : QStringLiteral("decoding");
}

void Mp3ItemEncoder::start(const QString& input, const QString& output)
{
    m_output = output;
    armEncoder(*m_process, input, output, this, m_encode, m_jobMode);
    try {
        m_process->start();
        if (m_process->processId() != 0) {
            markTouched();
        }
    } catch (const std::exception& error) {
        finishLater(false, QString::fromUtf8(error.what()));
    }
}

void Mp3ItemEncoder::cancel()
{
    markCancelled();
    m_process->stop(0);
}

bool Mp3ItemEncoder::event(QEvent* event)
{
    const TProcessInfo* record = recordOf(event);
    if (record == nullptr) {
        return ItemEncoder::event(event);
    }
    if (record->Progress >= 1 && record->Progress <= 100) {
        m_worked = true;
        reportProgress(record->Progress);
    } else if (record->Progress == ProgressCode::Mp3Finished) {
        m_process->stop(0);
        if (record->Status == 0) {
            finishLater(false, m_output + QStringLiteral(" exists (give --overwrite to replace it)"));
        } else if (record->Status == 1) {
            finishLater(false, m_output + QStringLiteral(" is in use by another program"));
        } else if (record->Status == TEncodeProcess::StatusFailed && m_worked) {
            // lame ended with an error after encoding for a while (a full disk, say): what it
            // wrote is no whole encoding.
            finishLater(false,
                        QStringLiteral("could not write ") + m_output + QStringLiteral(": ") + record->ElapsedText);
        } else if (!m_worked) {
            finishLater(false, withReason(m_encode ? QStringLiteral("lame ended without encoding")
                                                   : QStringLiteral("lame ended without decoding"),
                                          m_process->lastLine));
        } else if (Files::size(m_output) <= 0) {
            finishLater(false, withReason(QStringLiteral("lame wrote no ") + m_output, m_process->lastLine));
        } else {
            finishLater(true, QString());
        }
    }
    return true;
}

WmaItemEncoder::WmaItemEncoder(int jobMode, QObject* parent)
    : ItemEncoder(parent), m_jobMode(jobMode), m_process(std::make_unique<TWMAEncodeProcess>())
{
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &WmaItemEncoder::estimate);
}

WmaItemEncoder::~WmaItemEncoder() = default;

QString WmaItemEncoder::step() const
{
    return QStringLiteral("encoding");
}

void WmaItemEncoder::start(const QString& input, const QString& output)
{
    m_output = output;
    if (TWMAEncodeProcess::findEncoder().isEmpty()) {
        finishLater(false,
                    QStringLiteral("no WMA encoder (%1) beside the program").arg(TWMAEncodeProcess::EncoderName));
        return;
    }
    m_inputSize = Files::size(input);
    m_clock.start();
    m_timer.start();
    armEncoder(*m_process, input, output, this, true, m_jobMode);
    try {
        m_process->start();
        if (m_process->processId() != 0 || m_worked) {
            markTouched();
        }
    } catch (const std::exception& error) {
        finishLater(false, QString::fromUtf8(error.what()));
    }
}

void WmaItemEncoder::cancel()
{
    markCancelled();
    m_timer.stop();
    m_process->stop(0);
}

void WmaItemEncoder::estimate()
{
    const auto tick = WmaEstimate::compute(m_clock.elapsed() / 1000, m_inputSize, Files::size(m_output),
                                           std::clamp(settings().WMABitRate, 0, TWMAEncodeProcess::ProfileCount - 1));
    if (tick) {
        // The estimate only guides the eye; the encoder's own 100% is what counts.
        reportProgress(std::min(tick->gauge, 99));
    }
}

bool WmaItemEncoder::event(QEvent* event)
{
    const TProcessInfo* record = recordOf(event);
    if (record == nullptr) {
        return ItemEncoder::event(event);
    }
    if (record->Progress == 100) {
        m_worked = true;
        reportProgress(100);
    } else if (record->Progress == ProgressCode::WmaFinished) {
        m_timer.stop();
        m_process->stop(0);
        if (record->Status == 8 || record->Status == TEncodeProcess::StatusFailed) {
            finishLater(false, record->ElapsedText.trimmed());
        } else if (record->Status == 0) {
            finishLater(false, m_output + QStringLiteral(" exists (give --overwrite to replace it)"));
        } else if (record->Status == 1) {
            finishLater(false, m_output + QStringLiteral(" is in use by another program"));
        } else if (!m_worked || Files::size(m_output) <= 0) {
            finishLater(false, QStringLiteral("the WMA encoder ended without finishing ") + m_output);
        } else {
            finishLater(true, QString());
        }
    }
    return true;
}
