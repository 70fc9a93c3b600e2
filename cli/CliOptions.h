#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

// What the command line asks for. Options come from one table (cliOptionTable), so a new
// option is one row there and one field here.
struct CliOptions
{
    enum Command : unsigned { None = 0, Drives = 1, Toc = 2, Rip = 4, Convert = 8 };

    Command command = None;
    bool help = false;
    std::optional<int> drive;
    // --tracks as ranges of track numbers, each first <= last, in the order given.
    std::vector<std::pair<int, int>> tracks;
    QString format; // --format (rip) or --to (convert)
    QString output;
    std::optional<int> jobs;
    std::optional<int> normalize;
    bool keepWav = false;
    bool secure = false;       // --secure: secure mode for this run
    std::optional<int> offset; // --offset: the drive read offset for this run, in samples
    bool quiet = false;
    bool overwrite = false;
    QStringList files;
};

struct CliOption
{
    QString name;      // "--drive"
    QString value;     // what follows it in the usage ("N"); empty for a switch
    unsigned commands; // the commands that take it (CliOptions::Command bits)
    bool required;     // the commands that take it need it
    QString help;
    // Stores the value; returns an error text, empty when the value is good.
    QString (*apply)(CliOptions& options, const QString& value);
};

const std::vector<CliOption>& cliOptionTable();

struct CliParse
{
    CliOptions options;
    QString error; // empty when the command line is good
};

// Reads the arguments after the program name: a command, then its options (as
// "--name value" or "--name=value") and, for convert, the files.
CliParse parseCommandLine(const QStringList& arguments);

// "1-3,5" as ranges; an error text for a track 0, a backward range or anything else
// that is not a list of numbers and ranges.
QString parseTrackList(const QString& text, std::vector<std::pair<int, int>>& ranges);

QString usageText();
