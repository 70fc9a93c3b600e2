#include "app/PlaybackCommands.h"

#include "app/TMainForm.h"
#include "platform/CdAudioDevice.h"

#include <QTreeWidget>

PlaybackCommands::PlaybackCommands(TMainForm& window, DeviceFactory factory)
    : m_window(window), m_factory(std::move(factory))
{
}

PlaybackCommands::~PlaybackCommands() = default;

void PlaybackCommands::ActionPlayExecute()
{
    const QTreeWidget* list = m_window.trackList();
    QTreeWidgetItem* item = list->currentItem();
    if (item == nullptr || !item->isSelected()) {
        return;
    }
    const int row = list->indexOfTopLevelItem(item);
    m_window.setStatusText(QStringLiteral("Play ") + item->text(1));
    const bool wasOn = m_playing;
    const bool wasPaused = m_paused;
    m_playing = true;
    m_paused = false;
    emit stateChanged();

    if (wasOn && wasPaused && m_device) {
        // A paused track goes on where it stopped, whatever row is selected now.
        m_device->resume();
        return;
    }
    closeDevice();
    m_device = m_factory ? m_factory(m_window.driveHandle()) : nullptr;
    if (!m_device) {
        return;
    }
    connect(m_device.get(), &CdAudioDevice::playCompleted, this,
            [this, generation = ++m_generation] { playCompleted(generation); });
    if (!m_device->open()) {
        return;
    }
    // The row's "No." is its track number, so a disc whose first track is not 1 plays the
    // track the row shows.
    const int track = item->text(0).toInt();
    const std::optional<std::int32_t> from = m_device->trackPosition(track);
    if (!from) {
        return;
    }
    std::optional<std::int32_t> to;
    if (row + 1 < list->topLevelItemCount()) {
        to = m_device->trackPosition(track + 1);
        if (!to) {
            return;
        }
    }
    m_device->play(*from, to);
}

void PlaybackCommands::ActionPauseExecute()
{
    m_paused = true;
    emit stateChanged();
    if (!m_device) {
        return;
    }
    if (m_device->isPaused()) {
        m_device->resume();
    } else {
        m_device->pause();
    }
}

void PlaybackCommands::ActionStopExecute()
{
    m_playing = false;
    m_paused = false;
    if (m_device && m_device->stop()) {
        closeDevice();
    }
    m_window.setStatusText(m_window.driveDescription());
    emit stateChanged();
}

void PlaybackCommands::shutDown()
{
    if (m_playing) {
        if (m_device) {
            m_device->stop();
        }
        closeDevice();
    }
    m_playing = false;
    m_paused = false;
}

void PlaybackCommands::closeDevice()
{
    if (m_device) {
        m_device->close();
        ++m_generation;
        m_device.reset();
    }
}

void PlaybackCommands::playCompleted(quint64 generation)
{
    if (generation == m_generation && m_playing) {
        ActionStopExecute();
    }
}
