#pragma once

#include "platform/Prompt.h"

#include <functional>

// The prompt of a program without windows: a message is printed, a question gets the
// answer the command line gave, a dialog is cancelled.
class CliPrompt : public Prompt
{
public:
    CliPrompt(std::function<void(const QString&)> print, Answer questionAnswer);

    Answer message(const Message& message) override;
    QStringList openFiles(const FileDialog& dialog) override;
    QString saveFile(const FileDialog& dialog) override;
    QString selectFolder(const QString& title, const QString& initialFolder) override;
    int execWindow(QObject* window) override;

private:
    std::function<void(const QString&)> m_print;
    Answer m_questionAnswer;
};
