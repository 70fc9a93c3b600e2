#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// The data files a CUE sheet names, and how its disc is opened when they are not named
// like the sheet. The image driver reads "<sheet's base name>.bin" whatever the sheet's
// FILE line says, so "Album.cue" with "Album (Disc 1).bin" beside it, as most rips are
// named, would not open; such a sheet is opened through a private folder in which a copy
// of the sheet and a link to the file it names carry matching names.
namespace DiscImageFiles {

// The files named by the sheet's FILE lines, resolved against the sheet's folder, in order.
QStringList namedFiles(const QString& cuePath);

// Why the disc of an image cannot be read, for the user: a data file the sheet names that
// is not there (and no file named like the sheet stands in for it). Empty when nothing is
// known to be missing, and for images that are not CUE sheets.
QString problem(const QString& imagePath);

// What to open instead of the image: `path` is the sheet to hand to the driver, `folder`
// (when set) must live as long as the opened image, for the driver reads its files lazily.
struct Opening
{
    QString path;
    std::unique_ptr<QTemporaryDir> folder;
};
Opening prepare(const QString& imagePath);

} // namespace DiscImageFiles
