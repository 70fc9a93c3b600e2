#include "support/HttpFileServer.h"

namespace {

QByteArray reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    default:
        return "Error";
    }
}

} // namespace

HttpFileServer::~HttpFileServer()
{
    stop();
}

QByteArray HttpFileServer::origin() const
{
    return "http://127.0.0.1:" + QByteArray::number(port());
}

void HttpFileServer::setFile(const QByteArray& path, const QByteArray& body, int status)
{
    std::lock_guard lock(m_mutex);
    m_files[path] = {status, body, {}};
}

void HttpFileServer::setRedirect(const QByteArray& path, const QByteArray& location)
{
    std::lock_guard lock(m_mutex);
    m_files[path] = {302, {}, location};
}

void HttpFileServer::setMode(Mode mode)
{
    std::lock_guard lock(m_mutex);
    m_mode = mode;
}

QList<HttpFileServer::Request> HttpFileServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void HttpFileServer::waitForRequests(int count) const
{
    std::unique_lock lock(m_mutex);
    m_arrived.wait(lock, [&] { return m_requests.size() >= count; });
}

void HttpFileServer::serve(int connection, const QByteArray& received)
{
    const QByteArray head = received.left(received.indexOf("\r\n\r\n"));
    const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
    Request request{words.value(0), words.value(1), head};

    Mode mode = Mode::Answer;
    File file{404, "not found\n", {}};
    {
        std::lock_guard lock(m_mutex);
        m_requests.append(request);
        mode = m_mode;
        const auto found = m_files.find(request.target);
        if (found != m_files.end()) {
            file = found->second;
        }
    }
    m_arrived.notify_all();
    if (mode == Mode::Close) {
        return;
    }
    if (mode == Mode::Answer) {
        QByteArray answer =
            "HTTP/1.1 " + QByteArray::number(file.status) + ' ' + reason(file.status) +
            "\r\nContent-Type: application/octet-stream\r\nContent-Length: " + QByteArray::number(file.body.size()) +
            "\r\nConnection: close\r\n";
        if (!file.location.isEmpty()) {
            answer += "Location: " + file.location + "\r\n";
        }
        sendAll(connection, answer + "\r\n" + file.body);
        return;
    }
    // Silent: hold the connection until the client gives up or the server stops.
    holdOpen(connection);
}
