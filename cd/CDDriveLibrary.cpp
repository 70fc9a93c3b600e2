#include "cd/CDDriveLibrary.h"

#include "cd/DiscImageFiles.h"

#include "cd/CdioDeviceSource.h"

#include <array>
#include <cstring>
#include <mutex>
#include <new>

namespace {

constexpr int MaxHandles = 10;
constexpr std::int32_t FirstTrackPregap = 150; // blocks before 00:02:00

struct OpenDrive
{
    CDDeviceInfo info;
    std::shared_ptr<CDDeviceSource> source;
    std::mutex mutex; // one call at a time on this drive
    std::unique_ptr<CDDevice> device;
    bool msf = false;
    std::int32_t leadOut = -1; // block address from the last table of contents read
};

struct DriveTable
{
    std::mutex mutex;
    std::shared_ptr<CDDeviceSource> source;
    std::vector<CDDeviceInfo> listed;
    bool hasList = false;
    std::array<std::shared_ptr<OpenDrive>, MaxHandles> handles;

    std::shared_ptr<CDDeviceSource> currentSource()
    {
        if (!source) {
            source = std::make_shared<CdioDeviceSource>();
        }
        return source;
    }

    std::shared_ptr<OpenDrive> drive(CDHandle handle)
    {
        std::lock_guard lock(mutex);
        if (handle < 1 || handle > MaxHandles) {
            return nullptr;
        }
        return handles[handle - 1];
    }
};

DriveTable& table()
{
    static DriveTable instance;
    return instance;
}

// Copies text into a fixed NUL-terminated field, cut at a character boundary.
void copyText(char* field, std::size_t fieldSize, const QByteArray& text)
{
    std::size_t length = std::min<std::size_t>(static_cast<std::size_t>(text.size()), fieldSize - 1);
    if (length < static_cast<std::size_t>(text.size())) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::memset(field, 0, fieldSize);
    std::memcpy(field, text.constData(), length);
}

void putAddress(TOCEntry& entry, std::int32_t address, bool msf)
{
    const std::uint32_t value = static_cast<std::uint32_t>(std::max<std::int32_t>(address, 0));
    if (msf) {
        entry.address[0] = 0;
        entry.address[1] =
            static_cast<std::uint8_t>(std::min<std::uint32_t>(value / (60 * cdaudio::FramesPerSecond), 255));
        entry.address[2] = static_cast<std::uint8_t>(value / cdaudio::FramesPerSecond % 60);
        entry.address[3] = static_cast<std::uint8_t>(value % cdaudio::FramesPerSecond);
    } else {
        const std::uint32_t lba = value >= FirstTrackPregap ? value - FirstTrackPregap : 0;
        for (int i = 0; i < 4; ++i) {
            entry.address[i] = static_cast<std::uint8_t>(lba >> (8 * i));
        }
    }
}

// Opens the drive again so a changed disc is seen, not the previous disc's cached layout.
bool readLayoutLocked(OpenDrive& drive, DiscLayout& layout)
{
    drive.device.reset();
    drive.device = drive.source->open(drive.info);
    drive.leadOut = -1;
    if (!drive.device || !drive.device->readLayout(layout) || layout.tracks.empty()) {
        return false;
    }
    drive.leadOut = layout.leadOut;
    return true;
}

} // namespace

namespace tarnwick {

bool readDiscLayout(CDHandle handle, DiscLayout& layout)
{
    const std::shared_ptr<OpenDrive> drive = table().drive(handle);
    if (!drive) {
        return false;
    }
    std::lock_guard lock(drive->mutex);
    return readLayoutLocked(*drive, layout);
}

QString driveDescription(const CDDriveEntry& entry)
{
    const auto text = [](const char* field, std::size_t size) {
        return QString::fromLatin1(field, static_cast<qsizetype>(strnlen(field, size))).trimmed();
    };
    const QString vendor = text(entry.vendor, sizeof entry.vendor);
    const QString product = text(entry.product, sizeof entry.product);
    return vendor.isEmpty() || product.isEmpty() ? vendor + product : vendor + QLatin1Char(' ') + product;
}

CDHandleRequest handleRequestFor(const CDDriveEntry& entry)
{
    CDHandleRequest request{};
    request.size = sizeof(CDHandleRequest);
    request.version = 1;
    request.hostAdapter = entry.hostAdapter;
    request.target = entry.target;
    request.lun = entry.lun;
    return request;
}

CDHandle openFirstImage()
{
    CDDriveList list{};
    list.capacity = CDDriveList::MaxEntries;
    GetCDList(&list);
    for (int i = 0; i < list.count; ++i) {
        if (std::strncmp(list.entries[i].vendor, "IMAGE", 5) == 0) {
            const CDHandleRequest request = handleRequestFor(list.entries[i]);
            return GetCDHandle(&request);
        }
    }
    return 0;
}

void TrackBufferDeleter::operator()(TrackBuffer* buffer) const
{
    if (buffer != nullptr) {
        buffer->~TrackBuffer();
        ::operator delete(buffer);
    }
}

TrackBufferPtr allocTrackBuffer(int frames)
{
    const std::size_t capacity = static_cast<std::size_t>(std::max(frames, 0)) * cdaudio::FrameBytes;
    void* memory = ::operator new(sizeof(TrackBuffer) + capacity);
    auto* buffer = new (memory) TrackBuffer{};
    buffer->numFrames = static_cast<std::uint32_t>(std::max(frames, 0));
    buffer->capacity = static_cast<std::uint32_t>(capacity);
    return TrackBufferPtr(buffer);
}

QString drivePath(CDHandle handle)
{
    const std::shared_ptr<OpenDrive> drive = table().drive(handle);
    return drive && !drive->info.isImage ? drive->info.path : QString();
}

QString discProblem(CDHandle handle)
{
    const std::shared_ptr<OpenDrive> drive = table().drive(handle);
    return drive && drive->info.isImage ? DiscImageFiles::problem(drive->info.path) : QString();
}

void setCDDeviceSource(std::shared_ptr<CDDeviceSource> source)
{
    DriveTable& t = table();
    std::lock_guard lock(t.mutex);
    t.source = std::move(source);
    t.listed.clear();
    t.hasList = false;
}

std::shared_ptr<CDDeviceSource> cdDeviceSource()
{
    DriveTable& t = table();
    std::lock_guard lock(t.mutex);
    return t.currentSource();
}

void fillToc(const DiscLayout& layout, bool msf, TOC* toc)
{
    std::memset(toc, 0, sizeof(TOC));
    const int count = std::min<int>(static_cast<int>(layout.tracks.size()), TOC::MaxEntries - 1);
    toc->firstTrack = static_cast<std::uint8_t>(layout.firstTrack);
    toc->lastTrack = static_cast<std::uint8_t>(std::min(layout.firstTrack + count - 1, 255));
    for (int i = 0; i < count; ++i) {
        const DiscTrack& track = layout.tracks[i];
        TOCEntry& entry = toc->entries[i];
        entry.control = track.audio ? 0x10 : 0x14;
        entry.trackNumber = static_cast<std::uint8_t>(track.number);
        putAddress(entry, track.address, msf);
    }
    TOCEntry& leadOut = toc->entries[count];
    leadOut.control = 0x10;
    leadOut.trackNumber = cdaudio::LeadOutTrack;
    // When tracks were cut off, the next track's start ends the last one kept.
    putAddress(leadOut, count < static_cast<int>(layout.tracks.size()) ? layout.tracks[count].address : layout.leadOut,
               msf);
    const std::uint16_t length = static_cast<std::uint16_t>(2 + 8 * (count + 1));
    toc->length[0] = static_cast<std::uint8_t>(length & 0xff);
    toc->length[1] = static_cast<std::uint8_t>(length >> 8);
}

} // namespace tarnwick

int GetCDList(CDDriveList* list)
{
    if (list == nullptr) {
        return 0;
    }
    DriveTable& t = table();
    std::shared_ptr<CDDeviceSource> source;
    {
        std::lock_guard lock(t.mutex);
        source = t.currentSource();
    }
    std::vector<CDDeviceInfo> devices = source->devices();
    const int count =
        std::min({static_cast<int>(devices.size()), static_cast<int>(list->capacity), CDDriveList::MaxEntries});
    devices.resize(std::max(count, 0));
    list->count = static_cast<std::uint8_t>(count);
    for (int i = 0; i < count; ++i) {
        CDDriveEntry& entry = list->entries[i];
        std::memset(&entry, 0, sizeof(entry));
        entry.hostAdapter = static_cast<std::uint8_t>(i);
        copyText(entry.vendor, sizeof(entry.vendor), devices[i].vendor);
        copyText(entry.product, sizeof(entry.product), devices[i].product);
    }
    std::lock_guard lock(t.mutex);
    if (t.source == source) {
        t.listed = std::move(devices);
        t.hasList = true;
    }
    return 1;
}

CDHandle GetCDHandle(const CDHandleRequest* request)
{
    if (request == nullptr || request->target != 0 || request->lun != 0) {
        return 0;
    }
    DriveTable& t = table();
    std::shared_ptr<CDDeviceSource> source;
    CDDeviceInfo info;
    {
        std::lock_guard lock(t.mutex);
        source = t.currentSource();
        if (!t.hasList) {
            t.listed = source->devices();
            t.listed.resize(std::min<std::size_t>(t.listed.size(), CDDriveList::MaxEntries));
            t.hasList = true;
        }
        if (request->hostAdapter >= t.listed.size()) {
            return 0;
        }
        info = t.listed[request->hostAdapter];
    }
    auto drive = std::make_shared<OpenDrive>();
    drive->info = info;
    drive->source = source;
    drive->device = source->open(info);
    // An image whose file is missing is a drive without a disc; a physical drive that
    // cannot be opened is not available at all.
    if (!drive->device && !info.isImage) {
        return 0;
    }
    std::lock_guard lock(t.mutex);
    for (int i = 0; i < MaxHandles; ++i) {
        if (!t.handles[i]) {
            t.handles[i] = std::move(drive);
            return static_cast<CDHandle>(i + 1);
        }
    }
    return 0;
}

int CloseCDHandle(CDHandle handle)
{
    DriveTable& t = table();
    std::shared_ptr<OpenDrive> drive;
    {
        std::lock_guard lock(t.mutex);
        if (handle < 1 || handle > MaxHandles || !t.handles[handle - 1]) {
            return 0;
        }
        drive = std::move(t.handles[handle - 1]);
    }
    // A read running on another thread keeps the drive alive until it returns.
    return 1;
}

int ModifyCDParms(CDHandle handle, int parameter, int value)
{
    const std::shared_ptr<OpenDrive> drive = table().drive(handle);
    if (!drive || parameter != cdaudio::AddressingParameter || (value != 0 && value != 1)) {
        return 0;
    }
    std::lock_guard lock(drive->mutex);
    drive->msf = value == 1;
    return 1;
}

int ReadTOC(CDHandle handle, TOC* toc)
{
    if (toc == nullptr) {
        return 0;
    }
    std::memset(toc, 0, sizeof(TOC));
    const std::shared_ptr<OpenDrive> drive = table().drive(handle);
    if (!drive) {
        return 0;
    }
    std::lock_guard lock(drive->mutex);
    DiscLayout layout;
    if (!readLayoutLocked(*drive, layout)) {
        return 0;
    }
    tarnwick::fillToc(layout, drive->msf, toc);
    return 1;
}

namespace {

// The checks every audio read passes before the device sees it; `read` runs with the
// drive's lock held.
template <typename Read> int readAudioChecked(CDHandle handle, TrackBuffer* buffer, Read read)
{
    if (buffer == nullptr) {
        return 0;
    }
    const std::uint32_t frames = buffer->numFrames;
    buffer->length = 0;
    buffer->dataOffset = 0;
    buffer->status = 1;
    if (frames < 1 || frames > cdaudio::MaxReadFrames ||
        buffer->capacity < frames * static_cast<std::uint32_t>(cdaudio::FrameBytes) ||
        buffer->startFrame > static_cast<std::uint32_t>(INT32_MAX - FirstTrackPregap - cdaudio::MaxReadFrames)) {
        return 0;
    }
    const std::shared_ptr<OpenDrive> drive = table().drive(handle);
    if (!drive) {
        return 0;
    }
    std::lock_guard lock(drive->mutex);
    const auto lsn = static_cast<std::int32_t>(buffer->startFrame);
    if (!drive->device ||
        (drive->leadOut >= 0 && lsn + static_cast<std::int32_t>(frames) + FirstTrackPregap > drive->leadOut)) {
        return 0;
    }
    if (!read(*drive->device, lsn, static_cast<int>(frames), buffer->data())) {
        return 0;
    }
    buffer->length = frames * cdaudio::FrameBytes;
    buffer->status = 0;
    return 1;
}

} // namespace

int ReadCDAudioLBA(CDHandle handle, TrackBuffer* buffer)
{
    return readAudioChecked(handle, buffer, [](CDDevice& device, std::int32_t lsn, int frames, std::uint8_t* dest) {
        return device.readAudio(lsn, frames, dest);
    });
}

bool tarnwick::readAudioSecure(CDHandle handle, TrackBuffer* buffer, SecureReadStats& stats)
{
    return readAudioChecked(handle, buffer,
                            [&stats](CDDevice& device, std::int32_t lsn, int frames, std::uint8_t* dest) {
                                return device.readAudioSecure(lsn, frames, dest, stats);
                            }) == 1;
}
