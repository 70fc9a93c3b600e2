#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// Keyed text in the classic INI form: "[Section]" lines followed by "key=value" lines.
// Sections and keys keep their file order; lookups ignore case as the settings files
// always have. Values are kept exactly as they stand (no quoting, no escaping, leading
// blanks kept); the file is UTF-8. Nothing touches the disk until save(), which writes
// the whole file to a temporary file and renames it over the old one, so a failed save
// leaves the previous file byte for byte.
class IniFile
{
public:
    explicit IniFile(QString path);

    // Reads the file; a missing file reads as empty and counts as success.
    bool load();
    bool save();
    QString errorString() const { return m_error; }
    const QString& path() const { return m_path; }

    bool hasSection(const QString& section) const;
    bool hasKey(const QString& section, const QString& key) const;
    QString readString(const QString& section, const QString& key, const QString& defaultValue = QString()) const;
    // A missing key or a value that is not a decimal integer gives the default.
    int readInteger(const QString& section, const QString& key, int defaultValue) const;
    bool readBool(const QString& section, const QString& key, bool defaultValue) const;

    void writeString(const QString& section, const QString& key, const QString& value);
    void writeInteger(const QString& section, const QString& key, int value);
    void writeBool(const QString& section, const QString& key, bool value);
    // Makes an empty section right after `after` unless it exists already, so a section
    // that a newer version adds sits beside its kin in a file written by an older one.
    // Without an `after` section it goes at the end, as a write would put it.
    void addSectionAfter(const QString& section, const QString& after);

    // False when there was nothing to remove.
    bool removeSection(const QString& section);
    bool removeKey(const QString& section, const QString& key);

    QStringList sections() const;
    QStringList keys(const QString& section) const;

private:
    struct Entry
    {
        QString key;
        QString value;
    };
    struct Section
    {
        QString name;
        std::vector<Entry> entries;
    };

    const Section* findSection(const QString& name) const;
    Section& sectionFor(const QString& name);

    QString m_path;
    QString m_error;
    std::vector<Section> m_sections;
};
