#pragma once

#include "app/PlaybackCommands.h"
#include "cd/CDRecords.h"
#include "skins/SchemePictures.h"

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
class DriveTray;
class HistoryCommands;
class JobCommands;
class ToolCommands;
class TrayCommands;
class TMp3EncodeProcess;
class TWMAEncodeProcess;
class WindowLookup;

// The main window: the tracks of the disc in the drive as a checklist, the commands in
// menus, a toolbar and the list's pop-up menu, and the drive's state in the status bar.
// The commands themselves live in classes of their own; the window builds the menus and
// hands each command on.
class TMainForm : public QMainWindow
{
    Q_OBJECT
public:
    // Options for tests: where the files live, and the services the commands use (empty
    // factories give the system's own).
    struct Setup
    {
        QString settingsPath; // empty: options.ini in the program folder
        QString discInfoPath; // empty: cdinfo.dat in the program folder
        QString keyStorePath; // empty: the user's key store
        bool watchDevices = true;
        PlaybackCommands::DeviceFactory cdAudio;
        std::function<std::unique_ptr<DriveTray>()> driveTray;
        std::function<std::unique_ptr<WindowLookup>()> windowLookup;
    };

    explicit TMainForm(QWidget* parent = nullptr);
    TMainForm(const Setup& setup, QWidget* parent = nullptr);
    ~TMainForm() override;

    CDHandle driveHandle() const { return m_driveHandle; }
    void setDriveHandle(CDHandle handle) { m_driveHandle = handle; }
    QString driveDescription() const { return m_driveDescription; }
    void setDriveDescription(const QString& text) { m_driveDescription = text; }
    bool noDisc() const { return m_noDisc; }
    QString settingsPath() const;
    QString discInfoPath() const;

    // Opens drive `index` of the drive list and returns its handle (0 when none); the
    // status bar tells the drive or the problem.
    CDHandle openDrive(int index);
    // Reads the table of contents into the list (unchecked rows).
    void fillTrackList();
    void setAllChecked(bool checked);
    int checkedCount() const;
    // The selected row, or -1.
    int selectedRow() const;

    QTreeWidget* trackList() const { return m_trackList; }
    QToolBar* toolBar() const { return m_toolBar; }
    QString statusText() const;
    void setStatusText(const QString& text);

    // Window handlers, public so the commands can be driven directly.
    void FormCreate();
    void FormShow();
    void FormActivate();
    void ActionRefreshExecute();
    void ActionSelectAllExecute();
    void ActionSelectNoneExecute();
    void ActionExtractExecute();
    void ActionOptionsExecute();
    void ChangeSkin(int scheme);
    void VolumeArrived();
    void VolumeRemoved();

    TMp3EncodeProcess* mp3EncodeProcess() const { return m_mp3.get(); }
    TWMAEncodeProcess* wmaEncodeProcess() const { return m_wma.get(); }
    PlaybackCommands* playback() const { return m_playback.get(); }
    bool playing() const { return m_playback->playing(); }
    bool paused() const { return m_playback->paused(); }

    // Connects a command to its handler and enables it (subject to the enabling rules
    // of Extract, Play, Pause, Stop, Rename Title and Query Freedb). A command without
    // a handler stays disabled.
    void attach(QAction* action, std::function<void()> handler);
    void updateActions();

    // Every command, in menu order.
    QAction* ActionWavToWav = nullptr;
    QAction* ActionWavToMp3 = nullptr;
    QAction* ActionMp3ToWav = nullptr;
    QAction* ActionWavToOgg = nullptr;
    QAction* ActionWavToWma = nullptr;
    QAction* ActionWavToFlac = nullptr;
    QAction* ActionOpenOutput = nullptr;
    QAction* ActionRefresh = nullptr;
    QAction* ActionEject = nullptr;
    QAction* ActionCloseTray = nullptr;
    QList<QAction*> SkinActions; // schemes 0 to 5
    // The actions that show a picture, and which.
    QList<std::pair<QAction*, SchemePictures::Picture>> m_pictures;
    QAction* ActionExit = nullptr;
    QAction* ActionExtract = nullptr;
    QAction* ActionRecord = nullptr;
    QAction* ActionOggPlayer = nullptr;
    QAction* ActionPlay = nullptr;
    QAction* ActionPause = nullptr;
    QAction* ActionStop = nullptr;
    QAction* ActionVolumeControl = nullptr;
    QAction* ActionClearRealOne = nullptr;
    QAction* ActionClearMediaPlayer = nullptr;
    QAction* ActionSelectAll = nullptr;
    QAction* ActionSelectNone = nullptr;
    QAction* ActionQueryFreedb = nullptr;
    QAction* ActionEditTrackName = nullptr;
    QAction* ActionID3Edit = nullptr;
    QAction* ActionOptions = nullptr;
    QAction* ActionHelp = nullptr;
    QAction* ActionTip = nullptr;
    QAction* ActionHomePage = nullptr;
    QAction* ActionAbout = nullptr;

    // Runs before the settings are written on close (the job windows end a running
    // encoder here).
    std::function<void()> beforeClose;

    // The user or the system asked the program to end (a stop signal): as File > Exit,
    // after a running job was stopped and every window over this one was closed. The
    // window closes even when saving fails; exitCode() then tells so.
    void closeOnRequest();
    int exitCode() const { return m_exitCode; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The no-disc message, with the reason when the drive knows it (a disc image whose
    // data file is missing).
    QString noDiscText() const;
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void setMenuPictures(QMenu* menu);
    void buildTrackList();
    void attachCommands();
    // The close steps; false when a save failed and the window must stay open.
    bool saveOnClose();
    // Closes the windows over this one, innermost first, then this one.
    void closeWindowsOnRequest();

    Setup m_setup;
    CDHandle m_driveHandle = 0;
    QString m_driveDescription;
    bool m_noDisc = false;
    bool m_shown = false;
    bool m_activated = false;
    bool m_closingOnRequest = false;
    int m_exitCode = 0;

    QToolBar* m_toolBar = nullptr;
    QTreeWidget* m_trackList = nullptr;
    QLabel* m_status = nullptr;
    std::unique_ptr<DeviceMonitor> m_deviceMonitor;
    std::unique_ptr<TMp3EncodeProcess> m_mp3;
    std::unique_ptr<TWMAEncodeProcess> m_wma;
    std::unique_ptr<JobCommands> m_jobs;
    std::unique_ptr<PlaybackCommands> m_playback;
    std::unique_ptr<TrayCommands> m_tray;
    std::unique_ptr<ToolCommands> m_tools;
    std::unique_ptr<HistoryCommands> m_history;
};
