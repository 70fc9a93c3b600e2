#include "cd/AccurateRipLookup.h"

#include "cd/CurlTransfer.h"

#include <memory>

namespace tarnwick::accuraterip {

namespace {

constexpr long MaxRedirects = 3;

using CurlText = std::unique_ptr<char, CurlDeleter>;

CurlText part(CURLU* url, CURLUPart which)
{
    char* text = nullptr;
    if (curl_url_get(url, which, &text, 0) != CURLUE_OK) {
        return nullptr;
    }
    return CurlText(text);
}

// The base URL with the file's path put under its own. A base that names a user, a query
// or another scheme than http(s) is refused: the request must carry the disc IDs only.
bool buildUrl(CURLU* url, const QString& baseUrl, const DiscIds& ids)
{
    const QByteArray base = baseUrl.trimmed().toUtf8();
    if (base.isEmpty() || curl_url_set(url, CURLUPART_URL, base.constData(), 0) != CURLUE_OK) {
        return false;
    }
    const CurlText scheme = part(url, CURLUPART_SCHEME);
    if (!scheme || (qstrcmp(scheme.get(), "http") != 0 && qstrcmp(scheme.get(), "https") != 0) ||
        part(url, CURLUPART_USER) || part(url, CURLUPART_PASSWORD) || part(url, CURLUPART_QUERY) ||
        part(url, CURLUPART_FRAGMENT)) {
        return false;
    }
    const CurlText path = part(url, CURLUPART_PATH);
    const QByteArray file = databaseUrl(QString::fromUtf8(path ? path.get() : ""), ids);
    return curl_url_set(url, CURLUPART_PATH, file.constData(), 0) == CURLUE_OK;
}

// The server was never reached, or went away before it answered: the network's fault, not
// the database's.
bool unreachable(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_OPERATION_TIMEDOUT:
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PARTIAL_FILE:
        return true;
    default:
        return false;
    }
}

LookupResult fetch(const LookupRequest& request)
{
    initialiseCurl();
    LookupResult result;
    if (!request.ids.valid()) {
        result.error = QStringLiteral("the disc has no audio tracks");
        return result;
    }
    const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    const std::unique_ptr<CURLU, CurlDeleter> url(curl_url());
    if (!curl || !url) {
        result.error = QStringLiteral("cannot start a transfer");
        return result;
    }
    if (!buildUrl(url.get(), request.baseUrl, request.ids)) {
        result.error = QStringLiteral("the database address \"%1\" cannot be used").arg(request.baseUrl);
        return result;
    }
    if (const CurlText full = part(url.get(), CURLUPART_URL)) {
        result.url = full.get();
    }

    CurlTransfer transfer(MaxDatabaseFileBytes);
    transfer.stop = request.stop;
    transfer.cancelled = &request.cancelled;
    char errors[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_CURLU, url.get());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, MaxRedirects);
    setCurlTimeout(c, request.timeout);
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(MaxDatabaseFileBytes));
    transfer.attach(c);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errors);
    setCurlProxy(c, request.useProxy, request.proxyHost, request.proxyPort);

    const CURLcode code = curl_easy_perform(c);
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    using Outcome = LookupResult::Outcome;
    if (code == CURLE_ABORTED_BY_CALLBACK || transfer.stopped()) {
        result.error = QStringLiteral("stopped");
    } else if (code == CURLE_OPERATION_TIMEDOUT) {
        result.outcome = Outcome::Unreachable;
        result.error = QStringLiteral("no answer within %1 s").arg((request.timeout.count() + 999) / 1000);
    } else if (transfer.tooLong || code == CURLE_FILESIZE_EXCEEDED) {
        result.error = QStringLiteral("the answer is too big for a database file");
    } else if (code != CURLE_OK) {
        result.outcome = unreachable(code) ? Outcome::Unreachable : Outcome::Failed;
        result.error = QString::fromUtf8(errors[0] != '\0' ? errors : curl_easy_strerror(code)).simplified();
        result.shortError = QString::fromUtf8(curl_easy_strerror(code));
    } else if (status == 404) {
        result.outcome = Outcome::NotInDatabase;
        result.error = QStringLiteral("the disc is not in the database");
    } else if (status != 200) {
        result.error = QStringLiteral("HTTP status %1").arg(status);
    } else {
        result.pressings = parseDatabaseFile(transfer.body, request.ids);
        result.outcome = result.pressings ? Outcome::Found : Outcome::Failed;
        if (!result.pressings) {
            result.error = QStringLiteral("the answer is not a database file of this disc");
        }
    }
    if (result.shortError.isEmpty()) {
        result.shortError = result.error;
    }
    return result;
}

} // namespace

LookupResult lookUp(const LookupRequest& request) noexcept
{
    try {
        return fetch(request);
    } catch (...) {
        // Out of memory at worst: the rip goes on without a verdict.
        LookupResult result;
        result.error = QStringLiteral("the lookup failed");
        return result;
    }
}

} // namespace tarnwick::accuraterip
