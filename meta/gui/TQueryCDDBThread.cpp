#include "meta/gui/TQueryCDDBThread.h"

#include "cd/CDDBLibrary.h"
#include "cd/CddbClientIdentity.h"
#include "settings/TSettings.h"

#include <QCoreApplication>
#include <array>
#include <condition_variable>
#include <vector>

namespace {

constexpr int EntryBufferBytes = 32000;

struct Running
{
    std::mutex mutex;
    std::condition_variable ended;
    int count = 0;
};

Running& running()
{
    static Running instance;
    return instance;
}

} // namespace

QEvent::Type CddbEntryEvent::eventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void CddbQueryLink::detach()
{
    std::lock_guard lock(m_mutex);
    m_stop->store(true);
    m_window = nullptr;
}

void CddbQueryLink::post(QEvent* event)
{
    std::lock_guard lock(m_mutex);
    if (m_window == nullptr) {
        delete event;
        return;
    }
    // Under the lock: the window cannot detach, and so cannot be destroyed, meanwhile.
    QCoreApplication::postEvent(m_window, event);
}

TQueryCDDBThread::TQueryCDDBThread(std::shared_ptr<CddbQueryLink> link, std::uint8_t firstTrack, std::uint8_t lastTrack,
                                   CDHandle cdHandle)
    : m_link(std::move(link)), m_firstTrack(firstTrack), m_lastTrack(lastTrack), m_cdHandle(cdHandle)
{
}

TQueryCDDBThread* TQueryCDDBThread::start(std::shared_ptr<CddbQueryLink> link, std::uint8_t firstTrack,
                                          std::uint8_t lastTrack, CDHandle cdHandle)
{
    auto* thread = new TQueryCDDBThread(std::move(link), firstTrack, lastTrack, cdHandle);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    {
        std::lock_guard lock(running().mutex);
        ++running().count;
    }
    thread->QThread::start();
    return thread;
}

void TQueryCDDBThread::waitForAll()
{
    std::unique_lock lock(running().mutex);
    running().ended.wait(lock, [] { return running().count == 0; });
}

void TQueryCDDBThread::run()
{
    Execute();
    m_link.reset();
    // Notified under the lock: once waitForAll has seen the count reach zero the program may
    // end and destroy the condition variable, which must not happen while this thread is
    // still inside notify_all.
    std::lock_guard lock(running().mutex);
    --running().count;
    running().ended.notify_all();
}

void TQueryCDDBThread::Execute()
{
    std::array<CDDBMatch, CDDBQueryList::MaxMatches> matches{};
    CDDBQueryList list{CDDBQueryList::MaxMatches, matches.data()};

    const TSettings& s = settings();
    CDDBSetOption(cdoServer, s.Server.toUtf8().constData(), 0);
    CDDBSetOption(cdoScript, s.Script.toUtf8().constData(), 0);
    const QString address = tarnwick::cddb::userAddressFor(s.Email).address;
    CDDBSetOption(cdoUserAddress, address.toUtf8().constData(), 0);
    CDDBSetOption(cdoClient, tarnwick::cddb::clientIdentification, 0);
    CDDBSetOption(cdoReserved, "", 0);
    if (s.UseProxy) {
        CDDBSetOption(cdoUseProxy, "", 1);
        CDDBSetOption(cdoProxyPort, "", s.portNumber());
        CDDBSetOption(cdoProxyAddress, s.ProxyAddress.toUtf8().constData(), 0);
    }

    const tarnwick::CddbStopScope stopScope(m_link->stopFlag());
    if (CDDBQuery(m_cdHandle, &list) != 1) {
        m_link->post(new CddbFailureEvent(tarnwick::cddb::failureText(tarnwick::cddbLastFailure(), address)));
        return;
    }
    if (list.count < 1) {
        m_link->post(new MessageEvent(WM_QUERYCDDB, cnNoMatch, GetAspiLibError()));
        return;
    }
    std::vector<char> entry(EntryBufferBytes);
    bool anyRead = false;
    QString readFailure;
    for (std::uint32_t i = 0; i < list.count && !m_link->stopped(); ++i) {
        if (CDDBGetDiskInfo(&matches[i], entry.data(), EntryBufferBytes) != 1) {
            readFailure = tarnwick::cddbLastFailure();
            continue;
        }
        anyRead = true;
        CddbEntryFields fields = parseCddbEntry(QByteArrayView(entry.data(), EntryBufferBytes), m_firstTrack,
                                                m_lastTrack, int{m_lastTrack} - int{m_firstTrack} + 1);
        const bool hasTitles = fields.hasTitleKey;
        m_link->post(new CddbEntryEvent(std::move(fields)));
        if (hasTitles) {
            m_link->post(new MessageEvent(WM_QUERYCDDB, cnEnded, 0));
            return;
        }
    }
    // Matches were listed but none of their entries could be read: as much a failure as
    // a refused query, and shown as one.
    if (!anyRead && !readFailure.isEmpty()) {
        m_link->post(new CddbFailureEvent(tarnwick::cddb::failureText(readFailure, address)));
        return;
    }
    m_link->post(new MessageEvent(WM_QUERYCDDB, cnEnded, 0));
}
