#include "platform/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace Files {

bool exists(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

bool folderExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

std::int64_t size(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        return -1;
    }
    return st.st_size;
}

bool remove(const QString& path)
{
    return ::unlink(QFile::encodeName(path).constData()) == 0;
}

bool rename(const QString& from, const QString& to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool copy(const QString& from, const QString& to)
{
    if (QFileInfo(from).absoluteFilePath() == QFileInfo(to).absoluteFilePath()) {
        return exists(from);
    }
    // Copy into a temporary name first so a failed copy never leaves a half file
    // under the target's name.
    const QString temporary = to + QStringLiteral(".part");
    QFile::remove(temporary);
    if (!QFile::copy(from, temporary)) {
        return false;
    }
    if (!rename(temporary, to)) {
        QFile::remove(temporary);
        return false;
    }
    return true;
}

bool isWritable(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

static bool heldOpenByAnyProcess(dev_t device, ino_t inode)
{
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return false;
    }
    bool held = false;
    while (!held) {
        const dirent* entry = ::readdir(proc);
        if (entry == nullptr) {
            break;
        }
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') {
            continue;
        }
        const std::string fdFolder = std::string("/proc/") + entry->d_name + "/fd";
        DIR* fds = ::opendir(fdFolder.c_str());
        if (fds == nullptr) {
            continue;
        }
        while (const dirent* fd = ::readdir(fds)) {
            if (fd->d_name[0] == '.') {
                continue;
            }
            struct stat st {};
            const std::string link = fdFolder + "/" + fd->d_name;
            if (::stat(link.c_str(), &st) == 0 && st.st_dev == device && st.st_ino == inode) {
                held = true;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return held;
}

bool isInUse(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        return false;
    }
    // Look before opening: our own probe descriptor must not count as a holder.
    if (heldOpenByAnyProcess(st.st_dev, st.st_ino)) {
        return true;
    }
    const int fd = ::open(name.constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        return true;
    }
    ::close(fd);
    return false;
}

bool isValidFileName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")) {
        return false;
    }
    for (const QChar c : name) {
        if (c.unicode() < 32 || c.unicode() == 127) {
            return false;
        }
        switch (c.unicode()) {
        case '\\':
        case '/':
        case ':':
        case '*':
        case '?':
        case '"':
        case '<':
        case '>':
        case '|':
            return false;
        default:
            break;
        }
    }
    return true;
}

} // namespace Files
