#include "app/TrayCommands.h"

#include "app/TMainForm.h"
#include "cd/CDDriveLibrary.h"
#include "platform/DriveTray.h"

TrayCommands::TrayCommands(TMainForm& window, std::unique_ptr<DriveTray> tray)
    : m_window(window), m_tray(std::move(tray))
{
}

TrayCommands::~TrayCommands() = default;

void TrayCommands::ActionEjectExecute()
{
    const QString path = tarnwick::drivePath(m_window.driveHandle());
    if (m_tray && !path.isEmpty()) {
        m_tray->eject(path);
    }
}

void TrayCommands::ActionCloseExecute()
{
    const QString path = tarnwick::drivePath(m_window.driveHandle());
    if (m_tray && !path.isEmpty()) {
        m_tray->close(path);
    }
}
