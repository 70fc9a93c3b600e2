#pragma once

// What a terminal program needs to know about its standard error.
namespace Terminal {

// Standard error is a terminal (live progress lines), not a file or a pipe (log lines).
bool stderrIsTerminal();
// Its width in columns; 80 when it cannot be told.
int stderrColumns();

} // namespace Terminal
