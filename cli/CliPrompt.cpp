#include "cli/CliPrompt.h"

CliPrompt::CliPrompt(std::function<void(const QString&)> print, Answer questionAnswer)
    : m_print(std::move(print)), m_questionAnswer(questionAnswer)
{
}

Prompt::Answer CliPrompt::message(const Message& message)
{
    switch (message.buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return m_questionAnswer;
    case Buttons::OkCancel:
        m_print(message.text);
        return Answer::Ok;
    case Buttons::Ok:
        break;
    }
    m_print(message.text);
    return Answer::Ok;
}

QStringList CliPrompt::openFiles(const FileDialog&)
{
    return {};
}

QString CliPrompt::saveFile(const FileDialog&)
{
    return {};
}

QString CliPrompt::selectFolder(const QString&, const QString&)
{
    return {};
}

int CliPrompt::execWindow(QObject*)
{
    return 0;
}
