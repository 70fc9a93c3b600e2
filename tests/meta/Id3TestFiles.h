#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Building blocks for tag tests: files and tag blocks made by hand, byte by byte, so the
// expectations do not come from the code under test.
namespace id3test {

// Stand-in audio: frame-sync-like bytes that never spell "TAG".
inline QByteArray audioBytes(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i % 4 == 0 ? 0xFF : 0x30 + i % 7);
    }
    return bytes;
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write test file %s", qPrintable(path));
    }
}

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    return file.readAll();
}

// "TAG" followed by 125 zero bytes; fill with put().
inline QByteArray emptyBlock()
{
    QByteArray block(128, '\0');
    block.replace(0, 3, "TAG");
    return block;
}

inline void put(QByteArray& block, int offset, const QByteArray& bytes)
{
    block.replace(offset, bytes.size(), bytes);
}

inline void putByte(QByteArray& block, int offset, int value)
{
    block[offset] = static_cast<char>(value);
}

} // namespace id3test
