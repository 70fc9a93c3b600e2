#include "cd/HandleAudioSource.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::int32_t FirstTrackPregap = 150; // 00:02:00

std::int32_t blockOf(const TOCEntry& entry)
{
    return (entry.address[1] * 60 + entry.address[2]) * cdaudio::FramesPerSecond + entry.address[3] - FirstTrackPregap;
}

} // namespace

HandleAudioSource::HandleAudioSource(CDHandle handle)
    : m_handle(handle), m_buffer(tarnwick::allocTrackBuffer(cdaudio::MaxReadFrames))
{
}

bool HandleAudioSource::readTracks(std::vector<Track>& tracks, std::int32_t& leadOut)
{
    // Minute-second-frame addressing is what the main window keeps the handle in, so
    // asking for it here changes nothing for the handle's other users.
    ModifyCDParms(m_handle, cdaudio::AddressingParameter, 1);
    TOC toc{};
    if (ReadTOC(m_handle, &toc) != 1 || toc.lastTrack < toc.firstTrack) {
        return false;
    }
    tracks.clear();
    const int count = std::min(toc.lastTrack - toc.firstTrack + 1, TOC::MaxEntries - 1);
    for (int i = 0; i < count; ++i) {
        const TOCEntry& entry = toc.entries[i];
        tracks.push_back({entry.trackNumber, blockOf(entry), (entry.control & 0x04) == 0});
    }
    leadOut = blockOf(toc.entries[count]);
    return true;
}

bool HandleAudioSource::readAudio(std::int32_t block, int frames, std::uint8_t* dest)
{
    if (block < 0 || frames < 1 || frames > cdaudio::MaxReadFrames) {
        return false;
    }
    m_buffer->startFrame = static_cast<std::uint32_t>(block);
    m_buffer->numFrames = static_cast<std::uint32_t>(frames);
    if (ReadCDAudioLBA(m_handle, m_buffer.get()) != 1) {
        return false;
    }
    std::memcpy(dest, m_buffer->data() + m_buffer->dataOffset, static_cast<std::size_t>(frames) * cdaudio::FrameBytes);
    return true;
}
