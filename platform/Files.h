#pragma once

#include <QString>
#include <cstdint>

// File services the windows and workers rely on.
namespace Files {

bool exists(const QString& path);
bool folderExists(const QString& path);
std::int64_t size(const QString& path); // -1 when it cannot be read
bool remove(const QString& path);
// Replaces an existing target, as a rename over it.
bool rename(const QString& from, const QString& to);
bool copy(const QString& from, const QString& to);
bool isWritable(const QString& path);

// "In use": the file cannot be opened for reading and writing, or some process
// (this one included) holds it open. A missing file is not in use.
bool isInUse(const QString& path);

// A name for a single file (no folder part) that every platform accepts: not empty,
// no \ / : * ? " < > | and no control characters, not "." or "..".
bool isValidFileName(const QString& name);

} // namespace Files
