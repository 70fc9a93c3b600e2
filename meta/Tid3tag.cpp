#include "meta/Tid3tag.h"

#include "meta/Genres.h"
#include "platform/Files.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr int titleAt = 3;
constexpr int artistAt = 33;
constexpr int albumAt = 63;
constexpr int yearAt = 93;
constexpr int commentAt = 97;
constexpr int trackMarkAt = 125;
constexpr int trackAt = 126;
constexpr int genreAt = 127;

// Length in UTF-16 units of the first `limit` characters of text.
qsizetype unitsOfFirstCharacters(const QString& text, int limit)
{
    qsizetype units = 0;
    for (int n = 0; n < limit && units < text.size(); ++n) {
        const bool pair =
            text.at(units).isHighSurrogate() && units + 1 < text.size() && text.at(units + 1).isLowSurrogate();
        units += pair ? 2 : 1;
    }
    return units;
}

QString firstCharacters(const QString& text, int limit)
{
    return text.left(unitsOfFirstCharacters(text, limit));
}

// One byte per character, zero padded to width; characters beyond ISO-8859-1 become "?".
// QString::toLatin1 would turn a surrogate pair into two "?" and shift the field.
QByteArray encodeField(const QString& text, int width)
{
    QByteArray bytes(width, '\0');
    int out = 0;
    for (qsizetype i = 0; i < text.size() && out < width; ++i) {
        char32_t code = text.at(i).unicode();
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            ++i;
        }
        bytes[out++] = code <= 0xFF ? static_cast<char>(code) : '?';
    }
    return bytes;
}

// Trailing zeros, spaces and 0xFF are padding, whichever writer made the tag.
QString decodeField(QByteArrayView bytes)
{
    qsizetype length = bytes.size();
    while (length > 0) {
        const auto last = static_cast<unsigned char>(bytes.at(length - 1));
        if (last != 0 && last != ' ' && last != 0xFF) {
            break;
        }
        --length;
    }
    return QString::fromLatin1(bytes.first(length));
}

// Only regular files carry tags; opening a FIFO or a device would block or touch hardware.
bool isRegularFile(const QString& fileName)
{
    return !fileName.isEmpty() && QFileInfo(fileName).isFile();
}

// Whether the last 128 bytes of an open file begin with "TAG". Any failure is an
// outcome code in `failure`.
bool endsWithTag(QFile& file, qint64 size, std::uint16_t& failure)
{
    failure = Tid3tag::rsSuccess;
    if (size < Tid3tag::tagSize) {
        return false;
    }
    if (!file.seek(size - Tid3tag::tagSize)) {
        failure = Tid3tag::rsIoError;
        return false;
    }
    const QByteArray head = file.read(3);
    if (head.size() != 3) {
        failure = Tid3tag::rsReadError;
        return false;
    }
    return head == "TAG";
}

} // namespace

Tid3tag::Tid3tag()
    : m_title(textWidth, QChar(0)), m_artist(textWidth, QChar(0)), m_album(textWidth, QChar(0)),
      m_year(yearWidth, QChar(0)), m_comment(textWidth, QChar(0))
{
}

void Tid3tag::setTitle(const QString& text)
{
    m_title = firstCharacters(text, textWidth);
}

void Tid3tag::setArtist(const QString& text)
{
    m_artist = firstCharacters(text, textWidth);
}

void Tid3tag::setAlbum(const QString& text)
{
    m_album = firstCharacters(text, textWidth);
}

void Tid3tag::setYear(const QString& text)
{
    m_year = firstCharacters(text, yearWidth);
}

void Tid3tag::setComment(const QString& text)
{
    m_comment = firstCharacters(text, textWidth);
}

void Tid3tag::setTrack(std::uint8_t track)
{
    m_track = track;
    m_hasTrack = track != 0;
}

std::uint16_t Tid3tag::parse(QByteArrayView contents)
{
    if (contents.size() < tagSize) {
        return rsNoTag;
    }
    const QByteArrayView block = contents.last(tagSize);
    if (!block.startsWith("TAG")) {
        return rsNoTag;
    }
    m_title = decodeField(block.sliced(titleAt, textWidth));
    m_artist = decodeField(block.sliced(artistAt, textWidth));
    m_album = decodeField(block.sliced(albumAt, textWidth));
    m_year = decodeField(block.sliced(yearAt, yearWidth));

    // ID3v1.1: a zero byte before a non-zero last comment byte marks that byte as the track.
    const auto trackByte = static_cast<std::uint8_t>(block.at(trackAt));
    QByteArrayView comment = block.sliced(commentAt, textWidth);
    if (block.at(trackMarkAt) == 0 && trackByte != 0) {
        m_track = trackByte;
        m_hasTrack = true;
        comment = comment.first(commentWidthWithTrack);
    } else {
        m_track = 0;
        m_hasTrack = false;
    }
    m_comment = decodeField(comment);

    m_genre = static_cast<std::uint8_t>(block.at(genreAt));
    return (m_genre >= Genres::count && m_genre != Genres::none) ? rsGenreWarning : rsSuccess;
}

QByteArray Tid3tag::render() const
{
    QByteArray block;
    block.reserve(tagSize);
    block.append("TAG", 3);
    block.append(encodeField(m_title, textWidth));
    block.append(encodeField(m_artist, textWidth));
    block.append(encodeField(m_album, textWidth));
    block.append(encodeField(m_year, yearWidth));
    if (m_hasTrack && m_track != 0) {
        block.append(encodeField(m_comment, commentWidthWithTrack));
        block.append('\0');
        block.append(static_cast<char>(m_track));
    } else {
        block.append(encodeField(m_comment, textWidth));
    }
    block.append(static_cast<char>(m_genre));
    return block;
}

std::uint16_t Tid3tag::read(const QString& fileName)
{
    if (!isRegularFile(fileName)) {
        return rsCannotOpen;
    }
    m_readOnly = !Files::isWritable(fileName);
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return rsCannotOpen;
    }
    m_lastFile = fileName;
    const qint64 size = file.size();
    if (size < tagSize) {
        return rsNoTag;
    }
    if (!file.seek(size - tagSize)) {
        return rsIoError;
    }
    const QByteArray block = file.read(tagSize);
    if (block.size() != tagSize) {
        return rsReadError;
    }
    return parse(block);
}

std::uint16_t Tid3tag::save(const QString& fileName)
{
    const QString name = fileName == QLatin1String("=") ? m_lastFile : fileName;
    if (!isRegularFile(name)) {
        return rsCannotOpen;
    }
    if (!Files::isWritable(name)) {
        return rsReadOnly;
    }
    // Unbuffered, so a failed write shows at the write and not at a later flush.
    QFile file(name);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        return rsCannotOpen;
    }
    const qint64 size = file.size();
    std::uint16_t failure = rsSuccess;
    const bool overwrite = endsWithTag(file, size, failure);
    if (failure != rsSuccess) {
        return failure;
    }
    const qint64 place = overwrite ? size - tagSize : size;
    if (!file.seek(place)) {
        return rsIoError;
    }
    if (file.write(render()) != tagSize) {
        // A half-appended tag would leave garbage at the end of the audio: cut it off again.
        if (!overwrite) {
            file.resize(size);
        }
        return rsWriteError;
    }
    m_lastFile = name;
    return rsSuccess;
}

void Tid3tag::remove()
{
    if (!isRegularFile(m_lastFile) || !Files::isWritable(m_lastFile)) {
        return;
    }
    QFile file(m_lastFile);
    if (!file.open(QIODevice::ReadWrite)) {
        return;
    }
    const qint64 size = file.size();
    std::uint16_t failure = rsSuccess;
    if (endsWithTag(file, size, failure)) {
        file.resize(size - tagSize);
    }
}
