#include "cd/CDDBLibrary.h"

#include "cd/CDDriveLibrary.h"
#include "cd/CddbDiscId.h"
#include "cd/CddbHttp.h"
#include "cd/CddbProtocol.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <mutex>
#include <tuple>

namespace {

struct Options
{
    QByteArray server;
    QByteArray script;
    QByteArray client;
    QByteArray userAddress;
    bool useProxy = false;
    QByteArray proxyAddress;
    int proxyPort = 80;
};

struct Shared
{
    std::mutex mutex;
    Options options;
    std::atomic<long long> timeoutMs{20000};
    std::function<void(int, const QByteArray&, int)> observer;
};

Shared& shared()
{
    static Shared instance;
    return instance;
}

thread_local int lastError = cdeNone;
thread_local QString lastFailure;
thread_local std::shared_ptr<const std::atomic<bool>> stopFlag;

int fail(int error, const QString& text)
{
    lastError = error;
    lastFailure = text.simplified();
    return 0;
}

void succeed(int error = cdeNone)
{
    lastError = error;
    lastFailure.clear();
}

int portOf(QByteArrayView text, int fallback)
{
    bool ok = false;
    const int port = text.toByteArray().toInt(&ok);
    return ok && port > 0 && port < 65536 ? port : fallback;
}

// "host", "host:port", "[v6 address]" or "[v6 address]:port".
void splitServer(const QByteArray& server, QByteArray& host, int& port)
{
    const QByteArray text = server.trimmed();
    host = text;
    port = 80;
    const qsizetype colon = text.lastIndexOf(':');
    const qsizetype bracket = text.lastIndexOf(']');
    if (colon > bracket && text.indexOf(':') == colon) {
        host = text.left(colon);
        port = portOf(text.sliced(colon + 1), 80);
    } else if (bracket > 0 && colon > bracket) {
        host = text.left(colon);
        port = portOf(text.sliced(colon + 1), 80);
    }
}

// Splits a configured text at its first `separator` into two words of the greeting; the
// protocol takes words without blanks.
std::pair<QByteArray, QByteArray> greetingWords(const QByteArray& text, char separator, const char* fallback)
{
    const QByteArray trimmed = text.simplified();
    const qsizetype at = trimmed.indexOf(separator);
    QByteArray first = at < 0 ? trimmed : trimmed.left(at);
    QByteArray second = at < 0 ? QByteArray() : trimmed.sliced(at + 1);
    first.replace(' ', '_');
    second.replace(' ', '_');
    return {first.isEmpty() ? QByteArray("user") : first, second.isEmpty() ? QByteArray(fallback) : second};
}

bool prepare(const QByteArray& command, tarnwick::cddb::HttpRequest& request)
{
    Options options;
    {
        std::lock_guard lock(shared().mutex);
        options = shared().options;
    }
    splitServer(options.server, request.host, request.port);
    if (request.host.isEmpty()) {
        fail(cdeNoServer, QStringLiteral("no CDDB server is set"));
        return false;
    }
    request.script = options.script.isEmpty() ? QByteArray("/~cddb/cddb.cgi") : options.script;
    request.command = command;
    std::tie(request.user, request.userHost) = greetingWords(options.userAddress, '@', "localhost");
    std::tie(request.client, request.version) = greetingWords(options.client, ' ', "1.0");
    request.useProxy = options.useProxy;
    request.proxyHost = options.proxyAddress.trimmed();
    request.proxyPort = options.proxyPort;
    request.timeout = tarnwick::cddbTimeout();
    request.stop = stopFlag.get();
    if (request.useProxy && request.proxyHost.isEmpty()) {
        fail(cdeNoServer, QStringLiteral("no proxy address is set"));
        return false;
    }
    return true;
}

// Runs one exchange; false (with the error set) unless the server answered.
bool exchange(const tarnwick::cddb::HttpRequest& request, QByteArray& body)
{
    using tarnwick::cddb::HttpOutcome;
    const tarnwick::cddb::HttpResponse response = tarnwick::cddb::httpGet(request);
    switch (response.outcome) {
    case HttpOutcome::Answered:
        body = response.body;
        return true;
    case HttpOutcome::Stopped:
        fail(cdeStopped, response.error);
        return false;
    case HttpOutcome::TimedOut:
        fail(cdeTimeout, response.error);
        return false;
    case HttpOutcome::Failed:
        break;
    }
    fail(request.host.isEmpty() ? cdeNoServer : cdeTransport, response.error);
    return false;
}

QString refusal(const QByteArray& statusLine)
{
    if (statusLine.trimmed().isEmpty()) {
        return QStringLiteral("the server's answer is empty");
    }
    // Keep a hostile server's line to something a hint panel can show.
    return QString::fromUtf8(statusLine.trimmed()).left(200);
}

void copyField(char* field, std::size_t size, const QByteArray& text)
{
    std::memset(field, 0, size);
    const QByteArray fitted = tarnwick::cddb::fitIntoBuffer(text, static_cast<int>(size));
    std::memcpy(field, fitted.constData(), static_cast<std::size_t>(fitted.size()));
}

QByteArray fieldText(const char* field, std::size_t size)
{
    return QByteArray(field, static_cast<qsizetype>(strnlen(field, size)));
}

} // namespace

void CDDBSetOption(int option, const char* text, int number)
{
    const QByteArray value = text != nullptr ? QByteArray(text) : QByteArray();
    std::lock_guard lock(shared().mutex);
    if (shared().observer) {
        shared().observer(option, value, number);
    }
    Options& options = shared().options;
    switch (option) {
    case cdoServer:
        // A new server starts a new set of options: without option 2 after it, a proxy
        // chosen for an earlier query is not used.
        options.server = value;
        options.useProxy = false;
        break;
    case cdoProxyAddress:
        options.proxyAddress = value;
        break;
    case cdoUseProxy:
        options.useProxy = number != 0;
        break;
    case cdoClient:
        options.client = value;
        break;
    case cdoUserAddress:
        options.userAddress = value;
        break;
    case cdoProxyPort:
        options.proxyPort = number > 0 && number < 65536 ? number : 80;
        break;
    case cdoScript:
        options.script = value;
        break;
    default:
        break;
    }
}

int CDDBQuery(CDHandle handle, CDDBQueryList* query)
{
    if (query == nullptr || query->matches == nullptr) {
        return fail(cdeBadCall, QStringLiteral("no room for matches"));
    }
    const std::uint32_t capacity = std::min(query->count, CDDBQueryList::MaxMatches);
    query->count = 0;
    DiscLayout layout;
    if (!tarnwick::readDiscLayout(handle, layout)) {
        return fail(cdeNoDisc, QStringLiteral("the drive holds no readable disc"));
    }
    tarnwick::cddb::HttpRequest request;
    if (!prepare(tarnwick::cddb::queryCommand(tarnwick::cddbDiscOf(layout)), request)) {
        return 0;
    }
    QByteArray body;
    if (!exchange(request, body)) {
        return 0;
    }
    const tarnwick::cddb::QueryAnswer answer = tarnwick::cddb::parseQueryAnswer(body);
    if (answer.code == 202) {
        succeed(cdeNoMatch);
        return 1;
    }
    if ((answer.code != 200 && answer.code != 210 && answer.code != 211) || answer.matches.empty()) {
        return fail(cdeRefused, refusal(answer.statusLine));
    }
    const std::uint32_t found = std::min<std::uint32_t>(capacity, static_cast<std::uint32_t>(answer.matches.size()));
    for (std::uint32_t i = 0; i < found; ++i) {
        CDDBMatch& record = query->matches[i];
        const tarnwick::cddb::Match& match = answer.matches[i];
        copyField(record.category, sizeof(record.category), match.category);
        copyField(record.discId, sizeof(record.discId), match.discId);
        copyField(record.title, sizeof(record.title), match.title);
    }
    query->count = found;
    succeed();
    return 1;
}

int CDDBGetDiskInfo(const CDDBMatch* match, char* text, int length)
{
    if (text == nullptr || length < 1) {
        return fail(cdeBadCall, QStringLiteral("no room for the entry"));
    }
    text[0] = '\0';
    if (match == nullptr) {
        return fail(cdeBadCall, QStringLiteral("no match to read"));
    }
    const QByteArray category = fieldText(match->category, sizeof(match->category));
    const QByteArray discId = fieldText(match->discId, sizeof(match->discId));
    if (!tarnwick::cddb::isValidCategory(category) || !tarnwick::cddb::isValidDiscId(discId)) {
        return fail(cdeBadCall, QStringLiteral("the match names no entry"));
    }
    tarnwick::cddb::HttpRequest request;
    if (!prepare(tarnwick::cddb::readCommand(category, discId), request)) {
        return 0;
    }
    QByteArray body;
    if (!exchange(request, body)) {
        return 0;
    }
    const tarnwick::cddb::ReadAnswer answer = tarnwick::cddb::parseReadAnswer(body);
    if (answer.code != 210) {
        return fail(cdeRefused, refusal(answer.statusLine));
    }
    const QByteArray fitted = tarnwick::cddb::fitIntoBuffer(answer.entry, length);
    std::memcpy(text, fitted.constData(), static_cast<std::size_t>(fitted.size()));
    text[fitted.size()] = '\0';
    succeed();
    return 1;
}

int GetAspiLibError()
{
    return lastError;
}

namespace tarnwick {

QString cddbLastFailure()
{
    return lastFailure;
}

CddbStopScope::CddbStopScope(std::shared_ptr<const std::atomic<bool>> flag) : m_previous(std::move(stopFlag))
{
    stopFlag = std::move(flag);
}

CddbStopScope::~CddbStopScope()
{
    stopFlag = std::move(m_previous);
}

void setCddbTimeout(std::chrono::milliseconds timeout)
{
    shared().timeoutMs = std::max<long long>(timeout.count(), 1);
}

std::chrono::milliseconds cddbTimeout()
{
    return std::chrono::milliseconds(shared().timeoutMs.load());
}

void setCddbOptionObserver(std::function<void(int, const QByteArray&, int)> observer)
{
    std::lock_guard lock(shared().mutex);
    shared().observer = std::move(observer);
}

} // namespace tarnwick
