#pragma once

#include "cd/CDRecords.h"

#include <QObject>
#include <functional>
#include <memory>

class CdAudioDevice;
class TMainForm;

// CD playback from the main window: Play, Pause and Stop of the selected row's track on
// the opened drive, and the playing and paused flags the enabling rules look at.
class PlaybackCommands : public QObject
{
    Q_OBJECT
public:
    // Makes a device that plays the disc in the drive of `handle`.
    using DeviceFactory = std::function<std::unique_ptr<CdAudioDevice>(CDHandle handle)>;

    PlaybackCommands(TMainForm& window, DeviceFactory factory);
    ~PlaybackCommands() override;

    // False when there is no device to play on.
    bool canPlay() const { return static_cast<bool>(m_factory); }
    bool playing() const { return m_playing; }
    bool paused() const { return m_paused; }
    CdAudioDevice* device() const { return m_device.get(); }

    void ActionPlayExecute();
    void ActionPauseExecute();
    void ActionStopExecute();
    // At close: a device still playing is stopped and closed, errors ignored.
    void shutDown();

signals:
    void stateChanged();

private:
    void closeDevice();
    void playCompleted(quint64 generation);

    TMainForm& m_window;
    DeviceFactory m_factory;
    std::unique_ptr<CdAudioDevice> m_device;
    // Tells the completion of the current device from a late one of a device given up.
    quint64 m_generation = 0;
    bool m_playing = false;
    bool m_paused = false;
};
