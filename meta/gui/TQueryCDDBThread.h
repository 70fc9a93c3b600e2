#pragma once

#include "cd/CDRecords.h"
#include "common/Messages.h"
#include "meta/CddbEntry.h"

#include <QString>
#include <QThread>
#include <atomic>
#include <memory>
#include <mutex>

// WM_QUERYCDDB notices: 6 no match (lParam: the library's error code), 7 the query has
// ended; 8 the query failed (the text says why; a CddbFailureEvent).
enum CddbNotice : int { cnNoMatch = 6, cnEnded = 7, cnFailed = 8 };

class CddbFailureEvent : public MessageEvent
{
public:
    explicit CddbFailureEvent(QString text) : MessageEvent(WM_QUERYCDDB, cnFailed, 0), m_text(std::move(text)) {}
    const QString& text() const { return m_text; }

private:
    QString m_text;
};

// What one entry gives; posted before the final notice so it is in place when that
// notice arrives. The stop window writes it into the disc information and the list.
class CddbEntryEvent : public QEvent
{
public:
    static QEvent::Type eventType();
    explicit CddbEntryEvent(CddbEntryFields fields) : QEvent(eventType()), m_fields(std::move(fields)) {}
    const CddbEntryFields& fields() const { return m_fields; }

private:
    CddbEntryFields m_fields;
};

// What a query thread and its stop window share. The window may go away at any time: once
// it has detached, the thread's transfer ends and nothing more reaches the window.
class CddbQueryLink
{
public:
    explicit CddbQueryLink(QObject* window) : m_window(window) {}

    // Window thread: stop the query; deliver nothing from now on.
    void detach();
    bool stopped() const { return m_stop->load(); }
    std::shared_ptr<const std::atomic<bool>> stopFlag() const { return m_stop; }
    // Query thread: posts to the window unless it has detached (the event is then freed).
    void post(QEvent* event);

private:
    std::mutex m_mutex;
    QObject* m_window;
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
};

// One lookup of the disc behind a drive handle: sets the library's options from the
// settings, queries the server, reads the matches in order and hands the fields of each
// entry read to the window until one holds the track titles. Starts when created and
// frees itself when it ends; every run ends with exactly one WM_QUERYCDDB.
class TQueryCDDBThread : public QThread
{
    Q_OBJECT
public:
    static TQueryCDDBThread* start(std::shared_ptr<CddbQueryLink> link, std::uint8_t firstTrack, std::uint8_t lastTrack,
                                   CDHandle cdHandle);

    // Blocks until every query thread has left Execute (for an orderly exit and tests).
    static void waitForAll();

protected:
    void run() override;

private:
    TQueryCDDBThread(std::shared_ptr<CddbQueryLink> link, std::uint8_t firstTrack, std::uint8_t lastTrack,
                     CDHandle cdHandle);
    void Execute();

    std::shared_ptr<CddbQueryLink> m_link;
    std::uint8_t m_firstTrack;
    std::uint8_t m_lastTrack;
    CDHandle m_cdHandle;
};
