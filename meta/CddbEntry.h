#pragma once

#include "settings/TSettings.h"

#include <QByteArrayView>
#include <QString>
#include <optional>
#include <vector>

// What one CDDB disc entry gives the disc information and the track list.
struct CddbEntryFields
{
    std::optional<QString> artist;
    std::optional<QString> album;
    std::optional<QString> year;
    std::optional<int> genre; // place in the genre list, -1 when the name is not there
    bool hasTitleKey = false;
    // Titles for rows 0, 1, ... of the track list, as far as the entry reaches.
    std::vector<QString> titles;
};

// Parses the entry text (up to its first NUL byte) for a disc with tracks `firstTrack`
// to `lastTrack` shown in a list of `rows` rows. Lines end at CR, LF or CR LF; a key
// that is repeated on several lines (long values are split that way) counts as one line
// holding the joined value. DTITLE gives artist and album (split at the first "/"),
// DYEAR the year, DGENRE the genre by exact name; the line holding "TITLE" + (first
// track - 1) and the lines after it give one title per track, never more than `rows`.
// Control characters in values become blanks, malformed UTF-8 becomes U+FFFD.
CddbEntryFields parseCddbEntry(QByteArrayView text, int firstTrack, int lastTrack, int rows);

// Writes the fields that the entry holds into the disc information.
void applyCddbEntry(const CddbEntryFields& fields, TDiscInfo& disc);
