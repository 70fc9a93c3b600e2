#pragma once

#include <QString>

// Opening folders, files and web pages with the desktop's chosen program.
namespace Shell {

bool openPath(const QString& path);
bool openUrl(const QString& url);

} // namespace Shell
