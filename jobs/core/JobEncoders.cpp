#include "jobs/core/JobEncoders.h"

#include "encoders/TEncodeProcess.h"

void armEncoder(TEncodeProcess& process, const QString& input, const QString& output, QObject* receiver, bool encode,
                int mode)
{
    process.setActive(true);
    process.setInputFile(input);
    process.setOutputFile(output);
    process.setWindowHandle(receiver);
    process.setEncodeFlag(encode);
    process.setJobMode(mode);
}
