#include "support/HttpFileServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool sendAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += n;
    }
    return true;
}

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

bool HttpFileServer::start()
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0) {
        return false;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof(address);
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(m_listener, 8) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::pipe2(m_wake, O_CLOEXEC) != 0) {
        ::close(m_listener);
        m_listener = -1;
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { run(); });
    return true;
}

void HttpFileServer::stop()
{
    if (m_thread.joinable()) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &byte, 1);
        m_thread.join();
    }
    for (int* fd : {&m_listener, &m_wake[0], &m_wake[1]}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

QByteArray HttpFileServer::origin() const
{
    return "http://127.0.0.1:" + QByteArray::number(m_port);
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

void HttpFileServer::run()
{
    for (;;) {
        pollfd fds[2] = {{m_listener, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return;
        }
        if (fds[1].revents != 0) {
            return;
        }
        const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) {
            serve(connection);
            ::close(connection);
        }
    }
}

void HttpFileServer::serve(int connection)
{
    QByteArray head;
    while (!head.contains("\r\n\r\n")) {
        pollfd fds[2] = {{connection, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) <= 0 || fds[1].revents != 0) {
            return;
        }
        char buffer[4096];
        const ssize_t n = ::recv(connection, buffer, sizeof(buffer), 0);
        if (n <= 0) {
            return;
        }
        head.append(buffer, n);
    }
    head.truncate(head.indexOf("\r\n\r\n"));
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
    for (;;) {
        pollfd fds[2] = {{connection, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 || fds[1].revents != 0) {
            return;
        }
        char buffer[256];
        if (fds[0].revents != 0 && ::recv(connection, buffer, sizeof(buffer), 0) <= 0) {
            return;
        }
    }
}
