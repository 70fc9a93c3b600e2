#pragma once

#include "settings/TSettings.h"

// Tests never reach the AccurateRip database on the internet: fixtures that build
// settings start with verification off and the address on a loopback port where nothing
// listens, so a lookup that slips through fails at once and locally. A test that wants a
// lookup turns AccurateRip on and points the address at its own loopback server.
inline constexpr char ClosedAccurateRipURL[] = "http://127.0.0.1:1/accuraterip";

// The CDOptions lines of an options.ini written by hand.
inline constexpr char OfflineCdOptions[] =
    "[CDOptions]\nAccurateRip=0\nAccurateRipURL=http://127.0.0.1:1/accuraterip\n";

inline void keepOffline(TSettings& record)
{
    record.AccurateRip = false;
    record.AccurateRipURL = QString::fromLatin1(ClosedAccurateRipURL);
}
