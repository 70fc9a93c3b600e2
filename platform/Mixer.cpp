#include "platform/Mixer.h"

#include <QProcess>
#include <QStandardPaths>

namespace Mixer {

Command command(Page page)
{
    const QString pavucontrol = QStandardPaths::findExecutable(QStringLiteral("pavucontrol"));
    if (!pavucontrol.isEmpty()) {
        // Its tabs: 1 playback, 2 recording.
        return {pavucontrol, {QStringLiteral("--tab=%1").arg(page == Page::Recording ? 2 : 1)}};
    }
    const QString alsamixer = QStandardPaths::findExecutable(QStringLiteral("alsamixer"));
    if (alsamixer.isEmpty()) {
        return {};
    }
    const QStringList view{QStringLiteral("-V"),
                           page == Page::Recording ? QStringLiteral("capture") : QStringLiteral("playback")};
    // Debian names the desktop's chosen terminal x-terminal-emulator; xterm is the fallback.
    for (const char* name : {"x-terminal-emulator", "xterm"}) {
        const QString terminal = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!terminal.isEmpty()) {
            return {terminal, QStringList{QStringLiteral("-e"), alsamixer} + view};
        }
    }
    return {};
}

bool open(Page page)
{
    const Command c = command(page);
    return !c.program.isEmpty() && QProcess::startDetached(c.program, c.arguments);
}

} // namespace Mixer
