#pragma once

#include "cd/CDRecords.h"
#include "recorder/TMediaBar.h"

#include <QDateTime>
#include <QDialog>
#include <functional>
#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QSlider;
class QTimer;
class TAfStartButton;
class TMp3EncodeProcess;
class TWMAEncodeProcess;
class WaveAudioDevice;

// The sound recorder: records from the sound card into WAV files, plays them, saves them,
// undoes changes since the last save, and can turn each saved recording into an MP3 file
// beside it. A new recording lives in "MyNoName.wav" until it is saved under a name; an
// opened file is edited in the working copy "MyTemp.wav" and changes only when saved.
class TfrmRecord : public QDialog
{
    Q_OBJECT
public:
    // The drive handle and the encoders are the main window's, for the MP3 step.
    TfrmRecord(QWidget* owner, CDHandle driveHandle, TMp3EncodeProcess* mp3, TWMAEncodeProcess* wma);
    ~TfrmRecord() override;

    // Test hooks: the clock of the recording time; the wait before a recording stops,
    // during which the device goes on recording (by default a local event loop on a
    // timer, so the window keeps drawing); the desktop's mixer, false when none exists.
    std::function<QDateTime()> now;
    std::function<void(int milliseconds)> recordWait;
    std::function<bool()> openMixer;

    // Window handlers.
    void FormCreate();
    void FormClose();
    void MediaPlayer1Click(TMediaBar::Button button);
    void Timer1Timer();
    void TimerRecordTimer();
    void suitempTrackBar1Change();
    void miNewClick();
    void miOpenClick();
    void actSaveExecute();
    void actSaveAsExecute();
    void actUndoExecute();
    void actSaveUpdate();
    void actUndoUpdate();
    void miRecordOptionSetClick();
    void pmExitClick();
    void lWebClick();

    QString currentFile() const { return m_currentFile; }
    QString workingCopy() const { return m_workingCopy; }
    QString unnamedFile() const;
    bool isModified() const { return m_modified; }
    bool mp3PromptDone() const { return m_mp3PromptDone; }
    int lastMillisecondPart() const { return m_lastMsPart; }
    WaveAudioDevice& device() const { return *m_device; }

    QGroupBox* GroupBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lbPosition = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* lbLength = nullptr;
    QLabel* panRecordTime = nullptr;
    QLabel* lbState = nullptr;
    QSlider* TrackBar1 = nullptr;
    TMediaBar* MediaPlayer1 = nullptr;
    TAfStartButton* AfStartButton1 = nullptr;
    QLabel* lWeb = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* TimerRecord = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* miNew = nullptr;
    QAction* miOpen = nullptr;
    QAction* actSave = nullptr;
    QAction* actSaveAs = nullptr;
    QAction* actUndo = nullptr;
    QAction* miRecordOptionSet = nullptr;
    QAction* miSaveMp3 = nullptr;
    QAction* pmExit = nullptr;

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    enum class ButtonSet { None, RecordOnly, Idle, AtEnd, AtStart, Playing, Recording };

    void buildWindow();
    void buildMenu();
    void setButtons(ButtonSet set);
    void setState(const QString& text);
    bool isUnnamed() const;
    std::int64_t sliderTime() const;
    void showRecordClock();
    // Step 2 of Stop: the wait, the clock, the idle set and the save of a recording.
    void stopReaction();
    void recordingLost();

    // File handling (TfrmRecordFiles.cpp).
    bool saveCurrentRecording(bool ask);
    bool saveUnnamed();
    void openForEditing(const QString& path);
    bool reopenDevice(const QString& path);
    void mp3Step();
    QString runSaveDialog();
    bool isWavName(const QString& path);
    bool confirmOverwrite(const QString& path);
    void resetTexts();
    void closeLater();

    CDHandle m_driveHandle;
    TMp3EncodeProcess* m_mp3;
    TWMAEncodeProcess* m_wma;
    std::unique_ptr<WaveAudioDevice> m_device;
    QString m_currentFile;
    QString m_workingCopy;
    bool m_modified = false;
    bool m_mp3PromptDone = false;
    std::int64_t m_playClock = 0;
    QDateTime m_recordStart;
    int m_lastMsPart = 0;
    bool m_stopping = false;
    bool m_closeRequested = false;
    bool m_closed = false;
};
