#include "recorder/RecorderKit.h"

#include "encoders/TMp3EncodeProcess.h"
#include "encoders/TWMAEncodeProcess.h"
#include "jobs/TRipForm.h"
#include "recorder/TfrmNewRecordFile.h"
#include "recorder/TfrmRecord.h"
#include "settings/TSettings.h"

#include <QComboBox>
#include <QDir>
#include <QRadioButton>
#include <QTimer>

QByteArray soundBytes(qsizetype bytes, int seed)
{
    QByteArray data(bytes, Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes; ++i) {
        data[i] = static_cast<char>(1 + (i * 37 + seed * 11) % 250);
    }
    return data;
}

RecorderKit::RecorderKit(std::shared_ptr<WaveAudio> audio, CDHandle drive)
    : prompt(std::make_shared<ScriptedPrompt>()), sound(std::move(audio))
{
    QDir(dir.path()).mkpath(QStringLiteral("home"));
    qputenv("TARNWICK_HOME", dir.file(QStringLiteral("home")).toUtf8());
    settings() = TSettings{};
    Prompt::install(prompt);
    if (sound) {
        WaveAudio::install(sound);
    }
    prompt->onWindow = [this](QObject* window) {
        if (auto* dialog = qobject_cast<TfrmNewRecordFile*>(window)) {
            const int rate = dialog->cbBitSamples->findText(QString::number(newFormat.sampleRate), Qt::MatchEndsWith);
            dialog->cbBitSamples->setCurrentIndex(rate);
            (newFormat.bitsPerSample == 8 ? dialog->rbBitNumber : dialog->RadioButton2)->setChecked(true);
            (newFormat.channels == 1 ? dialog->rbChannelNumber : dialog->RadioButton4)->setChecked(true);
        } else if (auto* job = qobject_cast<TRipForm*>(window)) {
            job->exec();
        }
    };
    mp3 = std::make_unique<TMp3EncodeProcess>();
    wma = std::make_unique<TWMAEncodeProcess>();
    form = std::make_unique<TfrmRecord>(nullptr, drive, mp3.get(), wma.get());
    form->now = [this] { return clock; };
    form->recordWait = [this](int milliseconds) { waits.push_back(milliseconds); };
}

RecorderKit::~RecorderKit()
{
    form.reset();
    mp3.reset();
    wma.reset();
    WaveAudio::install(nullptr);
    Prompt::install(nullptr);
    qunsetenv("TARNWICK_HOME");
}

void RecorderKit::newFile(const PcmFormat& format)
{
    newFormat = format;
    prompt->queueWindowResult(QDialog::Accepted);
    form->miNewClick();
}

void RecorderKit::record(int milliseconds, const QByteArray& bytes)
{
    form->MediaPlayer1Click(TMediaBar::btRecord);
    if (!bytes.isEmpty()) {
        microphone().deliver(bytes);
    }
    clock = clock.addMSecs(milliseconds);
    form->TimerRecordTimer();
    form->MediaPlayer1Click(TMediaBar::btStop);
}

QStringList RecorderKit::takeMessages()
{
    const QStringList all = prompt->messageTexts();
    const QStringList fresh = all.mid(m_seenMessages);
    m_seenMessages = static_cast<int>(all.size());
    return fresh;
}

bool RecorderKit::enabled(int button) const
{
    return form->MediaPlayer1->isButtonEnabled(static_cast<TMediaBar::Button>(button));
}
