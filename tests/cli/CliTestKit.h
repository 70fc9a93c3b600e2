#pragma once

#include "settings/TSettings.h"
#include "support/TempFolder.h"

#include <QProcess>
#include <QStringList>
#include <functional>
#include <vector>

// A program folder (options.ini, cdinfo.dat, our WMA encoder), an output folder and a
// generated disc image for runs of the real tarnwick-cli, and the job window's run of the
// same job for comparison.
class CliTestKit
{
public:
    CliTestKit();
    ~CliTestKit();

    QString home() const { return dir.file(QStringLiteral("home")); }
    QString out(const QString& name = QString()) const;

    // A disc image of tracks of the given lengths in seconds; the drive list offers it.
    void makeDisc(const std::vector<double>& seconds, int firstTrack = 1);
    // The image a writer describes (data tracks, a BIN of another name), as "disc.cue".
    void makeImage(const class DiscImageWriter& writer);
    // Writes `record` as options.ini and `disc` as the disc's section of cdinfo.dat.
    void writeOptions(const TSettings& record);
    void writeDiscInfo(const TDiscInfo& disc);
    // The disc key of the image, as the window forms it.
    QString discKey() const;
    // A "lame" in the program folder that runs the real one, first noting how many WAV
    // files the output folder holds, and failing for inputs whose name holds `failFor`.
    void installLameWrapper(const QString& failFor = QString());
    QStringList wrapperLog() const;

    struct Result
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Result run(const QStringList& arguments) const;
    // Starts the program and hands it to `during` while it runs; the result once it ended.
    Result run(const QStringList& arguments, const std::function<void(QProcess&)>& during) const;

    // Runs the window's job on the image with the settings of options.ini and the titles
    // of cdinfo.dat, into `folder`: a rip of the given rows, or a conversion of files.
    void runWindowRip(const QString& folder, const std::vector<int>& rows) const;
    void runWindowJob(int mode, const QStringList& items, const QString& folder) const;

    static QStringList filesIn(const QString& folder);
    static QString probe(const QString& file, const QString& entries);
    static double durationSeconds(const QString& file);
    // The samples `flac -d` gives back from a FLAC file, as 16-bit little-endian PCM.
    static QByteArray flacSamples(const QString& file);
    // The audio bytes of a WAV file with the plain 44-byte header.
    static QByteArray wavSamples(const QString& file);

    TempFolder dir;
    QString cue;

private:
    QProcessEnvironment environment() const;
};
