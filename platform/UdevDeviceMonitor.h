#pragma once

#include "platform/DeviceMonitor.h"

struct udev;
struct udev_monitor;
class QSocketNotifier;

// Block-device events from udev: added or removed disks and partitions, and media
// changes of optical drives (a disc inserted or ejected).
class UdevDeviceMonitor : public DeviceMonitor
{
    Q_OBJECT
public:
    explicit UdevDeviceMonitor(QObject* parent = nullptr);
    ~UdevDeviceMonitor() override;
    bool isActive() const { return m_monitor != nullptr; }

private:
    void readEvents();

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_notifier = nullptr;
};
