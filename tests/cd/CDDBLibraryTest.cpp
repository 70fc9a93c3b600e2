#include "CdTestDoubles.h"

#include "cd/CDDBLibrary.h"
#include "cd/CDDriveLibrary.h"
#include "cd/CddbDiscId.h"
#include "support/CddbTestServer.h"

#include <QString>
#include <array>
#include <cstring>
#include <gtest/gtest.h>

namespace {

// A three-track disc in a scripted drive, a loopback server, and the options as the
// lookup sets them.
class CddbCalls : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto source = std::make_shared<ScriptedDeviceSource>();
        ScriptedDisc disc;
        disc.layout = layoutOf(1, {14850, 15000, 15000}); // starts 150, 15000, 30000; lead-out 45000
        source->addDrive(disc);
        tarnwick::setCDDeviceSource(source);
        m_handle = openDrive(0);
        ASSERT_NE(m_handle, 0u);
        ASSERT_TRUE(m_server.start());
        setOptions(m_server.address().toUtf8());
    }

    void TearDown() override
    {
        m_server.stop();
        CloseCDHandle(m_handle);
        tarnwick::setCDDeviceSource(nullptr);
        tarnwick::setCddbTimeout(std::chrono::seconds(20));
        CDDBSetOption(cdoUseProxy, "", 0);
    }

    static void setOptions(const QByteArray& server)
    {
        CDDBSetOption(cdoServer, server.constData(), 0);
        CDDBSetOption(cdoScript, "/~cddb/cddb.cgi", 0);
        CDDBSetOption(cdoUserAddress, "someone@example.org", 0);
        CDDBSetOption(cdoClient, "Tarnwick 1.0", 0);
        CDDBSetOption(cdoReserved, "", 0);
    }

    int query()
    {
        m_matches = {};
        m_list.count = CDDBQueryList::MaxMatches;
        m_list.matches = m_matches.data();
        return CDDBQuery(m_handle, &m_list);
    }

    QByteArray read(int match, int length = 32000)
    {
        std::vector<char> text(static_cast<std::size_t>(length), 'x');
        m_readResult = CDDBGetDiskInfo(&m_matches[match], text.data(), length);
        return QByteArray(text.data());
    }

    static QByteArray entryFor(const QByteArray& artist, int titles)
    {
        QList<QByteArray> names;
        for (int i = 0; i < titles; ++i) {
            names << "Song " + QByteArray::number(i + 1);
        }
        return cddbEntryText(DiscId, artist, "Album", "1999", "Rock", names);
    }

    static inline const QByteArray DiscId = "08025603";
    CddbTestServer m_server;
    CDHandle m_handle = 0;
    std::array<CDDBMatch, 10> m_matches{};
    CDDBQueryList m_list{};
    int m_readResult = -1;
};

TEST_F(CddbCalls, ExactMatchSendsTheDiscAndReadsTheEntry)
{
    m_server.addEntry("rock", DiscId, "Artist / Album", entryFor("Artist", 3));
    ASSERT_EQ(query(), 1) << tarnwick::cddbLastFailure().toStdString();
    ASSERT_EQ(m_list.count, 1u);
    EXPECT_STREQ(m_matches[0].title, "Artist / Album");
    const QByteArray entry = read(0);
    EXPECT_EQ(m_readResult, 1);
    EXPECT_TRUE(entry.contains("DTITLE=Artist / Album\n")) << entry.toStdString();
    EXPECT_TRUE(entry.contains("TTITLE2=Song 3\n"));
    EXPECT_FALSE(entry.contains('\r'));
    EXPECT_EQ(GetAspiLibError(), cdeNone);

    const QList<CddbTestServer::Request> requests = m_server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests[0].path, QByteArray("/~cddb/cddb.cgi"));
    EXPECT_EQ(requests[0].command, QByteArray("cddb query 08025603 3 150 15000 30000 600"));
    EXPECT_EQ(requests[0].hello, QByteArray("someone example.org Tarnwick 1.0"));
    EXPECT_EQ(requests[0].proto, QByteArray("6"));
    EXPECT_EQ(requests[1].command, QByteArray("cddb read rock 08025603"));
}

TEST_F(CddbCalls, SeveralMatchesComeInTheServersOrderUpToTheRoomGiven)
{
    QByteArray list = "211 Found inexact matches, list follows (until terminating `.')\r\n";
    for (int i = 0; i < 12; ++i) {
        list += "misc " + QByteArray::number(0x08025600 + i, 16).rightJustified(8, '0') + " Match " +
                QByteArray::number(i) + "\r\n";
    }
    m_server.setQueryAnswer(list + ".\r\n");
    ASSERT_EQ(query(), 1);
    ASSERT_EQ(m_list.count, 10u);
    EXPECT_STREQ(m_matches[0].discId, "08025600");
    EXPECT_STREQ(m_matches[9].title, "Match 9");

    // A caller with room for two gets two.
    m_list.count = 2;
    ASSERT_EQ(CDDBQuery(m_handle, &m_list), 1);
    EXPECT_EQ(m_list.count, 2u);
}

TEST_F(CddbCalls, NoMatchIsAnAnswerWithoutMatches)
{
    ASSERT_EQ(query(), 1);
    EXPECT_EQ(m_list.count, 0u);
    EXPECT_EQ(GetAspiLibError(), cdeNoMatch);
}

struct FailureCase
{
    const char* name;
    CddbTestServer::Mode mode;
    QByteArray answer;
    int error;
    const char* shown; // part of the failure line
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class CddbQueryFailure : public CddbCalls, public ::testing::WithParamInterface<FailureCase>
{
};

TEST_P(CddbQueryFailure, FailsWithALineForTheUser)
{
    const FailureCase& c = GetParam();
    m_server.setQueryMode(c.mode);
    if (!c.answer.isNull()) {
        m_server.setQueryAnswer(c.answer);
    }
    tarnwick::setCddbTimeout(std::chrono::milliseconds(400));
    EXPECT_EQ(query(), 0);
    EXPECT_EQ(m_list.count, 0u);
    EXPECT_EQ(GetAspiLibError(), c.error);
    EXPECT_TRUE(tarnwick::cddbLastFailure().contains(QString::fromUtf8(c.shown)))
        << tarnwick::cddbLastFailure().toStdString();
    EXPECT_FALSE(tarnwick::cddbLastFailure().contains(QLatin1Char('\n')));
}

INSTANTIATE_TEST_SUITE_P(
    Servers, CddbQueryFailure,
    ::testing::Values(
        FailureCase{"refused", CddbTestServer::Mode::Answer, "500 Unknown developer email\r\n", cdeRefused,
                    "500 Unknown developer email"},
        FailureCase{"handshake", CddbTestServer::Mode::Answer, "409 No handshake\r\nmore\r\n", cdeRefused,
                    "409 No handshake"},
        FailureCase{"matchWithoutFields", CddbTestServer::Mode::Answer, "200 ../../x\r\n", cdeRefused, "200"},
        FailureCase{"empty", CddbTestServer::Mode::Answer, "", cdeRefused, "empty"},
        FailureCase{"closes", CddbTestServer::Mode::Close, {}, cdeTransport, "closed the connection"},
        FailureCase{"silent", CddbTestServer::Mode::Silent, {}, cdeTimeout, "no answer from 127.0.0.1 within 1 s"},
        FailureCase{"trickles", CddbTestServer::Mode::Trickle, "200 rock 08025603 a / b\r\n", cdeTimeout, "no answer"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CddbCalls, StopEndsAWaitingTransfer)
{
    auto stop = std::make_shared<std::atomic<bool>>(false);
    m_server.setQueryMode(CddbTestServer::Mode::Silent);
    m_server.setOnRequest([stop](const CddbTestServer::Request&) { *stop = true; });
    {
        const tarnwick::CddbStopScope scope(stop);
        EXPECT_EQ(query(), 0);
        EXPECT_EQ(GetAspiLibError(), cdeStopped);
    }
    // Outside the scope the flag no longer counts.
    m_server.setQueryMode(CddbTestServer::Mode::Answer);
    m_server.setOnRequest({});
    EXPECT_EQ(query(), 1);
}

TEST_F(CddbCalls, LongEntryIsCutAtALineEndInsideTheBuffer)
{
    QByteArray entry = entryFor("Artist", 3);
    for (int i = 0; entry.size() < 100 * 1024; ++i) {
        entry += "EXTD=" + QByteArray(90, static_cast<char>('a' + i % 26)) + "\r\n";
    }
    m_server.addEntry("rock", DiscId, "Artist / Album", entry);
    ASSERT_EQ(query(), 1);
    const QByteArray text = read(0);
    ASSERT_EQ(m_readResult, 1);
    EXPECT_LE(text.size(), 31999);
    EXPECT_GT(text.size(), 31800);
    EXPECT_TRUE(text.endsWith("\n"));
    EXPECT_TRUE(text.startsWith("# CDDB entry\n"));

    // A small buffer is never written past.
    std::array<char, 64> small{};
    small.fill('#');
    ASSERT_EQ(CDDBGetDiskInfo(&m_matches[0], small.data(), 40), 1);
    EXPECT_LT(std::strlen(small.data()), 40u);
    EXPECT_EQ(small[40], '#');
}

TEST_F(CddbCalls, HostileEntryArrivesAsCleanText)
{
    QByteArray entry = "DTITLE=A";
    entry += '\0';
    entry += "B / C\x01"
             "D\r\nTTITLE0=\xff\xfe../x\r\nTTITLE1=a\rb\r\n";
    m_server.addEntry("rock", DiscId, "x", entry);
    ASSERT_EQ(query(), 1);
    const QByteArray text = read(0);
    ASSERT_EQ(m_readResult, 1);
    EXPECT_EQ(QString::fromUtf8(text), QStringLiteral("DTITLE=A B / C D\nTTITLE0=\uFFFD\uFFFD../x\nTTITLE1=a b\n"));
}

TEST_F(CddbCalls, ReadFailures)
{
    m_server.addEntry("rock", DiscId, "x", entryFor("A", 3));
    ASSERT_EQ(query(), 1);
    m_server.setReadAnswer("rock", DiscId, "402 Server error.\r\n");
    EXPECT_EQ(read(0), QByteArray());
    EXPECT_EQ(m_readResult, 0);
    EXPECT_EQ(tarnwick::cddbLastFailure(), QStringLiteral("402 Server error."));

    CDDBMatch forged{};
    std::strcpy(forged.category, "rock/../../x");
    std::strcpy(forged.discId, "08025603");
    char text[16] = "unchanged";
    EXPECT_EQ(CDDBGetDiskInfo(&forged, text, sizeof(text)), 0);
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(GetAspiLibError(), cdeBadCall);
    EXPECT_EQ(m_server.requests().size(), 2); // the forged match never reached the server
}

TEST_F(CddbCalls, ProxyReceivesTheRequestForTheServer)
{
    m_server.addEntry("rock", DiscId, "Artist / Album", entryFor("Artist", 3));
    setOptions("cddb.example.invalid:8080");
    CDDBSetOption(cdoUseProxy, "", 1);
    CDDBSetOption(cdoProxyPort, "", m_server.port());
    CDDBSetOption(cdoProxyAddress, "127.0.0.1", 0);
    ASSERT_EQ(query(), 1) << tarnwick::cddbLastFailure().toStdString();
    EXPECT_EQ(m_list.count, 1u);
    EXPECT_EQ(m_server.requests().at(0).path, QByteArray("http://cddb.example.invalid:8080/~cddb/cddb.cgi"));
}

TEST_F(CddbCalls, UnusableServerOrDrive)
{
    setOptions("");
    EXPECT_EQ(query(), 0);
    EXPECT_EQ(GetAspiLibError(), cdeNoServer);

    setOptions("bad host/name");
    EXPECT_EQ(query(), 0);
    EXPECT_FALSE(tarnwick::cddbLastFailure().isEmpty());

    CddbTestServer closed;
    ASSERT_TRUE(closed.start());
    const QByteArray address = closed.address().toUtf8();
    closed.stop(); // nothing listens there now
    setOptions(address);
    EXPECT_EQ(query(), 0);
    EXPECT_EQ(GetAspiLibError(), cdeTransport);

    setOptions(m_server.address().toUtf8());
    m_list.count = 10;
    m_list.matches = m_matches.data();
    EXPECT_EQ(CDDBQuery(0, &m_list), 0);
    EXPECT_EQ(GetAspiLibError(), cdeNoDisc);
    EXPECT_EQ(CDDBQuery(m_handle, nullptr), 0);
    EXPECT_TRUE(m_server.requests().isEmpty());
}

} // namespace
