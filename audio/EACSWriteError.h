#pragma once

#include "audio/EACSException.h"

#include <QIODevice>
#include <cerrno>
#include <system_error>

// A sink could not create or write its file (a full disk, a folder gone, no permission).
// It keeps the file and the system's reason apart, so a window can say which file failed
// and why, and remove what was left of it.
class EACSWriteError : public EACSException
{
public:
    EACSWriteError(const QString& message, const QString& path, const QString& reason)
        : EACSException(message), m_path(path), m_reason(reason)
    {
    }

    // The device's own reason, or the system's word for `error` (the errno taken right
    // after the failure) when the device has none: a write cut short leaves no reason.
    static QString reasonOf(const QIODevice& device, int error)
    {
        const QString own = device.errorString();
        if (error != 0 && (own.isEmpty() || own == QLatin1String("Unknown error"))) {
            return QString::fromStdString(std::error_code(error, std::generic_category()).message());
        }
        return own;
    }

    const QString& path() const { return m_path; }
    const QString& reason() const { return m_reason; }

private:
    QString m_path;
    QString m_reason;
};
