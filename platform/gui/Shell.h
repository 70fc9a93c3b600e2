#pragma once

#include <QString>
#include <functional>

class QUrl;

// Opening folders, files and web pages with the desktop's chosen program.
namespace Shell {

bool openPath(const QString& path);
bool openUrl(const QString& url);

// Test hook: every open goes to `opener` instead of the desktop; none restores the desktop.
void setOpener(std::function<bool(const QUrl&)> opener);

} // namespace Shell
