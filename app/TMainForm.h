#pragma once

#include "cd/CDRecords.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class DeviceMonitor;
class JobCommands;
class TMp3EncodeProcess;
class TWMAEncodeProcess;

// The main window: the tracks of the disc in the drive as a checklist, the commands in
// menus and a toolbar, and the drive's state in the status bar.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    // Options for tests: where the settings live and whether to watch devices.
    struct Setup
    {
        QString settingsPath; // empty: options.ini in the program folder
        QString discInfoPath; // empty: cdinfo.dat in the program folder
        bool watchDevices = true;
    };

    explicit TMainForm(QWidget* parent = nullptr);
    TMainForm(const Setup& setup, QWidget* parent = nullptr);
    ~TMainForm() override;

    CDHandle driveHandle() const { return m_driveHandle; }
    void setDriveHandle(CDHandle handle) { m_driveHandle = handle; }
    QString driveDescription() const { return m_driveDescription; }
    void setDriveDescription(const QString& text) { m_driveDescription = text; }
    bool noDisc() const { return m_noDisc; }

    // Opens drive `index` of the drive list and returns its handle (0 when none); the
    // status bar tells the drive or the problem.
    CDHandle openDrive(int index);
    // Reads the table of contents into the list (unchecked rows).
    void fillTrackList();
    void setAllChecked(bool checked);
    int checkedCount() const;

    QTreeWidget* trackList() const { return m_trackList; }
    QString statusText() const;
    void setStatusText(const QString& text);

    // Window handlers, public so the commands can be driven directly.
    void FormCreate();
    void FormShow();
    void FormActivate();
    void ActionRefreshExecute();
    void ActionSelectAllExecute();
    void ActionSelectNoneExecute();
    void ActionOpenOutputExecute();
    void ActionTipExecute();
    void ActionHomePageExecute();
    void ActionHelpExecute();
    void ChangeSkin(int scheme);
    void VolumeArrived();
    void VolumeRemoved();
    void ActionExtractExecute();
    void ActionOptionsExecute();
    void aEditTrackNameExecute();
    void aID3EditExecute();
    void ActionQueryFreedbExecute();
    void miWAVtoWAVClick();
    void ActionAboutExecute();
    void miOggPlayerClick();

    TMp3EncodeProcess* mp3EncodeProcess() const { return m_mp3.get(); }
    TWMAEncodeProcess* wmaEncodeProcess() const { return m_wma.get(); }
    bool playing() const { return m_playing; }
    void setPlaying(bool playing) { m_playing = playing; }

    // Commands provided by the job and tool windows are attached here by the program.
    QAction* ActionExtract = nullptr;
    QAction* ActionWavToMp3 = nullptr;
    QAction* ActionMp3ToWav = nullptr;
    QAction* ActionWavToOgg = nullptr;
    QAction* ActionWavToWma = nullptr;
    QAction* ActionWavToWav = nullptr;
    QAction* ActionRecord = nullptr;
    QAction* ActionOggPlayer = nullptr;
    QAction* ActionQueryFreedb = nullptr;
    QAction* ActionOptions = nullptr;
    QAction* ActionEditTrackName = nullptr;
    QAction* ActionID3Edit = nullptr;
    QAction* ActionAbout = nullptr;
    QAction* ActionExit = nullptr;

    // Runs before the settings are written on close (the job windows end a running
    // encoder here).
    std::function<void()> beforeClose;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void buildTrackList();
    void attachJobCommands();
    void stopPlayback();
    void updateActions();
    // The close steps; false when a save failed and the window must stay open.
    bool saveOnClose();
    QString settingsPath() const;
    QString discInfoPath() const;

    Setup m_setup;
    CDHandle m_driveHandle = 0;
    QString m_driveDescription;
    bool m_noDisc = false;
    bool m_playing = false;
    bool m_paused = false;
    bool m_shown = false;
    bool m_activated = false;

    QToolBar* m_toolBar = nullptr;
    QTreeWidget* m_trackList = nullptr;
    QLabel* m_status = nullptr;
    QMenu* m_skinMenu = nullptr;
    QList<QAction*> m_skinActions;
    QAction* m_actionRefresh = nullptr;
    QAction* m_actionSelectAll = nullptr;
    QAction* m_actionSelectNone = nullptr;
    std::unique_ptr<DeviceMonitor> m_deviceMonitor;
    std::unique_ptr<TMp3EncodeProcess> m_mp3;
    std::unique_ptr<TWMAEncodeProcess> m_wma;
    std::unique_ptr<JobCommands> m_jobs;
};
