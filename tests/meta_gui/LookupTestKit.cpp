#include "LookupTestKit.h"

#include "cd/CDDBLibrary.h"
#include "cd/CDDriveLibrary.h"
#include "cd/CddbDiscId.h"
#include "common/TextFormat.h"
#include "meta/gui/TQueryCDDBThread.h"
#include "meta/gui/TfrmQueryCDDB.h"
#include "settings/TSettings.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QPushButton>

namespace {

// One drive holding a disc of the given layout; nothing is ever read from it.
class LayoutDevice : public CDDevice
{
public:
    explicit LayoutDevice(DiscLayout layout) : m_layout(std::move(layout)) {}
    bool readLayout(DiscLayout& layout) override
    {
        layout = m_layout;
        return true;
    }
    bool holdsAudioDisc() override { return true; }
    bool readAudio(std::int32_t, int, std::uint8_t*) override { return false; }

private:
    DiscLayout m_layout;
};

class LayoutSource : public CDDeviceSource
{
public:
    explicit LayoutSource(DiscLayout layout) : m_layout(std::move(layout)) {}
    std::vector<CDDeviceInfo> devices() override { return {{QStringLiteral("disc"), "TEST", "Drive", false}}; }
    std::unique_ptr<CDDevice> open(const CDDeviceInfo&) override { return std::make_unique<LayoutDevice>(m_layout); }

private:
    DiscLayout m_layout;
};

// Sees each notice before the stop window does, and acts once the window has handled it.
class NoticeWatcher : public QObject
{
public:
    NoticeWatcher(TfrmStopQuery* window, std::function<void(TfrmStopQuery*)> after)
        : m_window(window), m_after(std::move(after))
    {
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == WM_QUERYCDDB && m_after) {
            QMetaObject::invokeMethod(
                this, [this] { m_after(m_window); }, Qt::QueuedConnection);
        }
        return false;
    }

private:
    TfrmStopQuery* m_window;
    std::function<void(TfrmStopQuery*)> m_after;
};

} // namespace

int WindowRunner::execWindow(QObject* window)
{
    ScriptedPrompt::execWindow(window);
    auto* dialog = qobject_cast<QDialog*>(window);
    if (dialog == nullptr) {
        return 0;
    }
    auto* stop = qobject_cast<TfrmStopQuery*>(dialog);
    std::unique_ptr<NoticeWatcher> watcher;
    if (stop != nullptr) {
        if (onStopWindow) {
            onStopWindow(stop);
        }
        watcher = std::make_unique<NoticeWatcher>(stop, afterNotice);
        stop->installEventFilter(watcher.get());
    }
    const int result = dialog->exec();
    results << result;
    return result;
}

void LookupTest::SetUp()
{
    m_prompt = std::make_shared<WindowRunner>();
    Prompt::install(m_prompt);
    ASSERT_TRUE(m_server.start());
    TSettings& s = settings();
    s.Server = m_server.address();
    s.Script = QStringLiteral("/~cddb/cddb.cgi");
    s.UseProxy = false;
    s.ProxyAddress.clear();
    s.Port = QStringLiteral("80");
    s.Email.clear();
    s.Disc = TDiscInfo{};
    makeDisc(1, 3);
}

void LookupTest::TearDown()
{
    m_server.stop(); // a silent server lets go of its connection
    finishThreads();
    m_form.reset();
    CloseCDHandle(m_handle);
    tarnwick::setCDDeviceSource(nullptr);
    tarnwick::setCddbTimeout(std::chrono::seconds(20));
    Prompt::install(nullptr);
}

void LookupTest::makeDisc(int firstTrack, int tracks)
{
    if (m_handle != 0) {
        CloseCDHandle(m_handle);
    }
    m_firstTrack = firstTrack;
    m_tracks = tracks;
    DiscLayout layout;
    layout.firstTrack = firstTrack;
    for (int i = 0; i < tracks; ++i) {
        layout.tracks.push_back({firstTrack + i, 150 + 15000 * i, true});
    }
    layout.leadOut = 150 + 15000 * tracks;
    tarnwick::setCDDeviceSource(std::make_shared<LayoutSource>(layout));
    CDDriveList drives{};
    drives.capacity = CDDriveList::MaxEntries;
    ASSERT_EQ(GetCDList(&drives), 1);
    const CDHandleRequest request = tarnwick::handleRequestFor(drives.entries[0]);
    m_handle = GetCDHandle(&request);
    ASSERT_NE(m_handle, 0u);
    m_discId = tarnwick::cddbDiscIdText(tarnwick::cddbDiscId(layout)).toLatin1();
    fillList(tracks);
}

void LookupTest::fillList(int rows)
{
    m_list = std::make_unique<QTreeWidget>();
    m_list->setColumnCount(4);
    for (int row = 0; row < rows; ++row) {
        auto* item = new QTreeWidgetItem(m_list.get());
        item->setText(0, QString::number(m_firstTrack + row));
        item->setText(1, QStringLiteral("Track") + tarnwick::twoDigit(m_firstTrack + row));
    }
}

QStringList LookupTest::listTitles() const
{
    QStringList titles;
    for (int row = 0; row < m_list->topLevelItemCount(); ++row) {
        titles << m_list->topLevelItem(row)->text(1);
    }
    return titles;
}

QByteArray LookupTest::entry(const QByteArray& artist, const QList<QByteArray>& titles) const
{
    return cddbEntryText(m_discId, artist, "Album", "2001", "Rock", titles);
}

void LookupTest::pressQuery(const std::function<void(TfrmQueryCDDB&)>& beforeQuery)
{
    m_form = std::make_unique<TfrmQueryCDDB>();
    m_form->firstTrack = static_cast<std::uint8_t>(m_firstTrack);
    m_form->lastTrack = static_cast<std::uint8_t>(m_firstTrack + m_tracks - 1);
    m_form->cdHandle = m_handle;
    m_form->trackList = m_list.get();
    m_form->show();
    // A server that is not in the list has to be typed each time the window opens.
    m_form->cbServer->setEditText(m_server.address());
    if (beforeQuery) {
        beforeQuery(*m_form);
    }
    m_form->bQuery->click();
}

void LookupTest::finishThreads()
{
    TQueryCDDBThread::waitForAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
