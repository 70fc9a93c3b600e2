// cddb-test-server [--port N] [--image DISC.cue] [--category C] [--artist A] [--album B]
//                  [--year Y] [--genre G] [--titles "One|Two|..."] [ENTRY...]
// Serves CDDB entries on 127.0.0.1 until interrupted: one made up for the disc of a disc
// image (--image, with the given names, "Track N" where titles are missing), and any
// entry files given (their DISCID and DTITLE lines name them). Prints the address to put
// into the lookup window's server box.
#include "cd/CddbDiscId.h"
#include "cd/CdioDeviceSource.h"
#include "support/CddbTestServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <csignal>
#include <cstdio>

namespace {

bool addImageEntry(CddbTestServer& server, const QString& image, const QByteArray& category,
                   const QMap<QString, QString>& names)
{
    CdioDeviceSource source;
    const std::unique_ptr<CDDevice> device = source.open({image, "IMAGE", "image", true});
    DiscLayout layout;
    if (!device || !device->readLayout(layout) || layout.tracks.empty()) {
        std::fprintf(stderr, "cddb-test-server: cannot read the disc image %s\n", qPrintable(image));
        return false;
    }
    const QByteArray discId = tarnwick::cddbDiscIdText(tarnwick::cddbDiscId(layout)).toLatin1();
    const QStringList given = names.value(QStringLiteral("titles")).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QList<QByteArray> titles;
    for (std::size_t i = 0; i < layout.tracks.size(); ++i) {
        titles << (static_cast<qsizetype>(i) < given.size() ? given[static_cast<qsizetype>(i)].toUtf8()
                                                            : "Track " + QByteArray::number(int(i) + 1));
    }
    const QByteArray artist = names.value(QStringLiteral("artist"), QStringLiteral("Test Artist")).toUtf8();
    const QByteArray album = names.value(QStringLiteral("album"), QStringLiteral("Test Album")).toUtf8();
    server.addEntry(category, discId, artist + " / " + album,
                    cddbEntryText(discId, artist, album, names.value(QStringLiteral("year")).toUtf8(),
                                  names.value(QStringLiteral("genre")).toUtf8(), titles));
    std::printf("cddb-test-server: %s %s for %s\n", category.constData(), discId.constData(), qPrintable(image));
    return true;
}

bool addEntryFile(CddbTestServer& server, const QString& path, const QByteArray& category)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cddb-test-server: cannot read %s\n", qPrintable(path));
        return false;
    }
    const QByteArray text = file.readAll();
    QByteArray discId;
    QByteArray title;
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith("DISCID=") && discId.isEmpty()) {
            discId = line.mid(7).trimmed().split(',').value(0);
        } else if (line.startsWith("DTITLE=") && title.isEmpty()) {
            title = line.mid(7).trimmed();
        }
    }
    if (discId.isEmpty()) {
        std::fprintf(stderr, "cddb-test-server: %s has no DISCID line\n", qPrintable(path));
        return false;
    }
    server.addEntry(category, discId, title, text);
    std::printf("cddb-test-server: %s %s from %s\n", category.constData(), discId.constData(), qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    int port = 0;
    QByteArray category = "misc";
    QString image;
    QMap<QString, QString> names;
    QStringList files;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == QLatin1String("--port") && hasValue) {
            port = args[++i].toInt();
        } else if (arg == QLatin1String("--image") && hasValue) {
            image = args[++i];
        } else if (arg == QLatin1String("--category") && hasValue) {
            category = args[++i].toLatin1();
        } else if (arg.startsWith(QLatin1String("--")) && hasValue &&
                   QStringList{"artist", "album", "year", "genre", "titles"}.contains(arg.mid(2))) {
            names[arg.mid(2)] = args[++i];
        } else if (!arg.startsWith(QLatin1String("--"))) {
            files << arg;
        } else {
            std::fprintf(stderr, "usage: cddb-test-server [--port N] [--image DISC.cue] [--category C] [--artist A] "
                                 "[--album B] [--year Y] [--genre G] [--titles \"One|Two\"] [ENTRY...]\n");
            return 2;
        }
    }

    // Block the stop signals before the server's thread starts, so only sigwait sees them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    CddbTestServer server;
    if (!image.isEmpty() && !addImageEntry(server, image, category, names)) {
        return 1;
    }
    for (const QString& file : files) {
        if (!addEntryFile(server, file, category)) {
            return 1;
        }
    }
    if (!server.start(port)) {
        std::fprintf(stderr, "cddb-test-server: cannot listen on port %d\n", port);
        return 1;
    }
    std::printf("cddb-test-server: listening on %s (Ctrl+C ends it)\n", qPrintable(server.address()));
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stopSignals, &signal);
    server.stop();
    return 0;
}
