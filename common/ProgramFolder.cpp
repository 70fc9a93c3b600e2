#include "common/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace tarnwick {

QString programFolder()
{
    const QString home = qEnvironmentVariable("TARNWICK_HOME");
    QString folder;
    if (!home.isEmpty()) {
        folder = home;
    } else if (QCoreApplication::instance() != nullptr) {
        folder = QCoreApplication::applicationDirPath();
    } else {
        folder = QDir::currentPath();
    }
    folder = QDir::cleanPath(QDir(folder).absolutePath());
    return folder;
}

} // namespace tarnwick
