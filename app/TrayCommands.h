#pragma once

#include <memory>

class DriveTray;
class TMainForm;

// "&Eject CD" and "&Close CD" on the drive the main window has opened. A disc image or
// a drive that cannot move its tray does nothing and tells nothing.
class TrayCommands
{
public:
    TrayCommands(TMainForm& window, std::unique_ptr<DriveTray> tray);
    ~TrayCommands();

    void ActionEjectExecute();
    void ActionCloseExecute();

private:
    TMainForm& m_window;
    std::unique_ptr<DriveTray> m_tray;
};
