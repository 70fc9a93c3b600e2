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

namespace {

bool silentFrame(const QByteArray& bytes, qsizetype frame, int blockAlign, std::uint8_t silence)
{
    for (int i = 0; i < blockAlign; ++i) {
        if (static_cast<std::uint8_t>(bytes[frame * blockAlign + i]) != silence) {
            return false;
        }
    }
    return true;
}

} // namespace

QByteArray trimSilentFrames(const QByteArray& bytes, int blockAlign, std::uint8_t silence)
{
    const auto silent = [&](qsizetype frame) { return silentFrame(bytes, frame, blockAlign, silence); };
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

QByteArray withoutSilentFrames(const QByteArray& bytes, int blockAlign, std::uint8_t silence)
{
    QByteArray sound;
    sound.reserve(bytes.size());
    for (qsizetype frame = 0; frame < bytes.size() / blockAlign; ++frame) {
        if (!silentFrame(bytes, frame, blockAlign, silence)) {
            sound.append(bytes.constData() + frame * blockAlign, blockAlign);
        }
    }
    return sound;
}
