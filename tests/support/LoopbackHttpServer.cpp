#include "support/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

LoopbackHttpServer::~LoopbackHttpServer()
{
    stop();
}

bool LoopbackHttpServer::start(int port)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_listener < 0) {
        return false;
    }
    const int yes = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
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

void LoopbackHttpServer::stop()
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

bool LoopbackHttpServer::sendAll(int connection, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(connection, bytes.constData() + done, static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
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

void LoopbackHttpServer::holdOpen(int connection, int tickMs, const std::function<bool()>& tick)
{
    for (;;) {
        pollfd fds[2] = {{connection, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, tickMs);
        if (ready < 0 || fds[1].revents != 0) {
            return;
        }
        if (fds[0].revents != 0) {
            char buffer[256];
            if (::recv(connection, buffer, sizeof(buffer), 0) <= 0) {
                return;
            }
        }
        if (ready == 0 && tick && !tick()) {
            return;
        }
    }
}

void LoopbackHttpServer::run()
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
            take(connection);
            ::close(connection);
        }
    }
}

void LoopbackHttpServer::take(int connection)
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
    serve(connection, head);
}
