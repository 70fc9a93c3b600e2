#pragma once

#include "cd/CDRecords.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

// The online disc lookup calls of the CD drive library: a CDDB server is asked, over
// HTTP, which entries it holds for the disc behind a drive handle, and then for the text
// of one of them. Options are shared by every thread; the last error belongs to the
// thread that made the call.

#pragma pack(push, 1)

// One match of a query. Callers treat it as opaque and only hand it back to
// CDDBGetDiskInfo; the fields are NUL-terminated.
struct CDDBMatch
{
    char category[32];
    char discId[12];
    char title[148]; // "Artist / Album" as the server lists it
};

struct CDDBQueryList
{
    static constexpr std::uint32_t MaxMatches = 10;
    std::uint32_t count; // room in `matches` (at most 10) on the way in, matches found on the way out
    CDDBMatch* matches;
};

#pragma pack(pop)

static_assert(sizeof(CDDBMatch) == 192);

// Option numbers of CDDBSetOption. Text options take the text and number 0, number
// options an empty text and the number. Number 8 is accepted and has no effect.
enum CDDBOption : int {
    cdoServer = 0,       // "host" or "host:port" (port 80 otherwise); turns the proxy off
    cdoProxyAddress = 1, // proxy host
    cdoUseProxy = 2,     // nonzero: go through the proxy
    cdoClient = 3,       // "name version" sent in the greeting
    cdoUserAddress = 4,  // "user@host" sent in the greeting
    cdoProxyPort = 5,
    cdoScript = 6, // the server's CDDB script, "/~cddb/cddb.cgi"
    cdoReserved = 8,
};

// Codes of GetAspiLibError after a CDDB call.
enum CDDBError : int {
    cdeNone = 0,
    cdeNoMatch = 0x0202, // the server knows no entry for the disc
    cdeBadCall,          // missing record or buffer, unknown match
    cdeNoDisc,           // the handle holds no readable disc
    cdeNoServer,         // the server option is empty or no valid host
    cdeTransport,        // the server could not be reached or broke off
    cdeTimeout,          // no whole answer within the time limit
    cdeStopped,          // the calling thread's stop flag was raised
    cdeRefused,          // the server answered with a code that carries no result
};

void CDDBSetOption(int option, const char* text, int number);
// Sends the disc's ID, track offsets and length. 1 on an answer: query->count is then the
// number of matches (0 for "no match", GetAspiLibError gives cdeNoMatch). 0 when the
// server could not be asked or gave no usable answer.
int CDDBQuery(CDHandle handle, CDDBQueryList* query);
// Fetches the entry of a match as key=value lines into `text` (NUL-terminated). An entry
// longer than the buffer is cut at the last line end that fits. NUL bytes, control
// characters and byte sequences that are not UTF-8 arrive as blanks or U+FFFD. 1 on success.
int CDDBGetDiskInfo(const CDDBMatch* match, char* text, int length);
int GetAspiLibError();

namespace tarnwick {

// The failure of this thread's last CDDB call in one line for the user: the server's
// answer line, or what went wrong on the way. Empty after a success.
QString cddbLastFailure();

// While a scope is alive, the CDDB calls of its thread end their transfer as soon as the
// flag is raised (cdeStopped).
class CddbStopScope
{
public:
    explicit CddbStopScope(std::shared_ptr<const std::atomic<bool>> flag);
    ~CddbStopScope();
    CddbStopScope(const CddbStopScope&) = delete;
    CddbStopScope& operator=(const CddbStopScope&) = delete;

private:
    std::shared_ptr<const std::atomic<bool>> m_previous;
};

// The longest one CDDB exchange may take, connecting included (20 s unless set).
void setCddbTimeout(std::chrono::milliseconds timeout);
std::chrono::milliseconds cddbTimeout();

// Sees every CDDBSetOption call (option, text, number) as it is made; for tests.
void setCddbOptionObserver(std::function<void(int, const QByteArray&, int)> observer);

} // namespace tarnwick
