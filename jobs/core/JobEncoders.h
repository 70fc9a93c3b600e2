#pragma once

#include <QString>

class QObject;
class TEncodeProcess;

// Arms an encoder process for one start, in the order the process expects: active,
// input, output, the receiver of its records, encode or decode, and the job mode (which
// decides whether an existing output is asked about).
void armEncoder(TEncodeProcess& process, const QString& input, const QString& output, QObject* receiver, bool encode,
                int mode);
