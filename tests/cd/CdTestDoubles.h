#pragma once

#include "cd/CDDeviceSource.h"
#include "cd/CDRecords.h"
#include "common/Messages.h"

#include <QObject>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>

class QThread;

// Drives over the given image files only (through libcdio), so tests never depend on the
// machine's own drives. `beforeRead` runs on the reading thread before every audio read,
// with the number of reads before it.
class ImageDeviceSource : public CDDeviceSource
{
public:
    explicit ImageDeviceSource(QStringList images) : m_images(std::move(images)) {}

    std::vector<CDDeviceInfo> devices() override;
    std::unique_ptr<CDDevice> open(const CDDeviceInfo& info) override;

    std::function<void(int)> beforeRead;
    std::atomic<int> reads{0};       // every audio read, plain or verified
    std::atomic<int> secureReads{0}; // the verified ones

private:
    QStringList m_images;
};

// A made-up disc: one track list, every sample of track audio taken from `sample(index)`
// (index counts 16-bit samples from block 0), and reads that fail from read `failFrom` on,
// verified reads alike.
struct ScriptedDisc
{
    DiscLayout layout;
    bool audio = true;
    bool openable = true;
    std::function<std::int16_t(std::int64_t)> sample = [](std::int64_t i) { return static_cast<std::int16_t>(i); };
    int failFrom = -1;
};

class ScriptedDeviceSource : public CDDeviceSource
{
public:
    std::vector<CDDeviceInfo> devices() override;
    std::unique_ptr<CDDevice> open(const CDDeviceInfo& info) override;

    // Adds a drive holding `disc`; the returned index is its place in the list.
    int addDrive(const ScriptedDisc& disc);
    std::atomic<int> reads{0};

private:
    std::vector<ScriptedDisc> m_discs;
};

// Lists the drives and opens entry `index` through the drive library; 0 on failure.
CDHandle openDrive(int index);

// A disc layout of tracks with the given lengths in frames, the first at 00:02:00.
DiscLayout layoutOf(int firstTrack, const std::vector<std::int64_t>& frames);

struct RecordedEvent
{
    QEvent::Type type;
    TProcessInfo info;
    std::intptr_t lParam = 0;
};

// Stands in for the job window: keeps every record posted to it.
class EventRecorder : public QObject
{
public:
    bool event(QEvent* event) override;

    std::vector<RecordedEvent> events;
    std::function<void(const RecordedEvent&)> onEvent;

    std::vector<int> progressValues() const;
    std::vector<RecordedEvent> outcomes() const; // {1000, ...} records and rip errors
};

// Starts the thread, runs the event loop until it has finished and delivers every event
// it posted.
void runUntilFinished(QThread& thread, const std::function<void()>& start);
