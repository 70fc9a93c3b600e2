#include "jobs/JobCommands.h"

#include "common/TextFormat.h"
#include "jobs/TRipForm.h"
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "settings/TSettings.h"

#include <QDir>

JobCommands::JobCommands(QWidget* mainWindow, TMp3EncodeProcess* mp3, TWMAEncodeProcess* wma)
    : m_mainWindow(mainWindow), m_mp3(mp3), m_wma(wma)
{
}

QStringList JobCommands::extractList(const QList<Row>& rows)
{
    QStringList lines;
    for (int i = 0; i < rows.size(); ++i) {
        if (rows[i].checked) {
            lines << tarnwick::twoDigit(i + 1) + rows[i].title;
        }
    }
    return lines;
}

bool JobCommands::outputFolderCheck()
{
    if (Files::folderExists(settings().OutputFolder)) {
        return true;
    }
    Prompt::instance().information(QStringLiteral("The output directory does not exist.") +
                                   QStringLiteral("Please check the output directory setting."));
    return false;
}

void JobCommands::ActionExtractExecute(CDHandle driveHandle, const QList<Row>& rows, bool playing,
                                       const std::function<void()>& stopPlayback)
{
    Prompt& prompt = Prompt::instance();
    if (driveHandle == 0) {
        prompt.information(QStringLiteral("Please access CD devices rightly above all!"));
        return;
    }
    const QStringList items = extractList(rows);
    if (items.isEmpty()) {
        prompt.information(QStringLiteral("Please select a track at least!"));
        return;
    }
    if (!isKnownOutputFormat(settings().OutputFormat)) {
        // Nothing would encode the tracks, and the job would wait for an encoder for ever.
        prompt.error(unknownOutputFormatText(settings().OutputFormat));
        return;
    }
    const QString folder = settings().OutputFolder;
    if (!Files::folderExists(folder)) {
        const auto answer =
            prompt.question(folder + QStringLiteral(",") + QStringLiteral("The output directory does not exist.") +
                                QStringLiteral("\r\n") + QStringLiteral("creates a new directory?"),
                            Prompt::Answer::Yes);
        if (answer != Prompt::Answer::Yes) {
            return;
        }
        // Only the last level is created, as a folder the user named by hand.
        if (folder.isEmpty() || !QDir().mkdir(folder)) {
            prompt.error(QStringLiteral("Cannot create ") + folder);
            return;
        }
    }
    if (playing && stopPlayback) {
        stopPlayback();
    }
    if (settings().EnableRipTime && settings().RipTime == 0) {
        prompt.information(
            QStringLiteral("You select to extract 0 second length, please change it on Options dialog."));
        return;
    }
    if (!outputFolderCheck()) {
        return;
    }
    runJob(TRipForm::ExtractCD, driveHandle, items, false);
}

void JobCommands::runJob(int mode, CDHandle driveHandle, const QStringList& items, bool errorsShown)
{
    try {
        TRipForm form(m_mainWindow, mode, driveHandle, items, m_mp3, m_wma);
        m_running = &form;
        Prompt::instance().execWindow(&form);
        m_running = nullptr;
        if (showStatus && !form.verdictLine().isEmpty()) {
            showStatus(form.verdictLine());
        }
    } catch (const std::exception& error) {
        m_running = nullptr;
        if (errorsShown) {
            Prompt::instance().error(QString::fromUtf8(error.what()));
        }
    }
}

void JobCommands::stopRunningJob()
{
    if (m_running != nullptr && !m_running->jobFinished()) {
        m_running->stopForExit();
    }
}

void JobCommands::convertFiles(const QString& filter, int mode, bool errorsShown)
{
    Prompt::FileDialog dialog;
    dialog.filter = filter;
    dialog.multiSelect = true;
    const QStringList files = Prompt::instance().openFiles(dialog);
    if (files.isEmpty() || !outputFolderCheck()) {
        return;
    }
    runJob(mode, 0, files, errorsShown);
}

void JobCommands::ActionWavToMp3Execute()
{
    convertFiles(QStringLiteral("Sound file(*.wav)|*.wav| Any file(*.*)|*.*"), TRipForm::WavToMp3, true);
}

void JobCommands::ActionMp3ToWavExecute()
{
    convertFiles(QStringLiteral("MP3 file(*.mp3)|*.mp3| Any file(*.*)|*.*"), TRipForm::Mp3ToWav, true);
}

void JobCommands::ActionWavToOggExecute()
{
    convertFiles(QStringLiteral("Sound file(*.wav)|*.wav| Any file(*.*)|*.*"), TRipForm::WavToOgg, false);
}

void JobCommands::ActionWavToWmaExecute()
{
    convertFiles(QStringLiteral("Sound file(*.wav)|*.wav| Any file(*.*)|*.*"), TRipForm::WavToWma, false);
}

void JobCommands::ActionWavToFlacExecute()
{
    convertFiles(QStringLiteral("Sound file(*.wav)|*.wav| Any file(*.*)|*.*"), TRipForm::WavToFlac, true);
}
