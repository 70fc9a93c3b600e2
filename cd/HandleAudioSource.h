#pragma once

#include "cd/CDDriveLibrary.h"
#include "platform/CdAudioDevice.h"

// The disc in a drive opened through the drive library, as a CD audio device reads it.
// The handle stays the opener's: the source never closes it.
class HandleAudioSource : public CdAudioSource
{
public:
    explicit HandleAudioSource(CDHandle handle);

    bool readTracks(std::vector<Track>& tracks, std::int32_t& leadOut) override;
    bool readAudio(std::int32_t block, int frames, std::uint8_t* dest) override;

private:
    CDHandle m_handle;
    tarnwick::TrackBufferPtr m_buffer;
};
