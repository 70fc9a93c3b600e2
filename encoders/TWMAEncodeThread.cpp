#include "encoders/TWMAEncodeThread.h"

#include "encoders/TWMAEncodeProcess.h"

TWMAEncodeThread::TWMAEncodeThread(TWMAEncodeProcess* process, std::shared_ptr<EncodeSession> session)
    : TEncodeThread(process, std::move(session))
{
}
