#pragma once

#include "cd/CddbDiscId.h"

#include <QByteArray>
#include <QByteArrayView>
#include <vector>

// The text side of the CDDB protocol: the commands a client sends and the answers a
// server gives. Answers are untrusted input: nothing here assumes well-formed text.
namespace tarnwick::cddb {

struct Match
{
    QByteArray category;
    QByteArray discId;
    QByteArray title;
};

struct QueryAnswer
{
    int code = 0;          // the three-digit code of the first line; 0 when there is none
    QByteArray statusLine; // the first line, cleaned (see cleanLine)
    std::vector<Match> matches;
};

struct ReadAnswer
{
    int code = 0;
    QByteArray statusLine;
    QByteArray entry; // the entry's lines, cleaned, each ended by LF
};

// "cddb query <discid> <tracks> <offset>... <seconds>".
QByteArray queryCommand(const CddbDisc& disc);
// "cddb read <category> <discid>".
QByteArray readCommand(const QByteArray& category, const QByteArray& discId);

// Codes 200 (one exact match), 210 (exact matches) and 211 (inexact matches) carry
// matches, in the server's order; matches with a category or disc ID that cannot be
// sent back in a read command are left out.
QueryAnswer parseQueryAnswer(QByteArrayView body);
// Code 210 carries the entry: the lines after the status line up to a line holding
// only ".", or to the end of the answer when that line is missing.
ReadAnswer parseReadAnswer(QByteArrayView body);

// A category is 1 to 31 lowercase letters or digits, a disc ID 1 to 8 hexadecimal
// digits; both go into a URL unescaped, so nothing else passes.
bool isValidCategory(QByteArrayView text);
bool isValidDiscId(QByteArrayView text);

// One line of an answer made safe to show and to store: NUL bytes and other control
// characters become blanks, byte sequences that are not UTF-8 become U+FFFD.
QByteArray cleanLine(QByteArrayView line);

// The longest start of `entry` that ends at a line end and fits into a buffer of
// `bufferSize` bytes together with the terminating NUL. A first line that is longer than
// the buffer is cut at the last whole UTF-8 character that fits.
QByteArray fitIntoBuffer(QByteArrayView entry, int bufferSize);

} // namespace tarnwick::cddb
