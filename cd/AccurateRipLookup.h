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
    enum class Outcome {
        Found,         // the disc's file, whole and of this disc
        NotInDatabase, // the server answered 404: nobody has submitted a rip of the disc
        Unreachable,   // no answer: no connection, a name that does not resolve, a timeout
        Failed         // an answer of no use (a server error, a file that is not this disc's), or stopped
    };
    Outcome outcome = Outcome::Failed;
    // The disc's pressings; only with Found.
    std::optional<std::vector<Pressing>> pressings;
    QString error; // one line for the log when there are no pressings: curl's text, the HTTP status
    // The same in a few words for a status bar: curl's name of its error ("Couldn't resolve
    // host name") rather than its message with address and port.
    QString shortError;
    QByteArray url;
};

// Fetches and parses the disc's database file: one GET of databaseUrl() that sends nothing
// but the disc IDs in its path (no query, no cookies, no program name), follows at most
// three redirects to http or https addresses, and reads at most MaxDatabaseFileBytes. Only
// a 404 means the disc is not in the database; every other failure (no connection,
// timeout, another HTTP error, an answer too big or not a database file of this disc) is
// Unreachable or Failed with its reason. It never throws.
LookupResult lookUp(const LookupRequest& request) noexcept;

} // namespace tarnwick::accuraterip
