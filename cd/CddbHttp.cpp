#include "cd/CddbHttp.h"

#include "cd/CurlTransfer.h"

#include <QList>

#include <memory>

namespace tarnwick::cddb {

namespace {

// A CDDB entry is a few kilobytes; an answer beyond this is not one and is not read on.
constexpr qsizetype MaxAnswerBytes = 4 * 1024 * 1024;

// The words of a command or greeting, each escaped, joined by "+" as forms send blanks.
QByteArray formWords(CURL* curl, const QList<QByteArray>& words)
{
    QByteArray out;
    for (const QByteArray& word : words) {
        if (word.isEmpty()) {
            continue;
        }
        char* escaped = curl_easy_escape(curl, word.constData(), static_cast<int>(word.size()));
        if (!out.isEmpty()) {
            out += '+';
        }
        out += escaped != nullptr ? QByteArray(escaped) : QByteArray();
        curl_free(escaped);
    }
    return out;
}

QString oneLine(const QString& text)
{
    return text.simplified();
}

} // namespace

QByteArray queryString(const HttpRequest& request)
{
    initialiseCurl();
    const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        return {};
    }
    const QByteArray hello = formWords(curl.get(), {request.user, request.userHost, request.client, request.version});
    return "cmd=" + formWords(curl.get(), request.command.split(' ')) + "&hello=" + hello + "&proto=6";
}

HttpResponse httpGet(const HttpRequest& request)
{
    initialiseCurl();
    HttpResponse response;
    const std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    const std::unique_ptr<CURLU, CurlDeleter> url(curl_url());
    if (!curl || !url) {
        response.error = QStringLiteral("cannot start a transfer");
        return response;
    }
    QByteArray script = request.script.trimmed();
    if (!script.startsWith('/')) {
        script.prepend('/');
    }
    const QByteArray port = QByteArray::number(request.port);
    const QByteArray query = queryString(request);
    // The URL is put together from its parts so that a host name or script path from the
    // settings cannot carry a scheme, a user or a second host into it.
    if (curl_url_set(url.get(), CURLUPART_SCHEME, "http", 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_HOST, request.host.constData(), 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_PORT, port.constData(), 0) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_PATH, script.constData(), CURLU_URLENCODE) != CURLUE_OK ||
        curl_url_set(url.get(), CURLUPART_QUERY, query.constData(), 0) != CURLUE_OK) {
        response.error = QStringLiteral("the server address \"%1\" cannot be used")
                             .arg(QString::fromUtf8(request.host + ':' + port + script));
        return response;
    }

    CurlTransfer transfer(MaxAnswerBytes);
    transfer.stop = request.stop;
    char errors[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_CURLU, url.get());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L);
    setCurlTimeout(c, request.timeout);
    transfer.attach(c);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errors);
    curl_easy_setopt(c, CURLOPT_USERAGENT, (request.client + '/' + request.version).constData());
    setCurlProxy(c, request.useProxy, request.proxyHost, request.proxyPort);

    const CURLcode result = curl_easy_perform(c);
    if (result == CURLE_ABORTED_BY_CALLBACK || (request.stop != nullptr && request.stop->load())) {
        response.outcome = HttpOutcome::Stopped;
        response.error = QStringLiteral("stopped");
        return response;
    }
    if (result == CURLE_OPERATION_TIMEDOUT) {
        response.outcome = HttpOutcome::TimedOut;
        response.error = QStringLiteral("no answer from %1 within %2 s")
                             .arg(QString::fromUtf8(request.host))
                             .arg((request.timeout.count() + 999) / 1000);
        return response;
    }
    if (transfer.tooLong) {
        response.error = QStringLiteral("the answer of %1 is too long").arg(QString::fromUtf8(request.host));
        return response;
    }
    if (result == CURLE_GOT_NOTHING) {
        response.error =
            QStringLiteral("%1 closed the connection without an answer").arg(QString::fromUtf8(request.host));
        return response;
    }
    if (result != CURLE_OK) {
        response.error = oneLine(QString::fromUtf8(errors[0] != '\0' ? errors : curl_easy_strerror(result)));
        return response;
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
        response.error = QStringLiteral("HTTP status %1 from %2").arg(status).arg(QString::fromUtf8(request.host));
        return response;
    }
    response.outcome = HttpOutcome::Answered;
    response.body = std::move(transfer.body);
    return response;
}

} // namespace tarnwick::cddb
