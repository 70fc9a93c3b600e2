#pragma once

#include "cd/CDRecords.h"

#include <QString>
#include <vector>

// The drives and the disc as the window's track list shows them.
namespace CliDisc {

struct Drive
{
    int index = 0;
    QString vendor;
    QString product;
    QString path; // the device or image file
    bool image = false;
};

// Every drive the drive library lists, in its order (real drives, then disc images).
std::vector<Drive> drives();

struct Row
{
    int row = 0;    // 1 = the first track of the disc
    int track = 0;  // the track's number on the disc
    QString number; // the texts of the window's columns
    QString title;
    QString length;
    QString size;
    bool data = false; // a data track: listed, never ripped
};

struct Disc
{
    QString key; // empty when the disc is not an audio CD
    std::vector<Row> rows;
};

// Opens drive `index` as the window does (freeing a handle left open if needed); 0 with
// the reason in `error` when it cannot.
CDHandle openDrive(int index, QString& error);

// Reads the table of contents, loads the disc's titles from cdinfo.dat (never writes
// it) into the settings' disc record, and forms the rows. False with a reason when
// there is no readable disc.
bool readDisc(CDHandle handle, const QString& discInfoPath, Disc& disc, QString& error);

} // namespace CliDisc
