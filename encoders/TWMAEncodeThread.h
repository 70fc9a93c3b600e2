#pragma once

#include "encoders/TEncodeThread.h"

class TWMAEncodeProcess;

// The reader thread of one WMA encoder run.
class TWMAEncodeThread : public TEncodeThread
{
    Q_OBJECT

public:
    TWMAEncodeThread(TWMAEncodeProcess* process, std::shared_ptr<EncodeSession> session);
};
