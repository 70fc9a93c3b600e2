#include "support/CddbTestServer.h"

namespace {

QByteArray decodeForm(const QByteArray& value)
{
    QByteArray text = value;
    text.replace('+', ' ');
    return QByteArray::fromPercentEncoding(text);
}

const QByteArray kHeader = "HTTP/1.0 200 OK\r\nContent-Type: text/plain; charset=UTF-8\r\nConnection: close\r\n\r\n";

} // namespace

CddbTestServer::~CddbTestServer()
{
    stop();
}

QString CddbTestServer::address() const
{
    return QStringLiteral("127.0.0.1:%1").arg(port());
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

void CddbTestServer::serve(int connection, const QByteArray& head)
{
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
    if (mode == Mode::Silent) {
        holdOpen(connection);
        return;
    }
    qsizetype sent = 0;
    holdOpen(connection, 100, [&] {
        const QByteArray byte = sent < body.size() ? body.mid(sent, 1) : QByteArray(" ");
        ++sent;
        return sendAll(connection, byte);
    });
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
        QList<CddbMatchLine> found;
        for (const Entry& entry : m_entries) {
            if (entry.discId == words[2]) {
                found.append({entry.category, entry.discId, entry.title});
            }
        }
        return cddbQueryAnswer(words[2], found);
    }
    if (words.size() >= 4 && words[0] == "cddb" && words[1] == "read") {
        mode = m_readMode;
        const auto answer = m_readAnswers.find({words[2], words[3]});
        if (answer != m_readAnswers.end()) {
            return answer->second;
        }
        for (const Entry& entry : m_entries) {
            if (entry.category == words[2] && entry.discId == words[3]) {
                return cddbReadAnswer(entry.category, entry.discId, entry.text);
            }
        }
        return "401 " + words[2] + ' ' + words[3] + " No such CD entry in database.\r\n";
    }
    mode = Mode::Answer;
    return "500 Unrecognized command.\r\n";
}
