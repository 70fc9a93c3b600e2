#include "cd/ParanoiaReader.h"

#include "cd/CDRecords.h"

#include <QtEndian>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <cstring>

namespace {

// paranoia's callback carries no context: the read in progress on this thread collects
// its reports here.
struct CallbackTarget
{
    SecureReadStats* stats = nullptr;
    bool readError = false;
    bool skipped = false;
};
thread_local CallbackTarget t_target;

void onParanoiaEvent(long /*position*/, paranoia_cb_mode_t mode)
{
    SecureReadStats* stats = t_target.stats;
    if (stats == nullptr) {
        return;
    }
    switch (mode) {
    case PARANOIA_CB_READ:
        ++stats->reads;
        break;
    case PARANOIA_CB_VERIFY:
        ++stats->verified;
        break;
    case PARANOIA_CB_FIXUP_EDGE:
    case PARANOIA_CB_FIXUP_ATOM:
    case PARANOIA_CB_FIXUP_DROPPED:
    case PARANOIA_CB_FIXUP_DUPED:
        ++stats->corrections;
        break;
    case PARANOIA_CB_SKIP:
        ++stats->skips;
        t_target.skipped = true;
        break;
    case PARANOIA_CB_READERR:
        ++stats->readErrors;
        t_target.readError = true;
        break;
    default:
        break;
    }
}

} // namespace

ParanoiaReader::ParanoiaReader(CdIo_t* cdio) : m_cdio(cdio)
{
    char* messages = nullptr;
    m_drive = cdio_cddap_identify_cdio(m_cdio, CDDA_MESSAGE_LOGIT, &messages);
    cdio_cddap_free_messages(messages);
    if (m_drive == nullptr) {
        return;
    }
    cdio_cddap_verbose_set(m_drive, CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
    if (cdio_cddap_open(m_drive) != 0) {
        return;
    }
    // libcdio hands over little-endian samples on every driver; left to itself the
    // library guesses the byte order from the first sectors' contents and may swap a
    // disc of unusual audio (or noise) into garbage.
    m_drive->bigendianp = 0;
    m_paranoia = cdio_paranoia_init(m_drive);
    if (m_paranoia != nullptr) {
        // Full checking, but a stretch that never verifies is skipped after MaxRetries
        // instead of being retried without end.
        cdio_paranoia_modeset(m_paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    }
}

ParanoiaReader::~ParanoiaReader()
{
    if (m_paranoia != nullptr) {
        cdio_paranoia_free(m_paranoia);
    }
    if (m_drive != nullptr) {
        cdio_cddap_close_no_free_cdio(m_drive);
    }
}

bool ParanoiaReader::read(std::int32_t lsn, int frames, std::uint8_t* dest, SecureReadStats& stats)
{
    if (m_paranoia == nullptr || frames < 0) {
        return false;
    }
    if (lsn != m_next) {
        cdio_paranoia_seek(m_paranoia, lsn, SEEK_SET);
        m_next = lsn;
    }
    for (int i = 0; i < frames; ++i) {
        t_target = CallbackTarget{&stats, false, false};
        const std::int16_t* samples = cdio_paranoia_read_limited(m_paranoia, onParanoiaEvent, MaxRetries);
        const bool unread = t_target.readError && t_target.skipped;
        t_target = CallbackTarget{};
        if (samples == nullptr || unread) {
            m_next = -1; // paranoia's place is unknown now: the next read seeks
            return false;
        }
        // paranoia delivers host-order samples.
        qToLittleEndian<std::int16_t>(samples, cdaudio::FrameBytes / 2, dest);
        dest += cdaudio::FrameBytes;
        ++m_next;
        ++stats.sectors;
    }
    return true;
}
