#pragma once

#include "platform/Prompt.h"

// Message boxes and file dialogs of the desktop, parented to the active window.
class QtPrompt : public Prompt
{
public:
    Answer message(const Message& message) override;
    QStringList openFiles(const FileDialog& dialog) override;
    QString saveFile(const FileDialog& dialog) override;
    QString selectFolder(const QString& title, const QString& initialFolder) override;
    int execWindow(QObject* window) override;
};
