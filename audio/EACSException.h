#pragma once

#include <QString>
#include <stdexcept>

// The one error type of the stream components; its text is shown to the user as it stands.
class EACSException : public std::runtime_error
{
public:
    explicit EACSException(const char* message) : std::runtime_error(message) {}
    explicit EACSException(const QString& message) : std::runtime_error(message.toStdString()) {}

    QString Message() const { return QString::fromUtf8(what()); }
};
