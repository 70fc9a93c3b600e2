#pragma once

#include <QString>
#include <memory>

// Opens and closes the tray of an optical drive, named by its device path
// ("/dev/sr0"). Both wait until the drive has done it; false when the drive cannot.
class DriveTray
{
public:
    virtual ~DriveTray() = default;
    virtual bool eject(const QString& devicePath) = 0;
    virtual bool close(const QString& devicePath) = 0;

    // The system's drives, through libcdio.
    static std::unique_ptr<DriveTray> create();
};
