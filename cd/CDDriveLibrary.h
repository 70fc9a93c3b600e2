#pragma once

#include "cd/CDDeviceSource.h"
#include "cd/CDRecords.h"

#include <QString>
#include <memory>

// The CD drive library: drive list, drive handles, table of contents and raw audio
// reads. Results are 1 for success and 0 for failure unless stated otherwise. The calls
// may come from several threads; calls on one handle run one at a time.

// Fills up to list->capacity entries (at most 8) and the count.
int GetCDList(CDDriveList* list);
// Opens the drive of the request's entry in the last list; 0 when it cannot be opened
// or every handle (1 to 10) is in use.
CDHandle GetCDHandle(const CDHandleRequest* request);
// Nonzero when the handle was open and is now closed.
int CloseCDHandle(CDHandle handle);
// Parameter 36 selects the table of contents addressing: 1 minute-second-frame,
// 0 block addresses (the default of a new handle).
int ModifyCDParms(CDHandle handle, int parameter, int value);
// Reads the disc's table of contents anew (a disc may have been changed).
int ReadTOC(CDHandle handle, TOC* toc);
// Reads buffer->numFrames (1 to 10) frames from block buffer->startFrame (0 = 00:02:00).
// A read that cannot deliver every byte fails, also when an image file ends early.
int ReadCDAudioLBA(CDHandle handle, TrackBuffer* buffer);

namespace tarnwick {

struct TrackBufferDeleter
{
    void operator()(TrackBuffer* buffer) const;
};
using TrackBufferPtr = std::unique_ptr<TrackBuffer, TrackBufferDeleter>;

// The handle request for one entry of the drive list.
CDHandleRequest handleRequestFor(const CDDriveEntry& entry);
// How the program names a drive of the list, "VENDOR Product": the library hands back
// trimmed texts where the drive's fixed-width fields kept their padding, so one blank
// keeps vendor and product apart.
QString driveDescription(const CDDriveEntry& entry);
// Opens the first listed disc image (vendor "IMAGE"); 0 when none is listed or it does not open.
CDHandle openFirstImage();

// The device path of a drive opened through `handle` ("/dev/sr0"); empty for a disc image
// or a handle that is not open.
QString drivePath(CDHandle handle);

// Why the drive behind `handle` shows no disc, for the user, when that is known: a disc
// image whose data file is missing. Empty otherwise.
QString discProblem(CDHandle handle);

// A track buffer with room for `frames` frames: start frame 0, frame count `frames`,
// capacity frames x 2352, the other fields 0.
TrackBufferPtr allocTrackBuffer(int frames);

// The source of drives for every call above; nullptr brings back libcdio. Open handles
// keep the source they were opened from.
void setCDDeviceSource(std::shared_ptr<CDDeviceSource> source);
std::shared_ptr<CDDeviceSource> cdDeviceSource();

// ReadCDAudioLBA's read, verified by the device (re-read until sure) and with the same
// limits; what the verification went through is added to `stats`. Reading on where the
// previous call ended keeps the verification's history. A device without verified
// reading fails.
bool readAudioSecure(CDHandle handle, TrackBuffer* buffer, SecureReadStats& stats);

// The layout of the disc behind a handle, read anew as ReadTOC reads it; false without a
// readable disc.
bool readDiscLayout(CDHandle handle, DiscLayout& layout);

// The table of contents record of a disc, addressed as minutes-seconds-frames or blocks.
// A disc of more than 99 tracks is cut to 99 so the lead-out still fits.
void fillToc(const DiscLayout& layout, bool msf, TOC* toc);

} // namespace tarnwick
