#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <chrono>

// One CDDB command sent the way CDDB servers take it over HTTP: a GET of the server's
// script with the command, the client's greeting and the protocol level in the query.
namespace tarnwick::cddb {

struct HttpRequest
{
    QByteArray host;
    int port = 80;
    QByteArray script; // path on the server, "/~cddb/cddb.cgi"
    QByteArray command;
    QByteArray user; // the greeting: user name, host name, client name and version
    QByteArray userHost;
    QByteArray client;
    QByteArray version;
    bool useProxy = false;
    QByteArray proxyHost;
    int proxyPort = 80;
    std::chrono::milliseconds timeout{20000}; // for the whole exchange, connecting included
    const std::atomic<bool>* stop = nullptr;  // ends the transfer as soon as it is true
};

enum class HttpOutcome { Answered, Stopped, TimedOut, Failed };

struct HttpResponse
{
    HttpOutcome outcome = HttpOutcome::Failed;
    QByteArray body;
    QString error; // one line for the user when the outcome is not Answered
};

// The query part of the URL: "cmd=cddb+query+...&hello=...&proto=6".
QByteArray queryString(const HttpRequest& request);

HttpResponse httpGet(const HttpRequest& request);

} // namespace tarnwick::cddb
