#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class TACSOutput;

// What every benchmark needs: the median of its runs, an input that resembles music,
// and timed runs of our components and of the reference tools. A failure ends the
// benchmark with a message naming it: a time for a run that did not work means nothing.
namespace bench {

double median(std::vector<double> values);

// The command line every benchmark takes: an optional leading benchmark name (as
// scripts/bench passes it), then --minutes N, --runs N, --tracks N, --dir FOLDER and
// --only NAME. Fields keep the defaults given where an option is absent.
struct Arguments
{
    QString name;
    int minutes = 10;
    int runs = 5;
    int tracks = 0;
    QString dir;
};
Arguments parseArguments(const QStringList& arguments, Arguments defaults);

// A stereo 16-bit WAV file of drifting partials, a beat and a little noise, different per
// channel: broadband enough that encoders and filters do their usual amount of work.
bool writeMusicLikeWav(const QString& path, int minutes, int rate = 44100);

// Starts the output's transfer and waits for its end; seconds taken.
double timeTransfer(TACSOutput& output, const char* benchName);

// Runs a tool to its end (its output discarded); seconds taken.
double timeTool(const QString& program, const QStringList& arguments, const char* benchName);

// The first line the tool prints for these arguments (its version), for the report.
QString toolVersion(const QString& program, const QStringList& arguments);

} // namespace bench
