#include "cd/CdioDevice.h"

#include "cd/CDRecords.h"
#include "cd/ParanoiaReader.h"

CdioDevice::CdioDevice(CdIo_t* cdio, std::unique_ptr<QTemporaryDir> imageFolder)
    : m_imageFolder(std::move(imageFolder)), m_cdio(cdio)
{
}

CdioDevice::~CdioDevice()
{
    m_paranoia.reset();
    cdio_destroy(m_cdio);
}

bool CdioDevice::readLayout(DiscLayout& layout)
{
    const track_t first = cdio_get_first_track_num(m_cdio);
    const track_t count = cdio_get_num_tracks(m_cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
        return false;
    }
    layout = DiscLayout();
    layout.firstTrack = first;
    for (int t = first; t < first + count; ++t) {
        const lba_t address = cdio_get_track_lba(m_cdio, static_cast<track_t>(t));
        if (address == CDIO_INVALID_LBA) {
            return false;
        }
        layout.tracks.push_back(
            {t, address, cdio_get_track_format(m_cdio, static_cast<track_t>(t)) == TRACK_FORMAT_AUDIO});
    }
    layout.leadOut = cdio_get_track_lba(m_cdio, CDIO_CDROM_LEADOUT_TRACK);
    return layout.leadOut != CDIO_INVALID_LBA;
}

bool CdioDevice::holdsAudioDisc()
{
    // An enhanced or mixed-mode disc is an audio CD too: one audio track is enough.
    const track_t first = cdio_get_first_track_num(m_cdio);
    const track_t count = cdio_get_num_tracks(m_cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK) {
        return false;
    }
    for (int t = first; t < first + count; ++t) {
        if (cdio_get_track_format(m_cdio, static_cast<track_t>(t)) == TRACK_FORMAT_AUDIO) {
            return true;
        }
    }
    return false;
}

bool CdioDevice::readAudio(std::int32_t lsn, int frames, std::uint8_t* dest)
{
    // The image drivers report success for a read that runs past the end of the image
    // file and leave the rest of the buffer as it was. A short read always leaves the last
    // byte unwritten, so a marker there that survives two reads with different markers
    // shows the read fell short; real audio cannot equal both.
    if (!readOnce(lsn, frames, dest, 0xA5)) {
        return false;
    }
    const std::size_t last = static_cast<std::size_t>(frames) * cdaudio::FrameBytes - 1;
    if (dest[last] != 0xA5) {
        return true;
    }
    return readOnce(lsn, frames, dest, 0x5A) && dest[last] != 0x5A;
}

bool CdioDevice::readOnce(std::int32_t lsn, int frames, std::uint8_t* dest, std::uint8_t marker)
{
    dest[static_cast<std::size_t>(frames) * cdaudio::FrameBytes - 1] = marker;
    return cdio_read_audio_sectors(m_cdio, dest, lsn, static_cast<std::uint32_t>(frames)) == DRIVER_OP_SUCCESS;
}

bool CdioDevice::readAudioSecure(std::int32_t lsn, int frames, std::uint8_t* dest, SecureReadStats& stats)
{
    if (!m_paranoia) {
        m_paranoia = std::make_unique<ParanoiaReader>(m_cdio);
    }
    return m_paranoia->isOpen() && m_paranoia->read(lsn, frames, dest, stats);
}
