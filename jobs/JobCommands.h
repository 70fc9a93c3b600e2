#pragma once

#include "cd/CDRecords.h"

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;
class TMp3EncodeProcess;
class TRipForm;
class TWMAEncodeProcess;

// The main window's commands that start conversion jobs: Extract for the checked tracks
// of the disc, and the file conversions of the File menu.
class JobCommands
{
public:
    struct Row
    {
        QString title;
        bool checked = false;
    };

    JobCommands(QWidget* mainWindow, TMp3EncodeProcess* mp3, TWMAEncodeProcess* wma);

    // One line per checked row: the two-digit row position (1-based) and the title.
    static QStringList extractList(const QList<Row>& rows);
    // Passes when OutputFolder exists; otherwise tells the user and fails.
    static bool outputFolderCheck();

    // playing: CD playback is on; stopPlayback ends it before the job starts.
    void ActionExtractExecute(CDHandle driveHandle, const QList<Row>& rows, bool playing,
                              const std::function<void()>& stopPlayback);
    void ActionWavToMp3Execute();
    void ActionMp3ToWavExecute();
    void ActionWavToOggExecute();
    void ActionWavToWmaExecute();
    void ActionWavToFlacExecute();

    // Called after a job with the line it ends on for the status bar (the AccurateRip
    // verdict of an extraction); never with an empty line.
    std::function<void(const QString&)> showStatus;

    // Opens the job window modally (through the prompt layer, so tests can drive it).
    // errorsShown: an error that ends the job's start is shown, else swallowed.
    void runJob(int mode, CDHandle driveHandle, const QStringList& items, bool errorsShown);
    // The program is being ended: a running job stops, keeping only whole files.
    void stopRunningJob();

private:
    void convertFiles(const QString& filter, int mode, bool errorsShown);

    QWidget* m_mainWindow;
    TMp3EncodeProcess* m_mp3;
    TWMAEncodeProcess* m_wma;
    TRipForm* m_running = nullptr;
};
