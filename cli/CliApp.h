#pragma once

#include <QString>
#include <QStringList>
#include <functional>

// The terminal front end: reads the command line, the settings and the disc's titles, runs
// the command and gives its exit status (0 every item done, 1 an item failed, 2 bad
// arguments, 130 stopped by SIGINT, SIGTERM or SIGHUP).
namespace CliApp {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitStopped = 130;

struct Streams
{
    std::function<void(const QString&)> out; // listings
    std::function<void(const QString&)> err; // progress and errors
    bool errIsTerminal = false;
    int columns = 80;
};

// `arguments` without the program name.
int run(const QStringList& arguments, const Streams& streams);

} // namespace CliApp
