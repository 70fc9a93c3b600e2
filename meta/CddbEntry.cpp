#include "meta/CddbEntry.h"

#include "meta/Genres.h"

#include <QHash>
#include <QStringList>

namespace {

bool isBlank(QChar c)
{
    return c.unicode() <= 32;
}

// Trimmed: without leading and trailing characters of code 32 or less.
QString trimmed(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(text[end - 1])) {
        --end;
    }
    return text.sliced(begin, end - begin).toString();
}

QString valueOf(const QString& line)
{
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    return trimmed(equals < 0 ? QStringView(line) : QStringView(line).sliced(equals + 1));
}

// Text safe to show and store: controls (C0, DEL, C1) become blanks.
QString cleaned(QByteArrayView bytes)
{
    QString text = QString::fromUtf8(bytes);
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0)) {
            c = QLatin1Char(' ');
        }
    }
    return text;
}

QStringList splitLines(QByteArrayView text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '\r' || text[i] == '\n') {
            if (i < text.size() || start < i) {
                lines << cleaned(text.sliced(start, i - start));
            }
            if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') {
                ++i;
            }
            start = i + 1;
        }
    }
    return lines;
}

// The key of a "KEY=value" line; empty for comments and lines without a key.
QString keyOf(const QString& line)
{
    const QString text = trimmed(line);
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (text.startsWith(QLatin1Char('#')) || equals <= 0) {
        return {};
    }
    const QString key = text.left(equals);
    for (const QChar c : key) {
        if (isBlank(c)) {
            return {};
        }
    }
    return key;
}

// Every later line of a key already seen adds its text after the "=" to the first line.
QStringList joinRepeatedKeys(const QStringList& lines)
{
    QStringList joined;
    QHash<QString, qsizetype> first;
    for (const QString& line : lines) {
        const QString key = keyOf(line);
        if (key.isEmpty()) {
            joined << line;
            continue;
        }
        const auto seen = first.constFind(key);
        if (seen == first.constEnd()) {
            first.insert(key, joined.size());
            joined << trimmed(line);
            continue;
        }
        QString& target = joined[*seen];
        target += line.mid(line.indexOf(QLatin1Char('=')) + 1);
        // A continued value keeps its inner blanks; only the joined end is trimmed.
        target = trimmed(target);
    }
    return joined;
}

void splitTitle(const QString& line, CddbEntryFields& fields)
{
    const qsizetype e = line.indexOf(QLatin1Char('='));
    const qsizetype s = line.indexOf(QLatin1Char('/'));
    if (s < 0) {
        // No "/": the whole value is the album, the artist is empty.
        fields.artist = QString();
        fields.album = valueOf(line);
        return;
    }
    fields.artist = s > e ? trimmed(QStringView(line).sliced(e + 1, s - e - 1)) : QString();
    fields.album = trimmed(QStringView(line).sliced(s + 1));
}

} // namespace

CddbEntryFields parseCddbEntry(QByteArrayView text, int firstTrack, int lastTrack, int rows)
{
    CddbEntryFields fields;
    const qsizetype nul = text.indexOf('\0');
    const QStringList lines = joinRepeatedKeys(splitLines(nul < 0 ? text : text.first(nul)));
    const QString titleKey = QStringLiteral("TITLE") + QString::number(firstTrack - 1);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (trimmed(line).isEmpty()) {
            continue;
        }
        const bool hasEquals = line.contains(QLatin1Char('='));
        if (line.contains(QLatin1String("DTITLE"))) {
            splitTitle(line, fields);
        }
        if (line.contains(QLatin1String("DYEAR")) && hasEquals) {
            fields.year = valueOf(line);
        }
        if (line.contains(QLatin1String("DGENRE")) && hasEquals) {
            fields.genre = static_cast<int>(Genres::listNames().indexOf(valueOf(line)));
        }
        if (line.contains(titleKey)) {
            fields.hasTitleKey = true;
            const int count = std::max(0, std::min(lastTrack - firstTrack + 1, rows));
            for (qsizetype at = i; at < lines.size() && static_cast<int>(fields.titles.size()) < count; ++at) {
                fields.titles.push_back(valueOf(lines[at]));
            }
            return fields;
        }
    }
    return fields;
}

void applyCddbEntry(const CddbEntryFields& fields, TDiscInfo& disc)
{
    if (fields.artist) {
        disc.Artist = *fields.artist;
    }
    if (fields.album) {
        disc.Album = *fields.album;
    }
    if (fields.year) {
        disc.Year = *fields.year;
    }
    if (fields.genre) {
        disc.Genre = *fields.genre;
    }
}
