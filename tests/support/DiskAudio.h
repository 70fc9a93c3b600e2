#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

// SDL's "disk" driver writes what a device plays into the file named by SDL_DISKAUDIOFILE,
// in real time. Pointing it at a scratch file lets a test hear what was played.
class DiskAudioCapture
{
public:
    // Devices opened from now on play into `path` (the driver reads the variable at open).
    explicit DiskAudioCapture(const QString& path);
    QByteArray bytes() const;
    // The played sound without the silence the device plays before the first block comes
    // and after the last one went: whole frames of `silence` are stripped at both ends.
    QByteArray sound(int blockAlign, std::uint8_t silence = 0) const;

private:
    QString m_path;
};

// Whole frames equal to `silence` stripped from both ends.
QByteArray trimSilentFrames(const QByteArray& bytes, int blockAlign, std::uint8_t silence);

// Every whole frame equal to `silence` taken out, wherever it is: what a device played,
// without the silence it filled in when a loaded machine fed it late.
QByteArray withoutSilentFrames(const QByteArray& bytes, int blockAlign, std::uint8_t silence = 0);
