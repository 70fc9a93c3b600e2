#include "support/DiskAudio.h"

#include "support/TempFolder.h"

#include <QtGlobal>

DiskAudioCapture::DiskAudioCapture(const QString& path) : m_path(path)
{
    qputenv("SDL_DISKAUDIOFILE", path.toLocal8Bit());
}

QByteArray DiskAudioCapture::bytes() const
{
    return readFileBytes(m_path);
}

QByteArray DiskAudioCapture::sound(int blockAlign, std::uint8_t silence) const
{
    return trimSilentFrames(bytes(), blockAlign, silence);
}

QByteArray trimSilentFrames(const QByteArray& bytes, int blockAlign, std::uint8_t silence)
{
    const auto silent = [&](qsizetype frame) {
        for (int i = 0; i < blockAlign; ++i) {
            if (static_cast<std::uint8_t>(bytes[frame * blockAlign + i]) != silence) {
                return false;
            }
        }
        return true;
    };
    const qsizetype frames = bytes.size() / blockAlign;
    qsizetype first = 0;
    while (first < frames && silent(first)) {
        ++first;
    }
    qsizetype end = frames;
    while (end > first && silent(end - 1)) {
        --end;
    }
    return bytes.mid(first * blockAlign, (end - first) * blockAlign);
}
