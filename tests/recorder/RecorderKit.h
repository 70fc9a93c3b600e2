#pragma once

#include "cd/CDRecords.h"
#include "platform/PcmWave.h"
#include "platform/ScriptedPrompt.h"
#include "support/ScriptedSound.h"
#include "support/TempFolder.h"

#include <QDateTime>
#include <memory>
#include <vector>

class TMp3EncodeProcess;
class TWMAEncodeProcess;
class TfrmRecord;

// A program folder, default settings, a scripted prompt and microphone, and a recorder
// window on a clock the test moves. The new-file dialog answers with `newFormat`; the
// job window runs to its end.
class RecorderKit
{
public:
    // sound: null leaves the audio service as it is (a test may install SDL's).
    explicit RecorderKit(std::shared_ptr<WaveAudio> sound = std::make_shared<ScriptedSound>(), CDHandle drive = 0);
    ~RecorderKit();

    QString home(const QString& name) const { return dir.file(QStringLiteral("home/") + name); }
    QString file(const QString& name) const { return dir.file(name); }
    ScriptedSound& microphone() const { return static_cast<ScriptedSound&>(*sound); }

    // "New..." answered with OK in `format`.
    void newFile(const PcmFormat& format);
    // Record for `milliseconds` of the clock, delivering `bytes` meanwhile (nothing when
    // empty), showing the clock once at the end, then Stop.
    void record(int milliseconds, const QByteArray& bytes);
    // The messages shown since the last call.
    QStringList takeMessages();
    bool enabled(int button) const;

    TempFolder dir;
    std::shared_ptr<ScriptedPrompt> prompt;
    std::shared_ptr<WaveAudio> sound;
    std::unique_ptr<TMp3EncodeProcess> mp3;
    std::unique_ptr<TWMAEncodeProcess> wma;
    std::unique_ptr<TfrmRecord> form;
    PcmFormat newFormat{8000, 1, 8};
    QDateTime clock = QDateTime(QDate(2026, 1, 2), QTime(10, 0));
    std::vector<int> waits;

private:
    int m_seenMessages = 0;
};

// Bytes that never hold a frame of silence.
QByteArray soundBytes(qsizetype bytes, int seed);
