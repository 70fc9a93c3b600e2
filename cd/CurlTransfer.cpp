#include "cd/CurlTransfer.h"

#include <mutex>

namespace tarnwick {

namespace {

size_t collect(char* data, size_t size, size_t count, void* context)
{
    auto* transfer = static_cast<CurlTransfer*>(context);
    const size_t bytes = size * count;
    if (bytes > static_cast<size_t>(transfer->maxBytes - transfer->body.size())) {
        transfer->tooLong = true;
        return 0; // ends the transfer with a write error
    }
    transfer->body.append(data, static_cast<qsizetype>(bytes));
    return bytes;
}

int progress(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* transfer = static_cast<const CurlTransfer*>(context);
    return transfer->stopped() ? 1 : 0;
}

} // namespace

void initialiseCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void setCurlTimeout(CURL* curl, std::chrono::milliseconds timeout)
{
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count()));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeout.count()));
}

void setCurlProxy(CURL* curl, bool useProxy, const QByteArray& host, int port)
{
    if (useProxy) {
        curl_easy_setopt(curl, CURLOPT_PROXY, host.constData());
        curl_easy_setopt(curl, CURLOPT_PROXYPORT, static_cast<long>(port));
        curl_easy_setopt(curl, CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
    } else {
        curl_easy_setopt(curl, CURLOPT_PROXY, "");
    }
}

bool CurlTransfer::stopped() const
{
    return (stop != nullptr && stop->load()) || (cancelled != nullptr && *cancelled && (*cancelled)());
}

void CurlTransfer::attach(CURL* curl)
{
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this);
}

} // namespace tarnwick
