#include "platform/IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <algorithm>

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

bool IniFile::load()
{
    m_sections.clear();
    m_error.clear();
    QFile file(m_path);
    if (!file.exists()) {
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_error = file.errorString();
        return false;
    }
    const QString text = QString::fromUtf8(file.readAll());
    Section* current = nullptr;
    const auto lines = text.split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r'))) {
            line.chop(1);
        }
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char(';'))) {
            continue;
        }
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            current = &sectionFor(trimmed.mid(1, trimmed.size() - 2).trimmed());
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || current == nullptr) {
            continue;
        }
        // The key is trimmed; the value is kept exactly as it stands after the first "=".
        const QString key = line.left(eq).trimmed();
        const QString value = line.mid(eq + 1);
        bool replaced = false;
        for (auto& entry : current->entries) {
            if (entry.key.compare(key, Qt::CaseInsensitive) == 0) {
                entry.value = value;
                replaced = true;
                break;
            }
        }
        if (!replaced) {
            current->entries.push_back({key, value});
        }
    }
    return true;
}

bool IniFile::save()
{
    m_error.clear();
    QByteArray out;
    for (const auto& section : m_sections) {
        out += '[' + section.name.toUtf8() + "]\n";
        for (const auto& entry : section.entries) {
            out += entry.key.toUtf8() + '=' + entry.value.toUtf8() + '\n';
        }
    }
    // QSaveFile writes to a temporary file beside the target and renames it over the
    // old file only when everything was written.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly)) {
        m_error = file.errorString();
        return false;
    }
    if (file.write(out) != out.size()) {
        m_error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_error = file.errorString();
        return false;
    }
    return true;
}

const IniFile::Section* IniFile::findSection(const QString& name) const
{
    for (const auto& section : m_sections) {
        if (section.name.compare(name, Qt::CaseInsensitive) == 0) {
            return &section;
        }
    }
    return nullptr;
}

IniFile::Section& IniFile::sectionFor(const QString& name)
{
    for (auto& section : m_sections) {
        if (section.name.compare(name, Qt::CaseInsensitive) == 0) {
            return section;
        }
    }
    m_sections.push_back({name, {}});
    return m_sections.back();
}

bool IniFile::hasSection(const QString& section) const
{
    return findSection(section) != nullptr;
}

bool IniFile::hasKey(const QString& section, const QString& key) const
{
    const Section* s = findSection(section);
    if (s == nullptr) {
        return false;
    }
    for (const auto& entry : s->entries) {
        if (entry.key.compare(key, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

QString IniFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const Section* s = findSection(section);
    if (s != nullptr) {
        for (const auto& entry : s->entries) {
            if (entry.key.compare(key, Qt::CaseInsensitive) == 0) {
                return entry.value;
            }
        }
    }
    return defaultValue;
}

int IniFile::readInteger(const QString& section, const QString& key, int defaultValue) const
{
    if (!hasKey(section, key)) {
        return defaultValue;
    }
    bool ok = false;
    const int value = readString(section, key).trimmed().toInt(&ok, 10);
    return ok ? value : defaultValue;
}

bool IniFile::readBool(const QString& section, const QString& key, bool defaultValue) const
{
    return readInteger(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::writeString(const QString& section, const QString& key, const QString& rawValue)
{
    // A line break inside a value would end it early and turn the rest into a stray
    // line; values are single-line by nature (titles, folders), so fold it into a blank.
    QString value = rawValue;
    value.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    Section& s = sectionFor(section);
    for (auto& entry : s.entries) {
        if (entry.key.compare(key, Qt::CaseInsensitive) == 0) {
            entry.value = value;
            return;
        }
    }
    s.entries.push_back({key, value});
}

void IniFile::writeInteger(const QString& section, const QString& key, int value)
{
    writeString(section, key, QString::number(value));
}

void IniFile::writeBool(const QString& section, const QString& key, bool value)
{
    writeString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

bool IniFile::removeSection(const QString& section)
{
    const auto found = std::find_if(m_sections.begin(), m_sections.end(), [&](const Section& s) {
        return s.name.compare(section, Qt::CaseInsensitive) == 0;
    });
    if (found == m_sections.end()) {
        return false;
    }
    m_sections.erase(found);
    return true;
}

bool IniFile::removeKey(const QString& section, const QString& key)
{
    for (auto& s : m_sections) {
        if (s.name.compare(section, Qt::CaseInsensitive) != 0) {
            continue;
        }
        const auto found = std::find_if(s.entries.begin(), s.entries.end(),
                                        [&](const Entry& e) { return e.key.compare(key, Qt::CaseInsensitive) == 0; });
        if (found == s.entries.end()) {
            return false;
        }
        s.entries.erase(found);
        return true;
    }
    return false;
}

void IniFile::addSectionAfter(const QString& section, const QString& after)
{
    if (findSection(section) != nullptr) {
        return;
    }
    auto at = std::find_if(m_sections.begin(), m_sections.end(),
                           [&after](const Section& s) { return s.name.compare(after, Qt::CaseInsensitive) == 0; });
    m_sections.insert(at == m_sections.end() ? at : std::next(at), Section{section, {}});
}

QStringList IniFile::sections() const
{
    QStringList names;
    for (const auto& section : m_sections) {
        names << section.name;
    }
    return names;
}

QStringList IniFile::keys(const QString& section) const
{
    QStringList names;
    if (const Section* s = findSection(section)) {
        for (const auto& entry : s->entries) {
            names << entry.key;
        }
    }
    return names;
}
