#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class QObject;

// Message boxes and file dialogs. Every window asks through the current Prompt, so
// tests can install a scripted one that records the calls and returns set answers.
class Prompt
{
public:
    enum class Icon { None, Error, Information, Exclamation, Question };
    enum class Buttons { Ok, YesNo, YesNoCancel, OkCancel };
    enum class Answer { Ok, Yes, No, Cancel };

    struct Message
    {
        QString caption;
        QString text;
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        Answer defaultButton = Answer::Ok;
    };

    // filter: "Name|*.ext|Name|*.*" pairs as the windows give them.
    struct FileDialog
    {
        QString title;
        QString filter;
        QString initialFolder;
        QString fileName;
        QString defaultExtension;
        bool multiSelect = false;
    };

    virtual ~Prompt() = default;

    virtual Answer message(const Message& message) = 0;
    // The chosen files, or empty when cancelled.
    virtual QStringList openFiles(const FileDialog& dialog) = 0;
    virtual QString saveFile(const FileDialog& dialog) = 0;
    virtual QString selectFolder(const QString& title, const QString& initialFolder) = 0;
    // Shows a modal window of the program (a dialog object) and returns its result code.
    // Tests see the window's object name and caption and choose the result instead.
    virtual int execWindow(QObject* window) = 0;

    // Shortcuts with the program's caption.
    Answer error(const QString& text, const QString& caption = QStringLiteral("Tarnwick"));
    Answer information(const QString& text, const QString& caption = QStringLiteral("Tarnwick"));
    Answer question(const QString& text, Answer defaultButton = Answer::Yes,
                    const QString& caption = QStringLiteral("Tarnwick"));

    // The process-wide prompt. Until someone installs one, a prompt that answers every
    // message with its default button and cancels every dialog (no windows at all).
    static Prompt& instance();
    static void install(std::shared_ptr<Prompt> prompt);
};

// Converts "Name|*.a;*.b|All|*.*" into Qt's "Name (*.a *.b);;All (*.*)".
QString qtFilterFromPipes(const QString& filter);
