#include "platform/gui/Shell.h"

#include <QDesktopServices>
#include <QUrl>

namespace Shell {

namespace {

std::function<bool(const QUrl&)>& opener()
{
    static std::function<bool(const QUrl&)> current;
    return current;
}

bool open(const QUrl& url)
{
    return opener() ? opener()(url) : QDesktopServices::openUrl(url);
}

} // namespace

bool openPath(const QString& path)
{
    return open(QUrl::fromLocalFile(path));
}

bool openUrl(const QString& url)
{
    return open(QUrl(url));
}

void setOpener(std::function<bool(const QUrl&)> replacement)
{
    opener() = std::move(replacement);
}

} // namespace Shell
