#include "support/CddbAnswers.h"

QByteArray cddbEntryText(const QByteArray& discId, const QByteArray& artist, const QByteArray& album,
                         const QByteArray& year, const QByteArray& genre, const QList<QByteArray>& titles)
{
    QByteArray text = "# CDDB entry\r\n#\r\n# Revision: 0\r\n#\r\n";
    text += "DISCID=" + discId + "\r\nDTITLE=" + artist + " / " + album + "\r\nDYEAR=" + year + "\r\nDGENRE=" + genre +
            "\r\n";
    for (int i = 0; i < titles.size(); ++i) {
        text += "TTITLE" + QByteArray::number(i) + '=' + titles[i] + "\r\n";
    }
    text += "EXTD=\r\n";
    for (int i = 0; i < titles.size(); ++i) {
        text += "EXTT" + QByteArray::number(i) + "=\r\n";
    }
    return text + "PLAYORDER=\r\n";
}

QByteArray cddbReadAnswer(const QByteArray& category, const QByteArray& discId, QByteArray entry)
{
    if (!entry.endsWith('\n')) {
        entry += "\r\n";
    }
    return "210 " + category + ' ' + discId + " CD database entry follows (until terminating `.')\r\n" + entry +
           ".\r\n";
}

QByteArray cddbQueryAnswer(const QByteArray& discId, const QList<CddbMatchLine>& matches)
{
    if (matches.isEmpty()) {
        return "202 No match for disc ID " + discId + ".\r\n";
    }
    if (matches.size() == 1) {
        return "200 " + matches[0].category + ' ' + matches[0].discId + ' ' + matches[0].title + "\r\n";
    }
    QByteArray list = "210 Found exact matches, list follows (until terminating `.')\r\n";
    for (const CddbMatchLine& match : matches) {
        list += match.category + ' ' + match.discId + ' ' + match.title + "\r\n";
    }
    return list + ".\r\n";
}
