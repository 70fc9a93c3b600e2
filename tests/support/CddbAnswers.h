#pragma once

#include <QByteArray>
#include <QList>

// The texts a CDDB server sends, as the tests' server makes them; kept apart from the
// server so the fuzz runs can start from the very same answers.

// The text of a CDDB entry: the usual header comment, DISCID, DTITLE ("artist / album"),
// DYEAR, DGENRE, one TTITLEn per title from 0, EXTD and EXTTn empty, PLAYORDER.
QByteArray cddbEntryText(const QByteArray& discId, const QByteArray& artist, const QByteArray& album,
                         const QByteArray& year, const QByteArray& genre, const QList<QByteArray>& titles);

// The whole answer to "cddb read": the 210 line, the entry, the terminating dot.
QByteArray cddbReadAnswer(const QByteArray& category, const QByteArray& discId, QByteArray entry);

// The answer to "cddb query" listing the matches given as (category, disc ID, title):
// 202 for none, 200 for one, 210 and a list for several.
struct CddbMatchLine
{
    QByteArray category;
    QByteArray discId;
    QByteArray title;
};
QByteArray cddbQueryAnswer(const QByteArray& discId, const QList<CddbMatchLine>& matches);
