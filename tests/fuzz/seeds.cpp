// fuzz-sources: tests/support/CddbAnswers.cpp tests/support/AccurateRipFiles.cpp
//
// Writes the disc lookup answers the tests serve as seeds for the fuzz target named:
//   seeds fuzz_cddbentry <folder>     the CDDB read and query answers
//   seeds fuzz_accuraterip <folder>   the AccurateRip database files
// Other targets get nothing. Each file is what the target's first byte needs, then the answer.
#include "support/AccurateRipFiles.h"
#include "support/CddbAnswers.h"

#include <QFile>
#include <QString>
#include <cstdio>
#include <cstring>

namespace {

bool write(const QString& folder, const QString& name, const QByteArray& bytes)
{
    QFile file(folder + '/' + name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// The CDDB target's first byte: first track 1 + b % 4, track count 1 + (b >> 2) % 40.
QByteArray disc(int firstTrack, int tracks)
{
    return QByteArray(1, char(((tracks - 1) << 2) | (firstTrack - 1)));
}

QList<QByteArray> songs(int count)
{
    QList<QByteArray> names;
    for (int i = 0; i < count; ++i) {
        names << "Song " + QByteArray::number(i + 1);
    }
    return names;
}

bool cddbSeeds(const QString& folder)
{
    const QByteArray id = "08025603";
    const QByteArray band = cddbEntryText(id, "Band", "Record", "1994", "Rock", {"Intro", "Song", "Outro"});
    const QByteArray escaping = cddbEntryText(id, "..", "..", "", "", {"../escape", "back\\slash", "Plain"});
    const QByteArray album = cddbEntryText(id, "Artist", "Album", "1999", "Rock", songs(12));
    const QByteArray later = cddbEntryText(id, "Artist", "Album", "2001", "Rock", songs(5));
    return write(folder, "read-band", disc(1, 3) + cddbReadAnswer("rock", id, band)) &&
           write(folder, "read-escaping", disc(1, 3) + cddbReadAnswer("misc", id, escaping)) &&
           write(folder, "read-album", disc(1, 12) + cddbReadAnswer("rock", id, album)) &&
           write(folder, "read-first-track-3", disc(3, 5) + cddbReadAnswer("jazz", id, later)) &&
           write(folder, "query-one", disc(1, 3) + cddbQueryAnswer(id, {{"rock", id, "Band / Record"}})) &&
           write(folder, "query-several",
                 disc(1, 3) + cddbQueryAnswer(id, {{"misc", id, "A / B"}, {"rock", id, "C / D"}})) &&
           write(folder, "query-none", disc(1, 3) + cddbQueryAnswer(id, {}));
}

bool accurateRipSeeds(const QString& folder)
{
    // The three-track disc of the database tests: its IDs, two pressings.
    const auto pressing = [](const std::vector<AccurateRipEntry>& tracks) {
        return accurateRipChunk(0x15dceu, 0x48e9bu, 0x08025603u, tracks);
    };
    const QByteArray first = pressing({{10, 0x11111111, 1}, {9, 0x22222222, 2}, {8, 0x33333333, 3}});
    const QByteArray second = pressing({{2, 0xaaaaaaaa, 4}, {0, 0, 0}, {255, 0xcccccccc, 6}});
    return write(folder, "one-pressing", first) && write(folder, "two-pressings", first + second) &&
           write(folder, "one-track", accurateRipChunk(1, 2, 3, {{1, 1, 1}}));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: seeds <fuzz target> <folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    bool written = true;
    if (std::strcmp(argv[1], "fuzz_cddbentry") == 0) {
        written = cddbSeeds(folder);
    } else if (std::strcmp(argv[1], "fuzz_accuraterip") == 0) {
        written = accurateRipSeeds(folder);
    }
    if (!written) {
        std::fprintf(stderr, "seeds: cannot write into %s\n", argv[2]);
        return 1;
    }
    return 0;
}
