#include "LookupTestKit.h"

#include "cd/CDDBLibrary.h"
#include "meta/gui/TQueryCDDBThread.h"
#include "meta/gui/TfrmQueryCDDB.h"
#include "settings/SettingsStore.h"
#include "settings/TSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

using QueryWindow = LookupTest;

TEST_F(QueryWindow, ShowsTheSettingsAndTheServerList)
{
    TfrmQueryCDDB form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Query CDDB"));
    EXPECT_EQ(form.GroupBox1->title(), QStringLiteral("Server"));
    EXPECT_EQ(form.Label1->text(), QStringLiteral("Freedb Server:"));
    EXPECT_EQ(form.Label2->text(), QStringLiteral("Query Script:"));
    EXPECT_EQ(form.GroupBox2->title(), QStringLiteral("Proxy server"));
    EXPECT_EQ(form.cbProxy->text(), QStringLiteral("Use a proxy server"));
    EXPECT_EQ(form.Label3->text(), QStringLiteral("Address:"));
    EXPECT_EQ(form.lPort->text(), QStringLiteral("Port:"));
    EXPECT_EQ(form.bDefault->text(), QStringLiteral("Default"));
    EXPECT_EQ(form.bQuery->text(), QStringLiteral("Query"));
    EXPECT_EQ(form.bClose->text(), QStringLiteral("Close"));
    ASSERT_EQ(form.cbServer->count(), 12);
    EXPECT_EQ(form.cbServer->itemText(0), QStringLiteral("gnudb.gnudb.org"));
    EXPECT_EQ(form.cbServer->itemText(0), SettingsStore::defaultServer());
    EXPECT_EQ(form.cbServer->itemText(1), QStringLiteral("freedb.dbpoweramp.com"));
    EXPECT_EQ(TfrmQueryCDDB::serverList().removeDuplicates(), 0);

    TSettings& s = settings();
    s.Server = QStringLiteral("freedb.dbpoweramp.com");
    s.Script = QStringLiteral("/cgi/cddb");
    s.UseProxy = true;
    s.ProxyAddress = QStringLiteral("proxy.example");
    s.Port = QStringLiteral("3128");
    form.show();
    EXPECT_EQ(form.cbServer->currentIndex(), 1);
    EXPECT_EQ(form.eScript->text(), QStringLiteral("/cgi/cddb"));
    EXPECT_TRUE(form.cbProxy->isChecked());
    EXPECT_TRUE(form.eAddress->isEnabled());
    EXPECT_TRUE(form.ePort->isEnabled());
    EXPECT_EQ(form.eAddress->text(), QStringLiteral("proxy.example"));
    EXPECT_EQ(form.ePort->text(), QStringLiteral("3128"));

    form.bDefault->click();
    EXPECT_EQ(form.cbServer->currentText(), QStringLiteral("gnudb.gnudb.org"));
    EXPECT_EQ(form.eScript->text(), QStringLiteral("/~cddb/cddb.cgi"));
    EXPECT_FALSE(form.cbProxy->isChecked());
    EXPECT_FALSE(form.eAddress->isEnabled());
    EXPECT_FALSE(form.ePort->isEnabled());
    EXPECT_EQ(form.eAddress->text(), QStringLiteral("proxy.example")); // left as it was
    EXPECT_EQ(s.Server, QStringLiteral("freedb.dbpoweramp.com"));      // nothing stored
}

TEST_F(QueryWindow, ServerNotInTheListShowsTheFirstEntry)
{
    settings().Server = QStringLiteral("Gnudb.gnudb.org"); // the comparison is case-sensitive
    TfrmQueryCDDB form;
    form.show();
    EXPECT_EQ(form.cbServer->currentIndex(), 0);
    EXPECT_EQ(form.cbServer->currentText(), QStringLiteral("gnudb.gnudb.org"));
    EXPECT_FALSE(form.eAddress->isEnabled());
}

TEST_F(QueryWindow, QueryStoresWhatIsTypedAndStaysOpenWhenTheStopWindowIsCancelled)
{
    auto scripted = std::make_shared<ScriptedPrompt>();
    scripted->queueWindowResult(TfrmStopQuery::resultCancel);
    Prompt::install(scripted);
    TfrmQueryCDDB form;
    form.show();
    form.cbServer->setEditText(QStringLiteral("cddb.example.org:8880"));
    form.eScript->setText(QStringLiteral("/x.cgi"));
    form.cbProxy->setChecked(true);
    form.eAddress->setText(QStringLiteral("10.0.0.1"));
    form.ePort->setText(QStringLiteral("not a number"));
    form.bQuery->click();
    const TSettings& s = settings();
    EXPECT_EQ(s.Server, QStringLiteral("cddb.example.org:8880"));
    EXPECT_EQ(s.Script, QStringLiteral("/x.cgi"));
    EXPECT_TRUE(s.UseProxy);
    EXPECT_EQ(s.ProxyAddress, QStringLiteral("10.0.0.1"));
    EXPECT_EQ(s.Port, QStringLiteral("not a number"));
    ASSERT_EQ(scripted->calls().size(), 1);
    EXPECT_EQ(scripted->calls()[0].message.caption, QStringLiteral("Query CDDB..."));
    EXPECT_TRUE(form.isVisible());

    scripted->queueWindowResult(TfrmStopQuery::resultYes);
    form.bQuery->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

// Every notice the thread posts, as the stop window would receive it.
class NoticeReceiver : public QObject
{
public:
    bool event(QEvent* event) override
    {
        if (event->type() == WM_QUERYCDDB) {
            notices << static_cast<int>(static_cast<MessageEvent*>(event)->wParam());
            if (notices.back() == cnFailed) {
                failure = static_cast<CddbFailureEvent*>(event)->text();
            }
            return true;
        }
        if (event->type() == CddbEntryEvent::eventType()) {
            entries.push_back(static_cast<CddbEntryEvent*>(event)->fields());
            return true;
        }
        return QObject::event(event);
    }
    QList<int> notices;
    QString failure;
    std::vector<CddbEntryFields> entries;
};

struct OptionCase
{
    const char* name;
    bool useProxy;
    const char* port;
    std::vector<int> options;
    int proxyPort;
};

void PrintTo(const OptionCase& c, std::ostream* os)
{
    *os << c.name;
}

class QueryOptions : public LookupTest, public ::testing::WithParamInterface<OptionCase>
{
};

TEST_P(QueryOptions, AreSetInOrderBeforeTheQuery)
{
    const OptionCase& c = GetParam();
    settings().UseProxy = c.useProxy;
    settings().Port = QString::fromUtf8(c.port);
    settings().ProxyAddress = QStringLiteral("127.0.0.1");
    std::vector<int> seen;
    int port = -1;
    tarnwick::setCddbOptionObserver([&](int option, const QByteArray&, int number) {
        seen.push_back(option);
        if (option == cdoProxyPort) {
            port = number;
        }
    });
    NoticeReceiver receiver;
    TQueryCDDBThread::start(std::make_shared<CddbQueryLink>(&receiver), 1, 3, m_handle);
    finishThreads();
    tarnwick::setCddbOptionObserver({});
    QCoreApplication::sendPostedEvents(&receiver);
    EXPECT_EQ(seen, c.options);
    EXPECT_EQ(port, c.proxyPort);
    ASSERT_EQ(receiver.notices.size(), 1); // exactly one notice ends every run
}

INSTANTIATE_TEST_SUITE_P(Settings, QueryOptions,
                         ::testing::Values(OptionCase{"noProxy", false, "8080", {0, 6, 4, 3, 8}, -1},
                                           OptionCase{"proxy8080", true, "8080", {0, 6, 4, 3, 8, 2, 5, 1}, 8080},
                                           OptionCase{"proxyEmptyPort", true, "", {0, 6, 4, 3, 8, 2, 5, 1}, 80}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(QueryWindow, ThreadReportsNoMatchAndFailuresWithOneNotice)
{
    NoticeReceiver receiver;
    TQueryCDDBThread::start(std::make_shared<CddbQueryLink>(&receiver), 1, 3, m_handle);
    finishThreads();
    QCoreApplication::sendPostedEvents(&receiver);
    EXPECT_EQ(receiver.notices, QList<int>{cnNoMatch});

    // Listed matches whose entries cannot be read.
    m_server.setQueryAnswer("200 rock " + discId() + " A / B\r\n");
    NoticeReceiver unread;
    TQueryCDDBThread::start(std::make_shared<CddbQueryLink>(&unread), 1, 3, m_handle);
    finishThreads();
    QCoreApplication::sendPostedEvents(&unread);
    EXPECT_EQ(unread.notices, QList<int>{cnFailed});
    EXPECT_TRUE(unread.failure.startsWith(QStringLiteral("401 "))) << unread.failure.toStdString();
    EXPECT_TRUE(unread.entries.empty());
}

TEST_F(QueryWindow, DetachedLinkDeliversNothing)
{
    m_server.addEntry("rock", discId(), "A / B", entry("A", {"x", "y", "z"}));
    NoticeReceiver receiver;
    auto link = std::make_shared<CddbQueryLink>(&receiver);
    link->detach();
    TQueryCDDBThread::start(link, 1, 3, m_handle);
    finishThreads();
    QCoreApplication::sendPostedEvents(&receiver);
    EXPECT_TRUE(receiver.notices.isEmpty());
    EXPECT_TRUE(receiver.entries.empty());
}

} // namespace
