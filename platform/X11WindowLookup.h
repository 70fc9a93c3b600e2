#pragma once

#include "platform/WindowLookup.h"

#include <QByteArray>

// Looks through the top-level windows of an X11 display for one whose WM_CLASS names
// the class (either its instance or its class part). Window managers reparent client
// windows into frames, so the frames' children are looked at too.
class X11WindowLookup : public WindowLookup
{
public:
    // display: as in DISPLAY (":0"); empty uses DISPLAY.
    explicit X11WindowLookup(QByteArray display = {});
    bool topLevelWindowExists(const QString& className) override;

private:
    QByteArray m_display;
};
