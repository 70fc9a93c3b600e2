// mkdiscimage OUT.cue [--first N] [--tracks N] [--seconds L1,L2,...] [--data-first L] [--data-last L] [--bin NAME]
// Writes a disc image of synthetic tones (OUT.cue and its BIN beside it), with a data
// track first (mixed-mode CD) or in a second session (enhanced CD) when asked.
#include "cd/DiscImageWriter.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DiscImageWriter writer;
    QString cuePath;
    QString error;
    if (!DiscImageWriter::parseArguments(app.arguments().mid(1), writer, cuePath, error)) {
        std::fprintf(stderr,
                     "mkdiscimage: %s\nusage: mkdiscimage OUT.cue [--first N] [--tracks N] [--seconds L1,L2,...]\n"
                     "                   [--data-first L] [--data-last L] [--bin NAME]\n"
                     "  a length is whole seconds or minutes:seconds:frames; the last one repeats\n"
                     "  --data-first: a data track before the audio (mixed-mode CD)\n"
                     "  --data-last: a data session after the audio (enhanced CD)\n"
                     "  --bin: the data file's name (default: the sheet's name with .bin)\n",
                     qPrintable(error));
        return 2;
    }
    if (!writer.write(cuePath, &error)) {
        std::fprintf(stderr, "mkdiscimage: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
