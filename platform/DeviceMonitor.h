#pragma once

#include <QObject>
#include <memory>

// Tells when a volume (a disc, a memory stick ...) arrives or goes away. The main
// window refills or clears its track list on these.
class DeviceMonitor : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~DeviceMonitor() override = default;

    // The system's monitor; one that never reports when the system offers none.
    static std::unique_ptr<DeviceMonitor> create(QObject* parent = nullptr);

signals:
    void volumeArrived();
    void volumeRemoved();
};
