#pragma once

#include "platform/Prompt.h"

#include <QList>
#include <deque>
#include <functional>
#include <mutex>

// Test double: records every call and answers from queues set by the test. An empty
// queue answers a message with its default button and cancels a dialog.
class ScriptedPrompt : public Prompt
{
public:
    struct Call
    {
        QString kind; // "message", "open", "save", "folder", "window"
        Message message;
        FileDialog dialog;
    };

    Answer message(const Message& message) override;
    QStringList openFiles(const FileDialog& dialog) override;
    QString saveFile(const FileDialog& dialog) override;
    QString selectFolder(const QString& title, const QString& initialFolder) override;
    // Records the window (message.text = object name, message.caption = window title) and
    // returns the queued result, else 0. A callback may act on the window first.
    int execWindow(QObject* window) override;
    std::function<void(QObject*)> onWindow;

    void queueAnswer(Answer answer);
    void queueOpenFiles(const QStringList& files);
    void queueSaveFile(const QString& file);
    void queueFolder(const QString& folder);
    void queueWindowResult(int result);

    QList<Call> calls() const;
    QStringList messageTexts() const;
    QStringList windowNames() const;
    void clear();

private:
    mutable std::mutex m_mutex;
    QList<Call> m_calls;
    std::deque<Answer> m_answers;
    std::deque<QStringList> m_openFiles;
    std::deque<QString> m_saveFiles;
    std::deque<QString> m_folders;
    std::deque<int> m_windowResults;
};
