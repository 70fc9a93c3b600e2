// The recorder's file commands: New, Open, Save, Save As, Undo, closing, the MP3 step.
#include "recorder/TfrmRecord.h"

#include "common/ProgramFolder.h"
#include "jobs/TRipForm.h"
#include "platform/Files.h"
#include "platform/PcmWave.h"
#include "platform/Prompt.h"
#include "platform/WaveAudioDevice.h"
#include "recorder/RecordTexts.h"
#include "recorder/TfrmNewRecordFile.h"
#include "settings/TSettings.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QSlider>
#include <QTimer>

namespace {

const QString soundFilter = QStringLiteral("Sound file(*.wav)|*.wav|All files(*.*)|*.*");
const QString saveFailedText = QStringLiteral("Error when saving WAV file,please check if the file is being uesd.");
const QString deviceFailedText = QStringLiteral("Error while initializing MCI device!");

Prompt::Answer ask(const QString& text, Prompt::Buttons buttons)
{
    Prompt::Message message;
    message.caption = QStringLiteral("Tarnwick");
    message.text = text;
    message.icon = Prompt::Icon::Information;
    message.buttons = buttons;
    message.defaultButton = Prompt::Answer::Yes;
    return Prompt::instance().message(message);
}

// A rename where it can be one; across file systems a whole copy, then the source goes.
bool moveReplacing(const QString& from, const QString& to)
{
    if (Files::rename(from, to)) {
        return true;
    }
    if (!Files::exists(from) || !Files::copy(from, to)) {
        return false;
    }
    Files::remove(from);
    return true;
}

QString withExtension(const QString& path, const QString& extension)
{
    const QString suffix = QFileInfo(path).suffix();
    return (suffix.isEmpty() ? path : path.chopped(suffix.size() + 1)) + extension;
}

} // namespace

void TfrmRecord::resetTexts()
{
    panRecordTime->setText(QStringLiteral("00:00:00.0"));
    lbLength->setText(QStringLiteral("0.00 Sec"));
    lbPosition->setText(QStringLiteral("0.00 Sec"));
    setWindowTitle(QStringLiteral("Record(NoName)"));
    TrackBar1->setValue(0);
    m_mp3PromptDone = false;
}

void TfrmRecord::miNewClick()
{
    if (!saveCurrentRecording(true)) {
        return;
    }
    TfrmNewRecordFile dialog(this);
    if (Prompt::instance().execWindow(&dialog) != QDialog::Accepted) {
        return;
    }
    const PcmFormat format = dialog.chosenFormat();
    m_currentFile = unnamedFile();
    m_device->close();
    bool ready = PcmWave::write(m_currentFile, format, {});
    if (ready) {
        m_device->setFileName(m_currentFile);
        m_device->setTimeFormat(WaveAudioDevice::TimeFormat::Milliseconds);
        // Without a recording device a new file is of no use: say so now, not at Record.
        ready = m_device->open() && m_device->canRecord();
    }
    m_modified = false;
    if (ready) {
        setButtons(ButtonSet::RecordOnly);
    } else {
        m_device->close();
        setButtons(ButtonSet::None);
        Prompt::instance().error(deviceFailedText);
    }
    resetTexts();
}

void TfrmRecord::miOpenClick()
{
    if (!saveCurrentRecording(true)) {
        return;
    }
    Prompt::FileDialog dialog;
    dialog.title = QStringLiteral("Please select a sound file to open");
    dialog.filter = soundFilter;
    dialog.initialFolder = tarnwick::programFolder();
    dialog.defaultExtension = QStringLiteral(".wav");
    while (true) {
        const QStringList chosen = Prompt::instance().openFiles(dialog);
        if (chosen.isEmpty()) {
            return;
        }
        const QString path = chosen.first();
        if (path == m_currentFile) {
            return;
        }
        if (Files::exists(path)) {
            setWindowTitle(QStringLiteral("Record(") + path + QLatin1Char(')'));
            TrackBar1->setValue(0);
            m_mp3PromptDone = false;
            openForEditing(path);
            return;
        }
        Prompt::Message message;
        message.caption = QStringLiteral("Tarnwick");
        message.text = QStringLiteral("Please check the filename correct or not\nCould not be found\uFF01\n") + path;
        message.icon = Prompt::Icon::Exclamation;
        Prompt::instance().message(message);
    }
}

bool TfrmRecord::reopenDevice(const QString& path)
{
    m_device->close();
    m_device->setFileName(path);
    m_device->setTimeFormat(WaveAudioDevice::TimeFormat::Milliseconds);
    return m_device->open();
}

void TfrmRecord::openForEditing(const QString& path)
{
    m_currentFile = path;
    m_modified = false;
    if (!Files::copy(path, m_workingCopy) || !reopenDevice(m_workingCopy)) {
        // Not a sound this device plays (or the copy failed): nothing is left half open.
        m_device->close();
        m_currentFile.clear();
        setButtons(ButtonSet::None);
        setWindowTitle(QStringLiteral("Record"));
        Prompt::instance().error(deviceFailedText);
        return;
    }
    setButtons(ButtonSet::AtStart);
    lbLength->setText(RecordTexts::duration(m_device->length()));
    setWindowTitle(QStringLiteral("Record(") + path + QLatin1Char(')'));
}

QString TfrmRecord::runSaveDialog()
{
    Prompt::FileDialog dialog;
    dialog.filter = soundFilter;
    dialog.initialFolder = tarnwick::programFolder();
    dialog.defaultExtension = QStringLiteral("*.wav");
    return Prompt::instance().saveFile(dialog);
}

bool TfrmRecord::isWavName(const QString& path)
{
    if (QFileInfo(path).suffix().toLower() == QStringLiteral("wav")) {
        return true;
    }
    Prompt::instance().information(QStringLiteral("The save file should be WAV!"));
    return false;
}

bool TfrmRecord::confirmOverwrite(const QString& path)
{
    return !Files::exists(path) ||
           ask(path + QStringLiteral(" has existed,overite it?"), Prompt::Buttons::YesNo) == Prompt::Answer::Yes;
}

bool TfrmRecord::saveCurrentRecording(bool askFirst)
{
    if (m_currentFile.isEmpty()) {
        return true;
    }
    if (MediaPlayer1->isButtonEnabled(TMediaBar::btStop)) {
        stopReaction();
        m_device->stop();
    }
    if (!m_modified) {
        if (askFirst || !isUnnamed()) {
            return true;
        }
    } else if (askFirst) {
        const QString name = isUnnamed() ? QStringLiteral("NoName") : m_currentFile;
        const auto answer = ask(name + QStringLiteral(" has been modified,Save it?"), Prompt::Buttons::YesNoCancel);
        if (answer == Prompt::Answer::Cancel) {
            return false;
        }
        if (answer == Prompt::Answer::No) {
            m_modified = false;
            actUndoUpdate();
            return true;
        }
    }
    if (isUnnamed()) {
        return saveUnnamed();
    }
    // The copy goes through a temporary file, so a failure leaves the named file as it was.
    if (!Files::copy(m_workingCopy, m_currentFile)) {
        Prompt::instance().error(saveFailedText);
        return false;
    }
    mp3Step();
    m_modified = false;
    actUndoUpdate();
    return true;
}

bool TfrmRecord::saveUnnamed()
{
    const QString path = runSaveDialog();
    if (path.isEmpty() || !isWavName(path)) {
        return false;
    }
    if (Files::exists(path)) {
        if (!confirmOverwrite(path)) {
            return false;
        }
        // The old file is replaced by the rename below rather than deleted first, so it
        // survives a save that fails; here we only check that it may be replaced.
        if (Files::isInUse(path) || !Files::isWritable(QFileInfo(path).absolutePath())) {
            Prompt::instance().error(
                QStringLiteral("Error when deleting file, please check if the file is being uesd."));
            return false;
        }
    }
    m_device->close();
    if (Files::exists(m_workingCopy)) {
        Files::remove(m_workingCopy);
    }
    if (!moveReplacing(unnamedFile(), path)) {
        // The recording stays where it was and stays open.
        reopenDevice(unnamedFile());
        Prompt::instance().error(saveFailedText);
        return false;
    }
    openForEditing(path);
    mp3Step();
    m_modified = false;
    actUndoUpdate();
    return true;
}

void TfrmRecord::actSaveExecute()
{
    saveCurrentRecording(false);
}

void TfrmRecord::actSaveAsExecute()
{
    const QString path = runSaveDialog();
    if (path.isEmpty() || !isWavName(path) || !confirmOverwrite(path)) {
        return;
    }
    const QString source = isUnnamed() ? unnamedFile() : m_workingCopy;
    m_device->close();
    const bool written = isUnnamed() ? moveReplacing(source, path) : Files::copy(source, path);
    if (!written) {
        reopenDevice(source);
        Prompt::instance().error(saveFailedText);
        return;
    }
    openForEditing(path);
    mp3Step();
    m_modified = false;
    actUndoUpdate();
}

void TfrmRecord::actUndoExecute()
{
    if (ask(QStringLiteral("Discard the modification since last save file."), Prompt::Buttons::YesNo) !=
        Prompt::Answer::Yes) {
        return;
    }
    m_device->close();
    if (!Files::copy(m_currentFile, m_workingCopy) || !reopenDevice(m_workingCopy)) {
        Prompt::instance().error(deviceFailedText);
        setButtons(ButtonSet::None);
        return;
    }
    setButtons(ButtonSet::AtStart);
    const QString length = RecordTexts::duration(m_device->length());
    lbLength->setText(length);
    lbPosition->setText(length);
    m_modified = false;
    actUndoUpdate();
}

void TfrmRecord::closeLater()
{
    // Closing from inside a save would ask about the same recording again: close once
    // the running command has finished.
    QTimer::singleShot(0, this, &QWidget::close);
}

void TfrmRecord::mp3Step()
{
    if (!miSaveMp3->isChecked() || m_currentFile.isEmpty()) {
        return;
    }
    Prompt& prompt = Prompt::instance();
    if (m_driveHandle == 0) {
        prompt.information(QStringLiteral("Please access CD devices rightly above all!"));
        closeLater();
        return;
    }
    const QString mp3 = withExtension(m_currentFile, QStringLiteral(".mp3"));
    if (!m_mp3PromptDone) {
        if (!confirmOverwrite(mp3)) {
            return;
        }
        if (Files::isInUse(mp3)) {
            prompt.information(mp3 + QStringLiteral(" maybe be used!"));
            return;
        }
    }
    m_mp3PromptDone = true;
    const auto keptFormat = settings().OutputFormat;
    settings().OutputFormat = 0;
    try {
        TRipForm form(this, TRipForm::RecordToMp3, m_driveHandle, {m_currentFile}, m_mp3, m_wma);
        prompt.execWindow(&form);
    } catch (const std::exception& error) {
        prompt.error(QString::fromUtf8(error.what()));
    }
    settings().OutputFormat = keptFormat;
}

void TfrmRecord::FormClose()
{
    settings().SaveMp3 = miSaveMp3->isChecked();
    Timer1->stop();
    saveCurrentRecording(true);
    m_device->close();
    if (Files::exists(m_workingCopy)) {
        Files::remove(m_workingCopy);
    }
}
