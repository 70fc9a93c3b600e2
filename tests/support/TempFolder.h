#pragma once

#include "support/QtPrinters.h"

#include <QString>
#include <QTemporaryDir>

// A scratch folder removed at the end of the test, with a helper for paths inside it.
class TempFolder
{
public:
    TempFolder() : m_dir(QStringLiteral("/tmp/tarnwick-test-XXXXXX")) {}
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    bool isValid() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
};

// Writes bytes to a file, replacing it; returns false on failure.
bool writeFileBytes(const QString& path, const QByteArray& bytes);
QByteArray readFileBytes(const QString& path);
