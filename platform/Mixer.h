#pragma once

#include <QString>
#include <QStringList>

// The desktop's sound mixer, started as a program of its own: pavucontrol where it is
// installed, else alsamixer in a terminal window.
namespace Mixer {

enum class Page { Playback, Recording };

struct Command
{
    QString program; // empty when no mixer is installed
    QStringList arguments;
};

// The command that opens the mixer on `page`, found on PATH.
Command command(Page page);
// Starts it detached (it outlives no one: the system reaps it when it ends). False when
// no mixer is installed or it could not be started.
bool open(Page page);

} // namespace Mixer
