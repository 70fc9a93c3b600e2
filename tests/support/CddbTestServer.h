#pragma once

#include "support/CddbAnswers.h"
#include "support/LoopbackHttpServer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

// A CDDB server on the loopback interface that speaks the protocol's HTTP form: GET of
// any path with cmd, hello and proto in the query. It answers "cddb query" from the
// entries it holds (200 for one, 210 for several, 202 for none) and "cddb read" with the
// entry; tests replace answers and make it misbehave. It serves one connection at a time
// on a thread of its own until it is stopped or destroyed.
class CddbTestServer : public LoopbackHttpServer
{
public:
    enum class Mode {
        Answer, // answer at once
        Close,  // close the connection after reading the request, without a byte
        Silent, // keep the connection open and never answer
        Trickle // send the header, then one byte of the answer every 100 ms
    };

    struct Request
    {
        QByteArray path;
        QByteArray command; // the decoded cmd parameter
        QByteArray hello;
        QByteArray proto;
    };

    CddbTestServer() = default;
    ~CddbTestServer() override;

    // "127.0.0.1:<port>", the form of the Server setting.
    QString address() const;

    // An entry served to "cddb read <category> <discid>" and listed by queries for its
    // disc ID; `title` is the match line's "Artist / Album".
    void addEntry(const QByteArray& category, const QByteArray& discId, const QByteArray& title,
                  const QByteArray& entry);
    // Replaces the answer to every query, or to the read of one entry, by these bytes.
    void setQueryAnswer(const QByteArray& body);
    void setReadAnswer(const QByteArray& category, const QByteArray& discId, const QByteArray& body);
    void setQueryMode(Mode mode);
    void setReadMode(Mode mode);

    QList<Request> requests() const;
    // Blocks until `count` requests have arrived.
    void waitForRequests(int count) const;
    // Runs on the server's thread as each request arrives, before it is answered.
    void setOnRequest(std::function<void(const Request&)> callback);

private:
    void serve(int connection, const QByteArray& head) override;
    QByteArray answerFor(const Request& request, Mode& mode);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    struct Entry
    {
        QByteArray category;
        QByteArray discId;
        QByteArray title;
        QByteArray text;
    };
    std::vector<Entry> m_entries;
    QByteArray m_queryAnswer;
    std::map<std::pair<QByteArray, QByteArray>, QByteArray> m_readAnswers;
    Mode m_queryMode = Mode::Answer;
    Mode m_readMode = Mode::Answer;
    QList<Request> m_requests;
    std::function<void(const Request&)> m_onRequest;
};
