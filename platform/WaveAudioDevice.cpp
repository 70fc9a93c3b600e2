#include "platform/WaveAudioDevice.h"

#include "platform/WavePlayback.h"

#include <algorithm>
#include <chrono>

WaveAudioDevice::WaveAudioDevice() = default;

WaveAudioDevice::~WaveAudioDevice()
{
    close();
}

bool WaveAudioDevice::fail(const QString& text)
{
    m_error = text;
    return false;
}

bool WaveAudioDevice::open()
{
    close();
    QString reason;
    auto contents = PcmWave::read(m_fileName, &reason);
    if (!contents) {
        return fail(m_fileName + QStringLiteral(": ") + reason);
    }
    m_format = contents->format;
    m_data = std::move(contents->data);
    m_positionFrames = 0;
    m_open = true;
    m_mode = Mode::Stopped;
    m_error.clear();
    return true;
}

void WaveAudioDevice::close()
{
    stop();
    m_open = false;
    m_mode = Mode::NotReady;
    m_data.clear();
    m_positionFrames = 0;
}

std::int64_t WaveAudioDevice::toFrames(std::int64_t units) const
{
    switch (m_timeFormat) {
    case TimeFormat::Milliseconds:
        return units * m_format.sampleRate / 1000;
    case TimeFormat::Samples:
        return units;
    case TimeFormat::Bytes:
        return units / m_format.blockAlign();
    }
    return units;
}

std::int64_t WaveAudioDevice::fromFrames(std::int64_t frames) const
{
    switch (m_timeFormat) {
    case TimeFormat::Milliseconds:
        return frames * 1000 / m_format.sampleRate;
    case TimeFormat::Samples:
        return frames;
    case TimeFormat::Bytes:
        return frames * m_format.blockAlign();
    }
    return frames;
}

std::int64_t WaveAudioDevice::frameCount() const
{
    std::int64_t bytes = m_data.size();
    if (m_mode == Mode::Recording) {
        std::lock_guard lock(m_captureMutex);
        bytes += m_captured.size();
    }
    return bytes / m_format.blockAlign();
}

std::int64_t WaveAudioDevice::length() const
{
    return m_open ? fromFrames(frameCount()) : 0;
}

std::int64_t WaveAudioDevice::position() const
{
    if (!m_open) {
        return 0;
    }
    if (m_mode == Mode::Recording) {
        std::lock_guard lock(m_captureMutex);
        return fromFrames(m_recordFrom + m_captured.size() / m_format.blockAlign());
    }
    if (m_mode == Mode::Playing) {
        return fromFrames(m_playFrom + m_playback->playedBytes() / m_format.blockAlign());
    }
    return fromFrames(m_positionFrames);
}

WaveAudioDevice::Mode WaveAudioDevice::mode()
{
    if (m_mode == Mode::Recording && m_input->lost()) {
        // The device went away: keep what arrived before and stop, as a user's Stop would.
        m_error = QStringLiteral("The sound input device is no longer available.");
        finishRecording();
    }
    if (m_mode == Mode::Playing && m_playback->finished()) {
        finishPlayback();
    }
    return m_mode;
}

bool WaveAudioDevice::play(std::optional<std::int64_t> from)
{
    if (!m_open) {
        return fail(QStringLiteral("no file is open"));
    }
    stop();
    const std::int64_t frames = m_data.size() / m_format.blockAlign();
    const std::int64_t at = from ? std::clamp<std::int64_t>(toFrames(*from), 0, frames) : m_positionFrames;
    m_positionFrames = at;
    try {
        m_playback = std::make_unique<WavePlayback>(WaveAudio::instance(), m_format,
                                                    m_data.constData() + at * m_format.blockAlign(),
                                                    (frames - at) * m_format.blockAlign());
    } catch (const std::exception& error) {
        return fail(QString::fromUtf8(error.what()));
    }
    m_playFrom = at;
    m_mode = Mode::Playing;
    return true;
}

void WaveAudioDevice::finishPlayback()
{
    m_playback->stop();
    if (!m_playback->errorString().isEmpty()) {
        m_error = m_playback->errorString();
    }
    const std::int64_t frames = m_data.size() / m_format.blockAlign();
    m_positionFrames = std::min(frames, m_playFrom + m_playback->playedBytes() / m_format.blockAlign());
    m_playback.reset();
    m_mode = Mode::Stopped;
}

bool WaveAudioDevice::record(std::optional<std::int64_t> from)
{
    if (!m_open) {
        return fail(QStringLiteral("no file is open"));
    }
    stop();
    const std::int64_t frames = m_data.size() / m_format.blockAlign();
    const std::int64_t at = from ? std::clamp<std::int64_t>(toFrames(*from), 0, frames) : m_positionFrames;
    {
        std::lock_guard lock(m_captureMutex);
        m_captured.clear();
        m_recordFrom = at;
    }
    const int blockAlign = m_format.blockAlign();
    try {
        m_input = WaveAudio::instance().openInput(
            0, m_format, [this, blockAlign](const std::uint8_t* bytes, std::uint32_t size) {
                // Only whole frames count: a split frame would shift every sample after it.
                {
                    std::lock_guard lock(m_captureMutex);
                    m_captured.append(reinterpret_cast<const char*>(bytes),
                                      static_cast<qsizetype>(size - size % blockAlign));
                }
                m_captureGrew.notify_all();
            });
    } catch (const std::exception& error) {
        return fail(QString::fromUtf8(error.what()));
    }
    m_mode = Mode::Recording;
    return true;
}

void WaveAudioDevice::finishRecording()
{
    m_input->close();
    m_input.reset();
    QByteArray captured;
    std::int64_t at = 0;
    {
        std::lock_guard lock(m_captureMutex);
        captured.swap(m_captured);
        at = m_recordFrom;
    }
    m_data.insert(static_cast<qsizetype>(at * m_format.blockAlign()), captured);
    m_positionFrames = at + captured.size() / m_format.blockAlign();
    m_mode = Mode::Stopped;
}

void WaveAudioDevice::stop()
{
    if (m_mode == Mode::Recording) {
        finishRecording();
    }
    if (m_mode == Mode::Playing) {
        finishPlayback();
    }
    if (m_open) {
        m_mode = Mode::Stopped;
    }
}

bool WaveAudioDevice::save()
{
    if (!m_open) {
        return fail(QStringLiteral("no file is open"));
    }
    if (m_mode == Mode::Recording) {
        finishRecording();
    }
    QString reason;
    if (!PcmWave::write(m_fileName, m_format, m_data, &reason)) {
        return fail(m_fileName + QStringLiteral(": ") + reason);
    }
    return true;
}

void WaveAudioDevice::seekToStart()
{
    stop();
    m_positionFrames = 0;
}

void WaveAudioDevice::seekToEnd()
{
    stop();
    m_positionFrames = m_data.size() / m_format.blockAlign();
}

bool WaveAudioDevice::waitForLength(std::int64_t length)
{
    if (m_mode != Mode::Recording) {
        return false;
    }
    const std::int64_t wanted = toFrames(length) * m_format.blockAlign();
    std::unique_lock lock(m_captureMutex);
    while (m_data.size() + m_captured.size() < wanted) {
        // A lost device sends no wake-up of its own: look again every little while.
        if (m_captureGrew.wait_for(lock, std::chrono::milliseconds(100)) == std::cv_status::timeout &&
            m_input->lost()) {
            return false;
        }
    }
    return true;
}

void WaveAudioDevice::waitForPlaybackEnd()
{
    if (m_mode == Mode::Playing) {
        m_playback->waitForEnd();
        finishPlayback();
    }
}

bool WaveAudioDevice::canRecord()
{
    if (!m_open) {
        return fail(QStringLiteral("no file is open"));
    }
    if (m_mode == Mode::Recording) {
        return true;
    }
    try {
        WaveAudio::instance().openInput(0, m_format, [](const std::uint8_t*, std::uint32_t) {})->close();
    } catch (const std::exception& error) {
        return fail(QString::fromUtf8(error.what()));
    }
    return true;
}

QByteArray WaveAudioDevice::samples() const
{
    if (m_mode != Mode::Recording) {
        return m_data;
    }
    std::lock_guard lock(m_captureMutex);
    QByteArray whole = m_data;
    whole.insert(static_cast<qsizetype>(m_recordFrom * m_format.blockAlign()), m_captured);
    return whole;
}
