#include "platform/DriveTray.h"

#include <cdio/cdio.h>

namespace {

class CdioDriveTray : public DriveTray
{
public:
    bool eject(const QString& devicePath) override
    {
        if (devicePath.isEmpty()) {
            return false;
        }
        const QByteArray path = devicePath.toLocal8Bit();
        return cdio_eject_media_drive(path.constData()) == DRIVER_OP_SUCCESS;
    }

    bool close(const QString& devicePath) override
    {
        if (devicePath.isEmpty()) {
            return false;
        }
        const QByteArray path = devicePath.toLocal8Bit();
        driver_id_t driver = DRIVER_DEVICE;
        return cdio_close_tray(path.constData(), &driver) == DRIVER_OP_SUCCESS;
    }
};

} // namespace

std::unique_ptr<DriveTray> DriveTray::create()
{
    return std::make_unique<CdioDriveTray>();
}
