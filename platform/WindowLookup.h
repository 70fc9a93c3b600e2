#pragma once

#include <QString>
#include <memory>

// Whether another program has a top-level window of a given class open, so a command
// can ask the user to close that program before touching its files.
class WindowLookup
{
public:
    virtual ~WindowLookup() = default;

    // Class names compare without regard to case, as window classes always have.
    virtual bool topLevelWindowExists(const QString& className) = 0;

    // The desktop's lookup: X11 window classes (WM_CLASS) on the display named by
    // DISPLAY; one that finds nothing where no X11 display runs.
    static std::unique_ptr<WindowLookup> create();
};
