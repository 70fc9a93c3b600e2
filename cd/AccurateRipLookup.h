#pragma once

#include "cd/AccurateRipDatabase.h"
#include "cd/AccurateRipDiscId.h"

#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace tarnwick::accuraterip {

// The database's usual address, the default of the setting.
inline const QString DefaultBaseUrl = QStringLiteral("http://www.accuraterip.com/accuraterip");

struct LookupRequest
{
    QString baseUrl = DefaultBaseUrl; // http or https, without a query or a user
    DiscIds ids;
    std::chrono::milliseconds timeout{10000}; // for the whole exchange, redirects included
    const std::atomic<bool>* stop = nullptr;  // ends the transfer as soon as it is true
    std::function<bool()> cancelled;          // the same, asked while the transfer runs
    bool useProxy = false;                    // the proxy the settings name, never the environment's
    QByteArray proxyHost;
    int proxyPort = 80;
};

struct LookupResult
{
    // The disc's pressings; empty when the disc is not in the database or the lookup failed.
    std::optional<std::vector<Pressing>> pressings;
    QString error; // one line for the log when there are no pressings
    QByteArray url;
};

// Fetches and parses the disc's database file: one GET of databaseUrl() that sends nothing
// but the disc IDs in its path (no query, no cookies, no program name), follows at most
// three redirects to http or https addresses, and reads at most MaxDatabaseFileBytes. Every
// failure (no connection, timeout, an HTTP error, an answer too big or not a database file
// of this disc) gives a result without pressings; it never throws.
LookupResult lookUp(const LookupRequest& request) noexcept;

} // namespace tarnwick::accuraterip
