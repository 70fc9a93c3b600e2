#include "platform/gui/QtPrompt.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace {

QMessageBox::StandardButton toButton(Prompt::Answer answer)
{
    switch (answer) {
    case Prompt::Answer::Yes:
        return QMessageBox::Yes;
    case Prompt::Answer::No:
        return QMessageBox::No;
    case Prompt::Answer::Cancel:
        return QMessageBox::Cancel;
    case Prompt::Answer::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

Prompt::Answer QtPrompt::message(const Message& message)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(message.caption);
    box.setText(message.text);
    switch (message.icon) {
    case Icon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    case Icon::Information:
    case Icon::Question:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::None:
        break;
    }
    switch (message.buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    box.setDefaultButton(toButton(message.defaultButton));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    default:
        return message.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
}

QStringList QtPrompt::openFiles(const FileDialog& dialog)
{
    const QString filter = qtFilterFromPipes(dialog.filter);
    if (dialog.multiSelect) {
        return QFileDialog::getOpenFileNames(QApplication::activeWindow(), dialog.title, dialog.initialFolder, filter);
    }
    const QString file =
        QFileDialog::getOpenFileName(QApplication::activeWindow(), dialog.title, dialog.initialFolder, filter);
    return file.isEmpty() ? QStringList() : QStringList{file};
}

QString QtPrompt::saveFile(const FileDialog& dialog)
{
    QFileDialog box(QApplication::activeWindow(), dialog.title, dialog.initialFolder, qtFilterFromPipes(dialog.filter));
    box.setAcceptMode(QFileDialog::AcceptSave);
    box.setDefaultSuffix(dialog.defaultExtension);
    if (!dialog.fileName.isEmpty()) {
        box.selectFile(dialog.fileName);
    }
    if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) {
        return {};
    }
    return box.selectedFiles().first();
}

QString QtPrompt::selectFolder(const QString& title, const QString& initialFolder)
{
    return QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, initialFolder);
}

int QtPrompt::execWindow(QObject* window)
{
    auto* dialog = qobject_cast<QDialog*>(window);
    return dialog != nullptr ? dialog->exec() : 0;
}
