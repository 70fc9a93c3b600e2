#pragma once

#include <QString>

namespace tarnwick {

// The folder that holds the executable and the program's own files (options.ini,
// cdinfo.dat, lame, wmaenc). TARNWICK_HOME overrides it for tests and the run script.
// No trailing separator.
QString programFolder();

} // namespace tarnwick
