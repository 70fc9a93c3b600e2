#pragma once

#include "settings/TSettings.h"

#include <QString>

// options.ini: every setting, read when the main window is created and written when it
// closes (and by the tip window). Keys, order and defaults are fixed because users keep
// their files between versions.
namespace SettingsStore {

QString defaultPath(); // options.ini in the program folder
QString defaultServer();
// The e-mail address a CDDB greeting carries until the user sets their own.
QString defaultEmail();
// The database's usual address, under which the disc files lie.
QString defaultAccurateRipURL();
// An http or https address with a host and no query: a hand-edited value that is not
// one reads as the default.
bool isAccurateRipURL(const QString& text);

void load(TSettings& record, const QString& path);
// Writes the whole file or nothing. On failure returns false and fills `error` with
// "Unable to write to <path>".
bool save(const TSettings& record, const QString& path, QString* error = nullptr);

} // namespace SettingsStore
