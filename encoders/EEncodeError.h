#pragma once

#include <QString>
#include <stdexcept>

// An encoder process could not be started or its output could not be read. The text is
// shown to the user as it stands by the application's error handler.
class EEncodeError : public std::runtime_error
{
public:
    explicit EEncodeError(const QString& message) : std::runtime_error(message.toStdString()) {}

    QString Message() const { return QString::fromUtf8(what()); }
};
