#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

// The 128-byte ID3v1 tag (with the ID3v1.1 track number) at the end of an MP3 file.
// Texts are ISO-8859-1 on disk, one byte per character; a character outside it is
// written as "?". Each read, save and remove opens the file, works and closes it; no
// file stays open between calls. Used from one thread at a time.
class Tid3tag
{
public:
    // Result of read and save: the high byte is the outcome, the low byte holds warnings.
    // A caller treats a result below 256 as success.
    enum Result : std::uint16_t {
        rsSuccess = 0,
        rsGenreWarning = 0x80, // read: genre byte above 147 and not 255
        rsCannotOpen = 0x100,  // missing, not a regular file, or cannot be opened
        rsReadOnly = 0x200,    // save: we may not write the file
        rsReadError = 0x300,
        rsWriteError = 0x400,
        rsIoError = 0x500,
        rsNoTag = 0x1000, // read: shorter than 128 bytes or no "TAG" in its last 128 bytes
    };

    static constexpr int tagSize = 128;
    static constexpr int textWidth = 30;
    static constexpr int yearWidth = 4;
    static constexpr int commentWidthWithTrack = 28;

    Tid3tag();

    bool hasTrack() const { return m_hasTrack; }
    bool readOnly() const { return m_readOnly; }
    QString lastFile() const { return m_lastFile; }

    QString title() const { return m_title; }
    QString artist() const { return m_artist; }
    QString album() const { return m_album; }
    QString year() const { return m_year; }
    QString comment() const { return m_comment; }
    std::uint8_t genre() const { return m_genre; }
    std::uint8_t track() const { return m_track; }

    // The text setters keep the first 30 characters (Year: 4), counted in characters,
    // not UTF-16 units, so a character outside the BMP is never split.
    void setTitle(const QString& text);
    void setArtist(const QString& text);
    void setAlbum(const QString& text);
    void setYear(const QString& text);
    void setComment(const QString& text);
    void setGenre(std::uint8_t genre) { m_genre = genre; }
    // Track 0 means none.
    void setTrack(std::uint8_t track);

    // Fills the fields from the file's tag.
    std::uint16_t read(const QString& fileName);
    // Writes the fields as a tag into the file, over its tag or appended. "=" names the
    // file last read or saved.
    std::uint16_t save(const QString& fileName);
    // Cuts the tag off the file last read or saved, if it has one; reports nothing.
    void remove();

    // Fills the fields from the last 128 bytes of a file's contents (or of its tail).
    // Result as read, without the file outcomes; fields stay as they were on rsNoTag.
    std::uint16_t parse(QByteArrayView contents);
    // The 128 bytes that save writes.
    QByteArray render() const;

private:
    bool m_hasTrack = false;
    bool m_readOnly = false;
    QString m_lastFile;
    QString m_title;
    QString m_artist;
    QString m_album;
    QString m_year;
    QString m_comment;
    std::uint8_t m_genre = 255;
    std::uint8_t m_track = 0;
};
