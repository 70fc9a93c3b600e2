#include "platform/Prompt.h"

#include <QRegularExpression>
#include <mutex>

namespace {

// Answers without any window: used until the application installs its dialogs, so a
// core library used from a command-line tool never blocks on a question.
class SilentPrompt : public Prompt
{
public:
    Answer message(const Message& message) override { return message.defaultButton; }
    QStringList openFiles(const FileDialog&) override { return {}; }
    QString saveFile(const FileDialog&) override { return {}; }
    QString selectFolder(const QString&, const QString&) override { return {}; }
    int execWindow(QObject*) override { return 0; }
};

std::mutex g_mutex;
std::shared_ptr<Prompt> g_prompt;

} // namespace

Prompt& Prompt::instance()
{
    std::lock_guard lock(g_mutex);
    if (!g_prompt) {
        g_prompt = std::make_shared<SilentPrompt>();
    }
    return *g_prompt;
}

void Prompt::install(std::shared_ptr<Prompt> prompt)
{
    std::lock_guard lock(g_mutex);
    g_prompt = std::move(prompt);
}

Prompt::Answer Prompt::error(const QString& text, const QString& caption)
{
    return message({caption, text, Icon::Error, Buttons::Ok, Answer::Ok});
}

Prompt::Answer Prompt::information(const QString& text, const QString& caption)
{
    return message({caption, text, Icon::Information, Buttons::Ok, Answer::Ok});
}

Prompt::Answer Prompt::question(const QString& text, Answer defaultButton, const QString& caption)
{
    return message({caption, text, Icon::Information, Buttons::YesNo, defaultButton});
}

QString qtFilterFromPipes(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString name = parts[i];
        // A name that already shows its pattern in brackets keeps it; Qt reads the
        // patterns from the last bracket pair, so add ours only when missing.
        if (name.contains(QLatin1Char('(')) && name.endsWith(QLatin1Char(')'))) {
            name = name.left(name.lastIndexOf(QLatin1Char('('))).trimmed();
        }
        out << QStringLiteral("%1 (%2)").arg(name, patterns);
    }
    return out.join(QStringLiteral(";;"));
}
