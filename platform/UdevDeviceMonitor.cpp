#include "platform/UdevDeviceMonitor.h"

#include <QSocketNotifier>
#include <cstring>
#include <libudev.h>

UdevDeviceMonitor::UdevDeviceMonitor(QObject* parent) : DeviceMonitor(parent)
{
    m_udev = udev_new();
    if (m_udev == nullptr) {
        return;
    }
    m_monitor = udev_monitor_new_from_netlink(m_udev, "udev");
    if (m_monitor == nullptr) {
        return;
    }
    udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "block", nullptr);
    if (udev_monitor_enable_receiving(m_monitor) < 0) {
        udev_monitor_unref(m_monitor);
        m_monitor = nullptr;
        return;
    }
    m_notifier = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UdevDeviceMonitor::readEvents);
}

UdevDeviceMonitor::~UdevDeviceMonitor()
{
    delete m_notifier;
    if (m_monitor != nullptr) {
        udev_monitor_unref(m_monitor);
    }
    if (m_udev != nullptr) {
        udev_unref(m_udev);
    }
}

void UdevDeviceMonitor::readEvents()
{
    while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
        const char* action = udev_device_get_action(device);
        const char* media = udev_device_get_property_value(device, "ID_CDROM_MEDIA");
        const bool isOptical = udev_device_get_property_value(device, "ID_CDROM") != nullptr;
        if (action != nullptr) {
            if (std::strcmp(action, "add") == 0) {
                emit volumeArrived();
            } else if (std::strcmp(action, "remove") == 0) {
                emit volumeRemoved();
            } else if (std::strcmp(action, "change") == 0 && isOptical) {
                // A drive reports a media change: a disc was inserted or taken out.
                if (media != nullptr && std::strcmp(media, "1") == 0) {
                    emit volumeArrived();
                } else {
                    emit volumeRemoved();
                }
            }
        }
        udev_device_unref(device);
    }
}

std::unique_ptr<DeviceMonitor> DeviceMonitor::create(QObject* parent)
{
    return std::make_unique<UdevDeviceMonitor>(parent);
}
