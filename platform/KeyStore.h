#pragma once

#include <QString>

// The current user's keyed store: keys named by backslash paths
// ("Software\Vendor\Product\Setting"), each holding named text values. It lives in one
// small file in the user's configuration folder; every change is written at once, whole,
// so the file is never left half written. Key and value names ignore case.
class KeyStore
{
public:
    explicit KeyStore(QString path = defaultPath());

    // "<configuration folder>/tarnwick/keystore.ini"
    static QString defaultPath();

    // True when the key itself exists (not merely a key below it).
    bool keyExists(const QString& key) const;
    // Deletes a key that exists and has no keys below it, with its values. False when
    // it is missing, has subkeys, or the file cannot be written.
    bool deleteKey(const QString& key);
    QString value(const QString& key, const QString& name) const;
    bool hasValue(const QString& key, const QString& name) const;
    // Creates the key when it is missing.
    bool setValue(const QString& key, const QString& name, const QString& value);
    // False when the key or the value is missing, or the file cannot be written.
    bool deleteValue(const QString& key, const QString& name);

    const QString& path() const { return m_path; }

    // One spelling for every key path: no leading, trailing or doubled backslashes.
    static QString normalise(const QString& key);

private:
    QString m_path;
};
