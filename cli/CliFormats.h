#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class ItemEncoder;
struct WorkItem;
class QObject;

// The formats the terminal front end writes. A new format is one more row: its name, its
// OutputFormat number, its extension and the encoders that make it.
struct CliFormat
{
    // Makes the encoder of one item; a rip's item carries the track's row and title.
    using Factory = std::function<std::unique_ptr<ItemEncoder>(const WorkItem&)>;

    QString name;               // as given after --format and --to
    int outputFormat = -1;      // the OutputFormat setting it stands for; -1 none
    QString extension;          // ".mp3"
    Factory rip;                // encodes an extracted track; empty: the WAV is the result
    Factory convert;            // converts one input file; empty: not a conversion target
    bool convertsWav = true;    // conversions read WAV files (else MP3 files)
    bool resampleFirst = false; // a WAV input below 44,100 Hz is resampled first
};

const std::vector<CliFormat>& cliFormats();
const CliFormat* findFormat(const QString& name);
const CliFormat* formatOfOutputFormat(int outputFormat);
// Names of the formats that can be ripped to, or converted to: "wav|mp3|ogg|flac|wma".
QStringList ripFormatNames();
QStringList convertFormatNames();
