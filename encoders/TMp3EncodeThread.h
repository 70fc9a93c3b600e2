#pragma once

#include "encoders/TEncodeThread.h"

class TMp3EncodeProcess;

// The reader thread of one MP3 encoder run.
class TMp3EncodeThread : public TEncodeThread
{
    Q_OBJECT

public:
    TMp3EncodeThread(TMp3EncodeProcess* process, std::shared_ptr<EncodeSession> session);
};
