#include "platform/KeyStore.h"

#include "platform/IniFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The file is read for every call: other programs of the user may change it meanwhile,
// and the calls are few.
IniFile loaded(const QString& path, bool* ok = nullptr)
{
    IniFile file(path);
    const bool read = file.load();
    if (ok != nullptr) {
        *ok = read;
    }
    return file;
}

bool saveWithFolder(IniFile& file)
{
    QDir().mkpath(QFileInfo(file.path()).absolutePath());
    return file.save();
}

} // namespace

KeyStore::KeyStore(QString path) : m_path(std::move(path)) {}

QString KeyStore::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tarnwick/keystore.ini");
}

QString KeyStore::normalise(const QString& key)
{
    return key.split(QLatin1Char('\\'), Qt::SkipEmptyParts).join(QLatin1Char('\\'));
}

bool KeyStore::keyExists(const QString& key) const
{
    const QString name = normalise(key);
    return !name.isEmpty() && loaded(m_path).hasSection(name);
}

bool KeyStore::deleteKey(const QString& key)
{
    const QString name = normalise(key);
    bool ok = false;
    IniFile file = loaded(m_path, &ok);
    if (!ok || name.isEmpty() || !file.hasSection(name)) {
        return false;
    }
    const QString below = name + QLatin1Char('\\');
    for (const QString& section : file.sections()) {
        if (section.startsWith(below, Qt::CaseInsensitive)) {
            return false;
        }
    }
    file.removeSection(name);
    return saveWithFolder(file);
}

QString KeyStore::value(const QString& key, const QString& name) const
{
    return loaded(m_path).readString(normalise(key), name);
}

bool KeyStore::hasValue(const QString& key, const QString& name) const
{
    return loaded(m_path).hasKey(normalise(key), name);
}

bool KeyStore::setValue(const QString& key, const QString& name, const QString& value)
{
    const QString section = normalise(key);
    bool ok = false;
    IniFile file = loaded(m_path, &ok);
    if (!ok || section.isEmpty()) {
        return false;
    }
    file.writeString(section, name, value);
    return saveWithFolder(file);
}

bool KeyStore::deleteValue(const QString& key, const QString& name)
{
    bool ok = false;
    IniFile file = loaded(m_path, &ok);
    if (!ok || !file.removeKey(normalise(key), name)) {
        return false;
    }
    return saveWithFolder(file);
}
