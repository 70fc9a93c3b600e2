#include "support/CddbTestServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QByteArray decodeForm(const QByteArray& value)
{
    QByteArray text = value;
    text.replace('+', ' ');
    return QByteArray::fromPercentEncoding(text);
}

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

const QByteArray kHeader = "HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\nConnection: close\r\n\r\n";

} // namespace

CddbTestServer::~CddbTestServer()
{
    stop();
}

bool CddbTestServer::start(int port)
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

void CddbTestServer::stop()
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

QString CddbTestServer::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(m_port);
}

void CddbTestServer::addEntry(const QByteArray& category, const QByteArray& discId, const QByteArray& title,
                              const QByteArray& entry)
{
    std::lock_guard lock(m_mutex);
    m_entries.push_back({category, discId, title, entry});
}

void CddbTestServer::setQueryAnswer(const QByteArray& body)
{
    std::lock_guard lock(m_mutex);
    m_queryAnswer = body;
}

void CddbTestServer::setReadAnswer(const QByteArray& category, const QByteArray& discId, const QByteArray& body)
{
    std::lock_guard lock(m_mutex);
    m_readAnswers[{category, discId}] = body;
}

void CddbTestServer::setQueryMode(Mode mode)
{
    std::lock_guard lock(m_mutex);
    m_queryMode = mode;
}

void CddbTestServer::setReadMode(Mode mode)
{
    std::lock_guard lock(m_mutex);
    m_readMode = mode;
}

QList<CddbTestServer::Request> CddbTestServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void CddbTestServer::waitForRequests(int count) const
{
    std::unique_lock lock(m_mutex);
    m_arrived.wait(lock, [&] { return m_requests.size() >= count; });
}

void CddbTestServer::setOnRequest(std::function<void(const Request&)> callback)
{
    std::lock_guard lock(m_mutex);
    m_onRequest = std::move(callback);
}

void CddbTestServer::run()
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

void CddbTestServer::serve(int connection)
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
    // "GET /path?query HTTP/1.1"
    const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
    Request request;
    const QByteArray target = words.size() > 1 ? words[1] : QByteArray();
    const qsizetype question = target.indexOf('?');
    request.path = question < 0 ? target : target.left(question);
    for (const QByteArray& pair : target.mid(question < 0 ? target.size() : question + 1).split('&')) {
        const qsizetype equals = pair.indexOf('=');
        const QByteArray key = pair.left(equals);
        const QByteArray value = equals < 0 ? QByteArray() : decodeForm(pair.mid(equals + 1));
        if (key == "cmd") {
            request.command = value;
        } else if (key == "hello") {
            request.hello = value;
        } else if (key == "proto") {
            request.proto = value;
        }
    }
    std::function<void(const Request&)> callback;
    {
        std::lock_guard lock(m_mutex);
        m_requests.append(request);
        callback = m_onRequest;
    }
    m_arrived.notify_all();
    if (callback) {
        callback(request);
    }

    Mode mode = Mode::Answer;
    const QByteArray body = answerFor(request, mode);
    if (mode == Mode::Close) {
        return;
    }
    if (mode == Mode::Answer) {
        sendAll(connection, kHeader + body);
        return;
    }
    if (mode == Mode::Trickle && !sendAll(connection, kHeader)) {
        return;
    }
    // Silent or trickling: hold the connection until the client gives up or the server stops.
    for (qsizetype sent = 0;;) {
        pollfd fds[2] = {{connection, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, mode == Mode::Trickle ? 100 : -1);
        if (ready < 0 || fds[1].revents != 0) {
            return;
        }
        if (fds[0].revents != 0) {
            char buffer[256];
            if (::recv(connection, buffer, sizeof(buffer), 0) <= 0) {
                return;
            }
        }
        if (mode == Mode::Trickle && ready == 0) {
            const QByteArray byte = sent < body.size() ? body.mid(sent, 1) : QByteArray(" ");
            if (!sendAll(connection, byte)) {
                return;
            }
            ++sent;
        }
    }
}

QByteArray CddbTestServer::answerFor(const Request& request, Mode& mode)
{
    std::lock_guard lock(m_mutex);
    const QList<QByteArray> words = request.command.simplified().split(' ');
    if (words.size() >= 3 && words[0] == "cddb" && words[1] == "query") {
        mode = m_queryMode;
        if (!m_queryAnswer.isNull()) {
            return m_queryAnswer;
        }
        std::vector<const Entry*> found;
        for (const Entry& entry : m_entries) {
            if (entry.discId == words[2]) {
                found.push_back(&entry);
            }
        }
        if (found.empty()) {
            return "202 No match for disc ID " + words[2] + ".\r\n";
        }
        if (found.size() == 1) {
            return "200 " + found[0]->category + ' ' + found[0]->discId + ' ' + found[0]->title + "\r\n";
        }
        QByteArray list = "210 Found exact matches, list follows (until terminating `.')\r\n";
        for (const Entry* entry : found) {
            list += entry->category + ' ' + entry->discId + ' ' + entry->title + "\r\n";
        }
        return list + ".\r\n";
    }
    if (words.size() >= 4 && words[0] == "cddb" && words[1] == "read") {
        mode = m_readMode;
        const auto answer = m_readAnswers.find({words[2], words[3]});
        if (answer != m_readAnswers.end()) {
            return answer->second;
        }
        for (const Entry& entry : m_entries) {
            if (entry.category == words[2] && entry.discId == words[3]) {
                QByteArray text = entry.text;
                if (!text.endsWith('\n')) {
                    text += "\r\n";
                }
                return "210 " + entry.category + ' ' + entry.discId +
                       " CD database entry follows (until terminating `.')\r\n" + text + ".\r\n";
            }
        }
        return "401 " + words[2] + ' ' + words[3] + " No such CD entry in database.\r\n";
    }
    mode = Mode::Answer;
    return "500 Unrecognized command.\r\n";
}

QByteArray cddbEntryText(const QByteArray& discId, const QByteArray& artist, const QByteArray& album,
                         const QByteArray& year, const QByteArray& genre, const QList<QByteArray>& titles)
{
    QByteArray text = "# CDDB entry\r\n#\r\n# Revision: 0\r\n#\r\n";
    text += "DISCID=" + discId + "\r\nDTITLE=" + artist + " / " + album + "\r\nDYEAR=" + year + "\r\nDGENRE=" + genre +
            "\r\n";
    for (int i = 0; i < titles.size(); ++i) {
        text += "TTITLE" + QByteArray::number(i) + '=' + titles[i] + "\r\n";
    }
    text += "EXTD=\r\n";
    for (int i = 0; i < titles.size(); ++i) {
        text += "EXTT" + QByteArray::number(i) + "=\r\n";
    }
    return text + "PLAYORDER=\r\n";
}
