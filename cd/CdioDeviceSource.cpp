#include "cd/CdioDeviceSource.h"

#include "cd/CdioDevice.h"
#include "cd/DiscImageFiles.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringList>
#include <cdio/logging.h>
#include <mutex>

Q_LOGGING_CATEGORY(lcCdio, "tarnwick.cd", QtWarningMsg)

namespace {

void logHandler(cdio_log_level_t level, const char message[])
{
    // Even libcdio's errors are expected here (an empty drive, a missing image file):
    // the caller sees the failure through its result, so they stay below warning level.
    if (level >= CDIO_LOG_WARN) {
        qCInfo(lcCdio, "libcdio: %s", message);
    } else {
        qCDebug(lcCdio, "libcdio: %s", message);
    }
}

driver_id_t imageDriver(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("cue")) {
        return DRIVER_BINCUE;
    }
    if (suffix == QLatin1String("toc")) {
        return DRIVER_CDRDAO;
    }
    if (suffix == QLatin1String("nrg")) {
        return DRIVER_NRG;
    }
    return DRIVER_UNKNOWN;
}

} // namespace

CdioDeviceSource::CdioDeviceSource()
{
    routeLibraryMessages();
}

void CdioDeviceSource::routeLibraryMessages()
{
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(logHandler); });
}

std::vector<CDDeviceInfo> CdioDeviceSource::devices()
{
    std::vector<CDDeviceInfo> result;
    if (char** names = cdio_get_devices(DRIVER_DEVICE)) {
        for (char** name = names; *name != nullptr; ++name) {
            CDDeviceInfo info;
            info.path = QString::fromLocal8Bit(*name);
            info.product = QByteArray(*name);
            if (CdIo_t* cdio = cdio_open(*name, DRIVER_DEVICE)) {
                cdio_hwinfo_t hw{};
                if (cdio_get_hwinfo(cdio, &hw)) {
                    info.vendor = QByteArray(hw.psz_vendor).trimmed();
                    info.product = QByteArray(hw.psz_model).trimmed();
                }
                cdio_destroy(cdio);
            }
            result.push_back(info);
        }
        cdio_free_device_list(names);
    }
    const QString images = qEnvironmentVariable("TARNWICK_DISC_IMAGES");
    for (const QString& path : images.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        CDDeviceInfo info;
        info.path = path;
        info.vendor = QByteArrayLiteral("IMAGE");
        info.product = QFileInfo(path).fileName().toUtf8();
        info.isImage = true;
        result.push_back(info);
    }
    return result;
}

std::unique_ptr<CDDevice> CdioDeviceSource::open(const CDDeviceInfo& info)
{
    if (!info.isImage) {
        CdIo_t* cdio = cdio_open(info.path.toLocal8Bit().constData(), DRIVER_DEVICE);
        return cdio != nullptr ? std::make_unique<CdioDevice>(cdio) : nullptr;
    }
    DiscImageFiles::Opening opening = DiscImageFiles::prepare(info.path);
    CdIo_t* cdio = cdio_open(opening.path.toLocal8Bit().constData(), imageDriver(info.path));
    // Why an image did not open reaches the user through discProblem().
    if (cdio == nullptr) {
        return nullptr;
    }
    return std::make_unique<CdioDevice>(cdio, std::move(opening.folder));
}
