#include "cli/CliApp.h"
#include "platform/Terminal.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

void write(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarnwick-cli"));
    CliApp::Streams streams;
    streams.out = [](const QString& text) { write(stdout, text); };
    streams.err = [](const QString& text) { write(stderr, text); };
    streams.errIsTerminal = Terminal::stderrIsTerminal();
    streams.columns = Terminal::stderrColumns();
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return CliApp::run(arguments, streams);
}
