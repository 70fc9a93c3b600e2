#pragma once

#include <QStringList>
#include <cstdint>

// The ID3v1 genres and the program's genre list. A tag stores a genre number (0 to 147,
// 255 = none); the genre boxes of the options dialog and the tag editor show an empty
// entry followed by the 148 names in the program's own fixed order, which is not
// strictly alphabetical ("Eurodance" before "Euro-House") and is never re-sorted.
// The disc information record keeps a 0-based place in that order, so its list
// position is the place + 1.
namespace Genres {

constexpr int count = 148;
constexpr std::uint8_t none = 255;

// Name of genre number n, empty for numbers outside 0 to 147.
QString nameOf(int genre);

// The 148 names in list order; list position p (1 to 148) is listNames()[p - 1].
const QStringList& listNames();

// The items of a genre box: the empty entry followed by listNames().
QStringList listItems();

// Position 0 (the empty entry) and every position outside 1 to 148 give 255.
std::uint8_t genreOfListPosition(int position);

// Numbers outside 0 to 147 give 0, the empty entry.
int listPositionOfGenre(int genre);

} // namespace Genres
