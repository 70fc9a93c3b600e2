#pragma once

#include <QByteArray>
#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

namespace tarnwick {

// Sets up libcurl's global state once per process, before the first handle is made; safe
// to call from any thread and as often as wanted.
void initialiseCurl();

// No signals, since transfers run on worker threads, and one limit for connecting and for
// the whole exchange.
void setCurlTimeout(CURL* curl, std::chrono::milliseconds timeout);
// The HTTP proxy the settings name, or none: never whatever the environment names.
void setCurlProxy(CURL* curl, bool useProxy, const QByteArray& host, int port);

struct CurlDeleter
{
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
    void operator()(char* text) const { curl_free(text); }
};

// The body of one transfer, kept in memory up to a cap: a server that sends more ends the
// transfer with a write error and `tooLong` set, instead of filling memory. The transfer is
// also ended when `stop` is set or `cancelled` says so.
struct CurlTransfer
{
    explicit CurlTransfer(qsizetype maxBytes) : maxBytes(maxBytes) {}

    qsizetype maxBytes;
    QByteArray body;
    bool tooLong = false;
    const std::atomic<bool>* stop = nullptr;
    const std::function<bool()>* cancelled = nullptr;

    bool stopped() const;
    // Points the handle's write and progress callbacks at this transfer, which must live
    // until the transfer ends.
    void attach(CURL* curl);
};

} // namespace tarnwick
