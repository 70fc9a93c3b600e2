#include "encoders/TMp3EncodeThread.h"

#include "encoders/TMp3EncodeProcess.h"

TMp3EncodeThread::TMp3EncodeThread(TMp3EncodeProcess* process, std::shared_ptr<EncodeSession> session)
    : TEncodeThread(process, std::move(session))
{
}
