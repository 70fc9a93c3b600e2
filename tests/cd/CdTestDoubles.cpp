#include "CdTestDoubles.h"

#include "cd/CDDriveLibrary.h"
#include "cd/CDRecords.h"
#include "cd/CdioDeviceSource.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QThread>

namespace {

class HookedDevice : public CDDevice
{
public:
    HookedDevice(std::unique_ptr<CDDevice> inner, ImageDeviceSource& source)
        : m_inner(std::move(inner)), m_source(source)
    {
    }
    bool readLayout(DiscLayout& layout) override { return m_inner->readLayout(layout); }
    bool holdsAudioDisc() override { return m_inner->holdsAudioDisc(); }
    bool readAudio(std::int32_t lsn, int frames, std::uint8_t* dest) override
    {
        const int index = m_source.reads++;
        if (m_source.beforeRead) {
            m_source.beforeRead(index);
        }
        return m_inner->readAudio(lsn, frames, dest);
    }
    bool readAudioSecure(std::int32_t lsn, int frames, std::uint8_t* dest, SecureReadStats& stats) override
    {
        const int index = m_source.reads++;
        if (m_source.beforeRead) {
            m_source.beforeRead(index);
        }
        ++m_source.secureReads;
        return m_inner->readAudioSecure(lsn, frames, dest, stats);
    }

private:
    std::unique_ptr<CDDevice> m_inner;
    ImageDeviceSource& m_source;
};

class ScriptedDevice : public CDDevice
{
public:
    ScriptedDevice(const ScriptedDisc& disc, std::atomic<int>& reads) : m_disc(disc), m_reads(reads) {}
    bool readLayout(DiscLayout& layout) override
    {
        layout = m_disc.layout;
        return true;
    }
    bool holdsAudioDisc() override { return m_disc.audio; }
    // Verified reading of a made-up disc: the same samples, one read and one verification
    // per sector reported, and the same failures.
    bool readAudioSecure(std::int32_t lsn, int frames, std::uint8_t* dest, SecureReadStats& stats) override
    {
        if (!readAudio(lsn, frames, dest)) {
            ++stats.readErrors;
            return false;
        }
        stats.sectors += frames;
        stats.reads += frames;
        stats.verified += frames;
        return true;
    }
    bool readAudio(std::int32_t lsn, int frames, std::uint8_t* dest) override
    {
        const int index = m_reads++;
        if (m_disc.failFrom >= 0 && index >= m_disc.failFrom) {
            return false;
        }
        const std::int64_t first = std::int64_t{lsn} * (cdaudio::FrameBytes / 2);
        for (std::int64_t i = 0; i < std::int64_t{frames} * (cdaudio::FrameBytes / 2); ++i) {
            const auto value = static_cast<std::uint16_t>(m_disc.sample(first + i));
            dest[2 * i] = static_cast<std::uint8_t>(value & 0xff);
            dest[2 * i + 1] = static_cast<std::uint8_t>(value >> 8);
        }
        return true;
    }

private:
    ScriptedDisc m_disc;
    std::atomic<int>& m_reads;
};

} // namespace

std::vector<CDDeviceInfo> ImageDeviceSource::devices()
{
    std::vector<CDDeviceInfo> result;
    for (const QString& path : m_images) {
        result.push_back({path, "IMAGE", QFileInfo(path).fileName().toUtf8(), true});
    }
    return result;
}

std::unique_ptr<CDDevice> ImageDeviceSource::open(const CDDeviceInfo& info)
{
    CdioDeviceSource cdio;
    std::unique_ptr<CDDevice> inner = cdio.open(info);
    if (!inner) {
        return nullptr;
    }
    return std::make_unique<HookedDevice>(std::move(inner), *this);
}

std::vector<CDDeviceInfo> ScriptedDeviceSource::devices()
{
    std::vector<CDDeviceInfo> result;
    for (std::size_t i = 0; i < m_discs.size(); ++i) {
        result.push_back(
            {QStringLiteral("scripted%1").arg(i), "TEST", QByteArray("Drive ") + QByteArray::number(int(i)), false});
    }
    return result;
}

std::unique_ptr<CDDevice> ScriptedDeviceSource::open(const CDDeviceInfo& info)
{
    const int index = info.path.mid(8).toInt();
    if (index < 0 || index >= static_cast<int>(m_discs.size()) || !m_discs[index].openable) {
        return nullptr;
    }
    return std::make_unique<ScriptedDevice>(m_discs[index], reads);
}

int ScriptedDeviceSource::addDrive(const ScriptedDisc& disc)
{
    m_discs.push_back(disc);
    return static_cast<int>(m_discs.size()) - 1;
}

CDHandle openDrive(int index)
{
    CDDriveList list{};
    list.capacity = 8;
    if (GetCDList(&list) != 1 || index >= list.count) {
        return 0;
    }
    const CDHandleRequest request = tarnwick::handleRequestFor(list.entries[index]);
    return GetCDHandle(&request);
}

DiscLayout layoutOf(int firstTrack, const std::vector<std::int64_t>& frames)
{
    DiscLayout layout;
    layout.firstTrack = firstTrack;
    std::int32_t address = 150;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        layout.tracks.push_back({firstTrack + static_cast<int>(i), address, true});
        address += static_cast<std::int32_t>(frames[i]);
    }
    layout.leadOut = address;
    return layout;
}

bool EventRecorder::event(QEvent* event)
{
    RecordedEvent record{event->type(), {}, 0};
    if (event->type() == WM_PROCESSINFO) {
        record.info = static_cast<ProcessInfoEvent*>(event)->info();
    } else if (event->type() == WM_RIPERROR) {
        record.lParam = static_cast<MessageEvent*>(event)->lParam();
    } else {
        return QObject::event(event);
    }
    events.push_back(record);
    if (onEvent) {
        onEvent(record);
    }
    return true;
}

std::vector<int> EventRecorder::progressValues() const
{
    std::vector<int> values;
    for (const RecordedEvent& e : events) {
        if (e.type == WM_PROCESSINFO && e.info.Progress <= 100) {
            values.push_back(e.info.Progress);
        }
    }
    return values;
}

std::vector<RecordedEvent> EventRecorder::outcomes() const
{
    std::vector<RecordedEvent> result;
    for (const RecordedEvent& e : events) {
        if (e.type == WM_RIPERROR || e.info.Progress == ProgressCode::TrackExtracted) {
            result.push_back(e);
        }
    }
    return result;
}

void runUntilFinished(QThread& thread, const std::function<void()>& start)
{
    QEventLoop loop;
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    start();
    loop.exec();
    QCoreApplication::sendPostedEvents();
}
