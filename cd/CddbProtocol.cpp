#include "cd/CddbProtocol.h"

#include <QString>

namespace tarnwick::cddb {

namespace {

std::vector<QByteArrayView> splitLines(QByteArrayView body)
{
    std::vector<QByteArrayView> lines;
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype end = body.indexOf('\n', start);
        if (end < 0) {
            end = body.size();
        }
        QByteArrayView line = body.sliced(start, end - start);
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

int codeOf(QByteArrayView line)
{
    if (line.size() < 3 || (line.size() > 3 && line[3] != ' ' && line[3] != '\t')) {
        return 0;
    }
    int code = 0;
    for (int i = 0; i < 3; ++i) {
        if (line[i] < '0' || line[i] > '9') {
            return 0;
        }
        code = code * 10 + (line[i] - '0');
    }
    return code;
}

bool isTerminator(QByteArrayView line)
{
    return line == ".";
}

// Servers escape a line that begins with "." by doubling the dot.
QByteArrayView unstuffed(QByteArrayView line)
{
    return line.startsWith("..") ? line.sliced(1) : line;
}

// "<category> <discid> <title>" of a match line; false when the first two fields are
// not usable.
bool parseMatch(QByteArrayView line, Match& match)
{
    const QByteArray text = line.toByteArray().trimmed();
    const qsizetype first = text.indexOf(' ');
    if (first <= 0) {
        return false;
    }
    qsizetype second = text.indexOf(' ', first + 1);
    if (second < 0) {
        second = text.size();
    }
    match.category = text.left(first);
    match.discId = text.mid(first + 1, second - first - 1).toLower();
    match.title = cleanLine(text.mid(second + 1).trimmed());
    return isValidCategory(match.category) && isValidDiscId(match.discId);
}

} // namespace

QByteArray queryCommand(const CddbDisc& disc)
{
    QByteArray command = "cddb query " + cddbDiscIdText(disc.discId).toLatin1() + ' ' +
                         QByteArray::number(static_cast<qulonglong>(disc.offsets.size()));
    for (const std::int32_t offset : disc.offsets) {
        command += ' ' + QByteArray::number(offset);
    }
    command += ' ' + QByteArray::number(disc.seconds);
    return command;
}

QByteArray readCommand(const QByteArray& category, const QByteArray& discId)
{
    return "cddb read " + category + ' ' + discId;
}

QueryAnswer parseQueryAnswer(QByteArrayView body)
{
    QueryAnswer answer;
    const std::vector<QByteArrayView> lines = splitLines(body);
    if (lines.empty()) {
        return answer;
    }
    answer.code = codeOf(lines.front());
    answer.statusLine = cleanLine(lines.front());
    Match match;
    if (answer.code == 200) {
        if (parseMatch(lines.front().sliced(3), match)) {
            answer.matches.push_back(match);
        }
    } else if (answer.code == 210 || answer.code == 211) {
        for (std::size_t i = 1; i < lines.size() && !isTerminator(lines[i]); ++i) {
            if (parseMatch(unstuffed(lines[i]), match)) {
                answer.matches.push_back(match);
            }
        }
    }
    return answer;
}

ReadAnswer parseReadAnswer(QByteArrayView body)
{
    ReadAnswer answer;
    const std::vector<QByteArrayView> lines = splitLines(body);
    if (lines.empty()) {
        return answer;
    }
    answer.code = codeOf(lines.front());
    answer.statusLine = cleanLine(lines.front());
    if (answer.code != 210) {
        return answer;
    }
    for (std::size_t i = 1; i < lines.size() && !isTerminator(lines[i]); ++i) {
        answer.entry += cleanLine(unstuffed(lines[i]));
        answer.entry += '\n';
    }
    return answer;
}

bool isValidCategory(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 31) {
        return false;
    }
    for (const char c : text) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

bool isValidDiscId(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 8) {
        return false;
    }
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

QByteArray cleanLine(QByteArrayView line)
{
    QByteArray bytes = line.toByteArray();
    for (char& c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f) {
            c = ' ';
        }
    }
    // A round trip through UTF-16 turns every malformed sequence into U+FFFD.
    QString text = QString::fromUtf8(bytes);
    for (QChar& ch : text) {
        // C1 controls survive the decoding as characters of their own; they are no text.
        if (ch.unicode() >= 0x80 && ch.unicode() < 0xa0) {
            ch = QLatin1Char(' ');
        }
    }
    return text.toUtf8();
}

QByteArray fitIntoBuffer(QByteArrayView entry, int bufferSize)
{
    if (bufferSize < 1) {
        return {};
    }
    const qsizetype room = bufferSize - 1;
    if (entry.size() <= room) {
        return entry.toByteArray();
    }
    const qsizetype lineEnd = entry.first(room).lastIndexOf('\n');
    if (lineEnd >= 0) {
        return entry.first(lineEnd + 1).toByteArray();
    }
    qsizetype cut = room;
    while (cut > 0 && (static_cast<unsigned char>(entry[cut]) & 0xC0) == 0x80) {
        --cut;
    }
    return entry.first(cut).toByteArray();
}

} // namespace tarnwick::cddb
