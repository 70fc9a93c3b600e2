#include "settings/TSettings.h"

int TSettings::portNumber() const
{
    bool ok = false;
    const int port = Port.trimmed().toInt(&ok);
    return ok ? port : 80;
}

TSettings& settings()
{
    static TSettings record;
    return record;
}
