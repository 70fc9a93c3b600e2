#include "platform/ScriptedPrompt.h"

#include <QObject>
#include <QVariant>

Prompt::Answer ScriptedPrompt::message(const Message& message)
{
    std::lock_guard lock(m_mutex);
    m_calls.append({QStringLiteral("message"), message, {}});
    if (m_answers.empty()) {
        return message.defaultButton;
    }
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

QStringList ScriptedPrompt::openFiles(const FileDialog& dialog)
{
    std::lock_guard lock(m_mutex);
    m_calls.append({QStringLiteral("open"), {}, dialog});
    if (m_openFiles.empty()) {
        return {};
    }
    QStringList files = m_openFiles.front();
    m_openFiles.pop_front();
    return files;
}

QString ScriptedPrompt::saveFile(const FileDialog& dialog)
{
    std::lock_guard lock(m_mutex);
    m_calls.append({QStringLiteral("save"), {}, dialog});
    if (m_saveFiles.empty()) {
        return {};
    }
    QString file = m_saveFiles.front();
    m_saveFiles.pop_front();
    return file;
}

QString ScriptedPrompt::selectFolder(const QString& title, const QString& initialFolder)
{
    std::lock_guard lock(m_mutex);
    FileDialog dialog;
    dialog.title = title;
    dialog.initialFolder = initialFolder;
    m_calls.append({QStringLiteral("folder"), {}, dialog});
    if (m_folders.empty()) {
        return {};
    }
    QString folder = m_folders.front();
    m_folders.pop_front();
    return folder;
}

void ScriptedPrompt::queueAnswer(Answer answer)
{
    std::lock_guard lock(m_mutex);
    m_answers.push_back(answer);
}

void ScriptedPrompt::queueOpenFiles(const QStringList& files)
{
    std::lock_guard lock(m_mutex);
    m_openFiles.push_back(files);
}

void ScriptedPrompt::queueSaveFile(const QString& file)
{
    std::lock_guard lock(m_mutex);
    m_saveFiles.push_back(file);
}

void ScriptedPrompt::queueFolder(const QString& folder)
{
    std::lock_guard lock(m_mutex);
    m_folders.push_back(folder);
}

QList<ScriptedPrompt::Call> ScriptedPrompt::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_calls;
}

QStringList ScriptedPrompt::messageTexts() const
{
    std::lock_guard lock(m_mutex);
    QStringList texts;
    for (const auto& call : m_calls) {
        if (call.kind == QLatin1String("message")) {
            texts << call.message.text;
        }
    }
    return texts;
}

void ScriptedPrompt::clear()
{
    std::lock_guard lock(m_mutex);
    m_calls.clear();
    m_answers.clear();
    m_openFiles.clear();
    m_saveFiles.clear();
    m_folders.clear();
    m_windowResults.clear();
}

int ScriptedPrompt::execWindow(QObject* window)
{
    std::function<void(QObject*)> callback;
    int result = 0;
    {
        std::lock_guard lock(m_mutex);
        Call call;
        call.kind = QStringLiteral("window");
        call.message.text = window != nullptr ? window->objectName() : QString();
        call.message.caption = window != nullptr ? window->property("windowTitle").toString() : QString();
        m_calls.append(call);
        if (!m_windowResults.empty()) {
            result = m_windowResults.front();
            m_windowResults.pop_front();
        }
        callback = onWindow;
    }
    if (callback) {
        callback(window);
    }
    return result;
}

void ScriptedPrompt::queueWindowResult(int result)
{
    std::lock_guard lock(m_mutex);
    m_windowResults.push_back(result);
}

QStringList ScriptedPrompt::windowNames() const
{
    std::lock_guard lock(m_mutex);
    QStringList names;
    for (const auto& call : m_calls) {
        if (call.kind == QLatin1String("window")) {
            names << call.message.text;
        }
    }
    return names;
}
