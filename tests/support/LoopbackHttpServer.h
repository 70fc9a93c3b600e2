#pragma once

#include <QByteArray>
#include <functional>
#include <thread>

// The socket side of the tests' HTTP servers: listens on 127.0.0.1, takes one connection at
// a time on a thread of its own, reads the request head and hands it to serve(). A server
// built on it must call stop() in its own destructor, before the members serve() uses go.
class LoopbackHttpServer
{
public:
    LoopbackHttpServer() = default;
    virtual ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // Listens on 127.0.0.1 (port 0: a free port); false when that fails.
    bool start(int port = 0);
    void stop();
    int port() const { return m_port; }

protected:
    // Answers one connection; `head` is all that was read up to and including the blank
    // line that ends the request head. The connection is closed on return.
    virtual void serve(int connection, const QByteArray& head) = 0;

    static bool sendAll(int connection, const QByteArray& bytes);
    // Keeps the connection open until the client closes it or the server stops. With a
    // `tickMs` of zero or more, `tick` runs whenever that long passes without a word from
    // either; it returns false to close the connection.
    void holdOpen(int connection, int tickMs = -1, const std::function<bool()>& tick = {});

private:
    void run();
    void take(int connection);

    int m_listener = -1;
    int m_wake[2] = {-1, -1};
    int m_port = 0;
    std::thread m_thread;
};
