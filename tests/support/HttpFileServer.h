#pragma once

#include "support/LoopbackHttpServer.h"

#include <QByteArray>
#include <QList>
#include <condition_variable>
#include <map>
#include <mutex>

// A plain HTTP server on the loopback interface that serves files from memory by path:
// a GET of a known path gets its status and body, any other path 404. Tests make it close
// connections without answering, keep them open without a word, or redirect. It serves
// one connection at a time on a thread of its own until it is stopped or destroyed.
class HttpFileServer : public LoopbackHttpServer
{
public:
    enum class Mode {
        Answer, // answer at once
        Close,  // close the connection after reading the request, without a byte
        Silent  // keep the connection open and never answer
    };

    struct Request
    {
        QByteArray method;
        QByteArray target; // path and query as sent
        QByteArray head;   // the request line and every header line
    };

    HttpFileServer() = default;
    ~HttpFileServer() override;

    // "http://127.0.0.1:<port>"
    QByteArray origin() const;

    void setFile(const QByteArray& path, const QByteArray& body, int status = 200);
    // Answers `path` with a 302 to `location`.
    void setRedirect(const QByteArray& path, const QByteArray& location);
    void setMode(Mode mode);

    QList<Request> requests() const;
    // Blocks until `count` requests have arrived.
    void waitForRequests(int count) const;

private:
    void serve(int connection, const QByteArray& head) override;

    struct File
    {
        int status = 200;
        QByteArray body;
        QByteArray location;
    };

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::map<QByteArray, File> m_files;
    Mode m_mode = Mode::Answer;
    QList<Request> m_requests;
};
