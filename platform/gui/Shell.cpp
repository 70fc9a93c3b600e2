#include "platform/gui/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace Shell {

bool openPath(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool openUrl(const QString& url)
{
    return QDesktopServices::openUrl(QUrl(url));
}

} // namespace Shell
