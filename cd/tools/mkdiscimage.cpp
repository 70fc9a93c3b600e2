// mkdiscimage OUT.cue [--first N] [--tracks N] [--seconds L1,L2,...]
// Writes an audio disc image of synthetic tones (OUT.cue and OUT.bin beside it).
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
                     "  a length is whole seconds or minutes:seconds:frames; the last one repeats\n",
                     qPrintable(error));
        return 2;
    }
    if (!writer.write(cuePath, &error)) {
        std::fprintf(stderr, "mkdiscimage: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
