#include "cli/CliDisc.h"

#include "cd/AudioDisc.h"
#include "cd/CDDriveLibrary.h"
#include "cd/TocTracks.h"
#include "cd/TrackRow.h"
#include "settings/DiscInfoStore.h"
#include "settings/TSettings.h"

namespace {

QString fieldText(const char* field, std::size_t size)
{
    return QString::fromUtf8(field, static_cast<qsizetype>(qstrnlen(field, size))).trimmed();
}

} // namespace

namespace CliDisc {

std::vector<Drive> drives()
{
    CDDriveList list{};
    list.capacity = CDDriveList::MaxEntries;
    GetCDList(&list);
    const std::vector<CDDeviceInfo> devices = tarnwick::cdDeviceSource()->devices();
    std::vector<Drive> result;
    for (int i = 0; i < list.count; ++i) {
        Drive drive;
        drive.index = i;
        drive.vendor = fieldText(list.entries[i].vendor, sizeof list.entries[i].vendor);
        drive.product = fieldText(list.entries[i].product, sizeof list.entries[i].product);
        if (static_cast<std::size_t>(i) < devices.size()) {
            drive.path = devices[static_cast<std::size_t>(i)].path;
            drive.image = devices[static_cast<std::size_t>(i)].isImage;
        }
        result.push_back(drive);
    }
    return result;
}

CDHandle openDrive(int index, QString& error)
{
    CDDriveList list{};
    list.capacity = CDDriveList::MaxEntries;
    GetCDList(&list);
    if (list.count == 0) {
        error = QStringLiteral("no CD drives found (and no disc images in TARNWICK_DISC_IMAGES)");
        return 0;
    }
    if (index < 0 || index >= list.count) {
        error = QStringLiteral("there is no drive %1 (drives 0 to %2)").arg(index).arg(list.count - 1);
        return 0;
    }
    const CDHandleRequest request = tarnwick::handleRequestFor(list.entries[index]);
    CDHandle handle = GetCDHandle(&request);
    if (handle == 0) {
        bool freed = false;
        for (CDHandle h = 1; h <= 10 && !freed; ++h) {
            freed = CloseCDHandle(h) != 0;
        }
        if (freed) {
            handle = GetCDHandle(&request);
        }
    }
    if (handle == 0) {
        error = QStringLiteral("drive %1 cannot be opened").arg(index);
    }
    return handle;
}

bool readDisc(CDHandle handle, const QString& discInfoPath, Disc& disc, QString& error)
{
    ModifyCDParms(handle, cdaudio::AddressingParameter, 1);
    TOC toc{};
    if (ReadTOC(handle, &toc) != 1) {
        const QString problem = tarnwick::discProblem(handle);
        error = problem.isEmpty() ? QStringLiteral("no disc in the drive, or its table of contents cannot be read")
                                  : problem;
        return false;
    }
    const int count = tarnwick::toc::trackCount(toc);
    // The key of the disc in this drive, so another drive's disc never lends its titles.
    disc.key = tarnwick::toc::holdsAudio(toc) ? tarnwick::discKeyFromToc(toc) : QString();
    TDiscInfo& record = settings().Disc;
    DiscInfoStore::load(record, disc.key, discInfoPath);
    disc.rows.clear();
    for (int i = 0; i < count && toc.firstTrack + i <= TDiscInfo::MaxTitles; ++i) {
        const int t = toc.firstTrack + i;
        const bool data = tarnwick::toc::isData(toc, i);
        if (data) {
            record.setTitle(t, QString::fromLatin1(tarnwick::toc::DataTrackTitle));
        } else if (record.title(t).isEmpty()) {
            record.setTitle(t, DiscInfoStore::defaultTitle(t));
        }
        const TrackRow texts =
            TrackRow::fromFrames(t, tarnwick::toc::frames(toc.entries[i]), tarnwick::toc::audioEnd(toc, i));
        disc.rows.push_back({i + 1, t, texts.number, record.title(t), texts.length, texts.size, data});
    }
    return true;
}

} // namespace CliDisc
