#include "LookupTestKit.h"

#include "cd/CDDBLibrary.h"
#include "meta/Genres.h"
#include "meta/gui/TfrmQueryCDDB.h"
#include "settings/TSettings.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <future>

namespace {

using Lookup = LookupTest;

const QStringList kUntouched{"Track01", "Track02", "Track03"};

TEST_F(Lookup, ExactMatchFillsTheListAndTheRecordAndClosesBothWindows)
{
    m_server.addEntry("rock", discId(), "The Band / The Album", entry("The Band", {"One", "Two", "Three"}));
    pressQuery();
    EXPECT_EQ(m_prompt->results, QList<int>{TfrmStopQuery::resultYes});
    EXPECT_FALSE(m_form->isVisible());
    EXPECT_EQ(listTitles(), QStringList({"One", "Two", "Three"}));
    EXPECT_EQ(m_list->topLevelItem(0)->textAlignment(1) & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    const TDiscInfo& disc = settings().Disc;
    EXPECT_EQ(disc.Artist, QStringLiteral("The Band"));
    EXPECT_EQ(disc.Album, QStringLiteral("Album"));
    EXPECT_EQ(disc.Year, QStringLiteral("2001"));
    EXPECT_EQ(disc.Genre, Genres::listNames().indexOf(QStringLiteral("Rock")));
    EXPECT_EQ(m_prompt->windowNames(), QStringList{QStringLiteral("frmStopQuery")});
}

TEST_F(Lookup, FirstEntryWithTitlesWinsAndEarlierFieldsStay)
{
    // The first match has no title lines; its year stays because the second sets none.
    m_server.addEntry("misc", discId(), "First / Wrong", "DTITLE=First / Wrong\r\nDYEAR=1980\r\nDGENRE=Jazz\r\n");
    m_server.addEntry("rock", discId(), "Second / Right",
                      "DTITLE=Second / Right\r\nTTITLE0=a\r\nTTITLE1=b\r\nTTITLE2=c\r\n");
    pressQuery();
    EXPECT_EQ(listTitles(), QStringList({"a", "b", "c"}));
    EXPECT_EQ(settings().Disc.Artist, QStringLiteral("Second"));
    EXPECT_EQ(settings().Disc.Album, QStringLiteral("Right"));
    EXPECT_EQ(settings().Disc.Year, QStringLiteral("1980"));
    EXPECT_EQ(settings().Disc.Genre, Genres::listNames().indexOf(QStringLiteral("Jazz")));
    EXPECT_EQ(m_server.requests().size(), 3);
}

TEST_F(Lookup, InexactListUsesTheFirstMatch)
{
    m_server.setQueryAnswer("211 Found inexact matches, list follows (until terminating `.')\r\n"
                            "blues 0a0b0c03 X / Y\r\nrock " +
                            discId() + " Z / W\r\n.\r\n");
    m_server.addEntry("blues", "0a0b0c03", "X / Y", entry("X", {"i", "ii", "iii"}));
    pressQuery();
    EXPECT_EQ(listTitles(), QStringList({"i", "ii", "iii"}));
    EXPECT_EQ(m_server.requests().last().command, QByteArray("cddb read blues 0a0b0c03"));
}

TEST_F(Lookup, NoMatchShowsTheHintUntilClose)
{
    int notices = 0;
    m_prompt->afterNotice = [&](TfrmStopQuery* stop) {
        ++notices;
        EXPECT_TRUE(stop->isVisible());
        EXPECT_FALSE(stop->lHint->isVisible());
        EXPECT_TRUE(stop->Panel1->isVisible());
        EXPECT_EQ(stop->lPanelText->text(), QStringLiteral("No match found,perhaps:\n1.No information in CDDB server\n"
                                                           "2.error CDDB options\n3.check the network"));
        EXPECT_EQ(stop->bStop->text(), QStringLiteral("Close"));
        stop->bStop->click();
    };
    pressQuery();
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(m_prompt->results, QList<int>{TfrmStopQuery::resultCancel});
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_EQ(listTitles(), kUntouched);
}

struct FailureCase
{
    const char* name;
    CddbTestServer::Mode mode;
    QByteArray answer;
    const char* shown;
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class LookupFailure : public LookupTest, public ::testing::WithParamInterface<FailureCase>
{
};

TEST_P(LookupFailure, IsShownAndTheQueryWindowStaysOpen)
{
    const FailureCase& c = GetParam();
    m_server.setQueryMode(c.mode);
    if (!c.answer.isNull()) {
        m_server.setQueryAnswer(c.answer);
    }
    tarnwick::setCddbTimeout(std::chrono::milliseconds(300));
    settings().Disc.Artist = QStringLiteral("Before");
    QString shown;
    m_prompt->afterNotice = [&](TfrmStopQuery* stop) {
        shown = stop->lPanelText->text();
        EXPECT_TRUE(stop->Panel1->isVisible());
        EXPECT_FALSE(stop->lHint->isVisible());
        EXPECT_EQ(stop->bStop->text(), QStringLiteral("Close"));
        stop->bStop->click();
    };
    pressQuery();
    EXPECT_EQ(shown, QStringLiteral("Query failed: ") + QString::fromUtf8(c.shown));
    EXPECT_EQ(m_prompt->results, QList<int>{TfrmStopQuery::resultCancel});
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_EQ(listTitles(), kUntouched);
    EXPECT_EQ(settings().Disc.Artist, QStringLiteral("Before"));
}

INSTANTIATE_TEST_SUITE_P(
    Servers, LookupFailure,
    ::testing::Values(
        FailureCase{"refused", CddbTestServer::Mode::Answer, "500 Unknown developer email\r\n",
                    "500 Unknown developer email\nThe server did not accept the e-mail address "
                    "tarnwick@users.invalid. Set your own e-mail address in the lookup window (or under Options, "
                    "CD-ROM) and query again."},
        FailureCase{"closes", CddbTestServer::Mode::Close, {}, "127.0.0.1 closed the connection without an answer"},
        FailureCase{"neverAnswers", CddbTestServer::Mode::Silent, {}, "no answer from 127.0.0.1 within 1 s"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Lookup, StopBeforeTheAnswerWritesNothing)
{
    m_server.addEntry("rock", discId(), "A / B", entry("A", {"x", "y", "z"}));
    TfrmStopQuery* window = nullptr;
    std::promise<void> stopped;
    m_prompt->onStopWindow = [&](TfrmStopQuery* stop) {
        window = stop;
        EXPECT_EQ(stop->windowTitle(), QStringLiteral("Query CDDB..."));
        EXPECT_EQ(stop->lHint->text(), QStringLiteral("Query CDDB..."));
        EXPECT_EQ(stop->bStop->text(), QStringLiteral("Stop"));
        EXPECT_FALSE(stop->Panel1->isVisibleTo(stop));
    };
    // The server presses Stop as the query arrives and answers only once Stop is done.
    m_server.setOnRequest([&](const CddbTestServer::Request&) {
        QMetaObject::invokeMethod(
            window,
            [&] {
                window->bStop->click();
                stopped.set_value();
            },
            Qt::QueuedConnection);
        stopped.get_future().wait();
    });
    pressQuery();
    m_server.setOnRequest({});
    finishThreads();
    EXPECT_EQ(m_prompt->results, QList<int>{TfrmStopQuery::resultCancel});
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_EQ(listTitles(), kUntouched);
    EXPECT_TRUE(settings().Disc.Artist.isEmpty());
    EXPECT_LE(m_server.requests().size(), 1); // no entry was read after the stop
}

TEST_F(Lookup, StopWhileTheServerIsSilentEndsTheTransfer)
{
    m_server.setQueryMode(CddbTestServer::Mode::Silent);
    TfrmStopQuery* window = nullptr;
    m_prompt->onStopWindow = [&](TfrmStopQuery* stop) { window = stop; };
    m_server.setOnRequest([&](const CddbTestServer::Request&) {
        QMetaObject::invokeMethod(
            window, [&] { window->bStop->click(); }, Qt::QueuedConnection);
    });
    pressQuery();
    finishThreads(); // returns although the server never answers: the stop ended the transfer
    m_server.setOnRequest({});
    EXPECT_EQ(m_prompt->results, QList<int>{TfrmStopQuery::resultCancel});
    EXPECT_TRUE(m_form->isVisible());
    EXPECT_EQ(listTitles(), kUntouched);
}

TEST_F(Lookup, ContinuedTitleAndLongEntry)
{
    QByteArray text = entry("A", {"One", "Two, first half", "Three"});
    text.replace("TTITLE1=Two, first half\r\n", "TTITLE1=Two, first half\r\nTTITLE1= and second half\r\n");
    for (int i = 0; text.size() < 100 * 1024; ++i) {
        text += "EXTT0=" + QByteArray(100, 'e') + "\r\n";
    }
    m_server.addEntry("rock", discId(), "A / Album", text);
    pressQuery();
    EXPECT_EQ(listTitles(), QStringList({"One", "Two, first half and second half", "Three"}));
}

TEST_F(Lookup, HostileTitlesReachOnlyTheList)
{
    QByteArray text = "DTITLE=../.. / \\x\r\nTTITLE0=../escape\r\nTTITLE1=a/b\\c\r\nTTITLE2=nul";
    text += '\0';
    text += "here\xff\xfe\r\n";
    m_server.addEntry("rock", discId(), "x", text);
    pressQuery();
    EXPECT_EQ(listTitles(), QStringList({"../escape", "a/b\\c", QStringLiteral("nul here\uFFFD\uFFFD")}));
    EXPECT_EQ(settings().Disc.Artist, QStringLiteral(".."));
    EXPECT_EQ(settings().Disc.Album, QStringLiteral(".. / \\x"));
}

TEST_F(Lookup, DiscStartingAtTrackTwoAndAShortList)
{
    makeDisc(2, 3);
    fillList(2); // a list that was not refreshed: fewer rows than tracks
    m_server.addEntry("rock", discId(), "A / B", entry("A", {"skip", "first", "second", "third"}));
    pressQuery();
    EXPECT_EQ(m_prompt->results, QList<int>{TfrmStopQuery::resultYes});
    EXPECT_EQ(listTitles(), QStringList({"first", "second"}));
}

} // namespace
