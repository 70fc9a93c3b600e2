#include "cd/AccurateRipLookup.h"
#include "cd/AccurateRipChecksum.h"

#include "support/AccurateRipFiles.h"
#include "support/HttpFileServer.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace tarnwick::accuraterip;
using namespace std::chrono_literals;
using Status = TrackVerdict::Status;

const DiscIds kDisc{3, 0x15dceu, 0x48e9bu, 0x08025603u, {1, 2, 3}};
const QByteArray kPath = "/ar/e/c/d/dBAR-003-00015dce-00048e9b-08025603.bin";
constexpr std::uint64_t TrackSamples = 588 * 30;

// Three generated tracks and their checksums as the extraction computes them.
struct Tracks
{
    std::vector<QByteArray> audio;
    std::vector<TrackSums> sums;
};

Tracks generatedTracks(int damagedTrack = 0)
{
    Tracks tracks;
    for (int t = 1; t <= kDisc.trackCount; ++t) {
        QByteArray audio(static_cast<qsizetype>(TrackSamples * 4), '\0');
        for (qsizetype i = 0; i < audio.size(); ++i) {
            audio[i] = static_cast<char>((i * 31 + t * 17) ^ (i >> 9));
        }
        if (t == damagedTrack) {
            audio[audio.size() / 2] = static_cast<char>(audio[audio.size() / 2] ^ 0x01);
        }
        TrackChecksum sums(t, kDisc.trackCount, TrackSamples);
        sums.add(reinterpret_cast<const std::uint8_t*>(audio.constData()), static_cast<std::size_t>(audio.size()));
        tracks.audio.push_back(audio);
        tracks.sums.push_back({sums.v1(), sums.v2()});
    }
    return tracks;
}

// The database's file for the undamaged tracks: a pressing of v1 checksums and one of v2.
QByteArray matchingFile()
{
    const Tracks good = generatedTracks();
    std::vector<AccurateRipEntry> v1;
    std::vector<AccurateRipEntry> v2;
    for (const TrackSums& s : good.sums) {
        v1.push_back({7, s.v1, 0});
        v2.push_back({3, s.v2, 0});
    }
    return accurateRipChunk(kDisc.id1, kDisc.id2, kDisc.cddbId, v1) +
           accurateRipChunk(kDisc.id1, kDisc.id2, kDisc.cddbId, v2);
}

class AccurateRipLookup : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_server.start()); }

    LookupRequest request(std::chrono::milliseconds timeout = 10s) const
    {
        LookupRequest r;
        r.baseUrl = QString::fromLatin1(m_server.origin() + "/ar");
        r.ids = kDisc;
        r.timeout = timeout;
        return r;
    }

    HttpFileServer m_server;
};

TEST_F(AccurateRipLookup, MatchingPressingGivesAccurateTracksWithTheirConfidence)
{
    m_server.setFile(kPath, matchingFile());
    const LookupResult result = lookUp(request());
    ASSERT_TRUE(result.pressings) << result.error.toStdString();
    EXPECT_EQ(result.outcome, LookupResult::Outcome::Found);
    EXPECT_EQ(result.url, m_server.origin() + kPath);

    const std::vector<TrackVerdict> verdicts = verdictsFor(result.pressings, generatedTracks().sums);
    ASSERT_EQ(verdicts.size(), 3u);
    for (const TrackVerdict& verdict : verdicts) {
        // Rips with the v1 and the v2 checksum are different rips of the same audio.
        EXPECT_EQ(verdict.text(), QStringLiteral("accurate (confidence 10)"));
    }

    // One plain GET of the file: nothing but the IDs in its path, no query, no program name.
    const QList<HttpFileServer::Request> requests = m_server.requests();
    ASSERT_EQ(requests.size(), 1);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, kPath);
    EXPECT_FALSE(requests[0].head.toLower().contains("user-agent")) << requests[0].head.toStdString();
    EXPECT_FALSE(requests[0].head.toLower().contains("cookie"));
}

TEST_F(AccurateRipLookup, DamagedTrackAloneIsNotAccurate)
{
    m_server.setFile(kPath, matchingFile());
    const std::vector<TrackVerdict> verdicts = verdictsFor(lookUp(request()).pressings, generatedTracks(2).sums);
    ASSERT_EQ(verdicts.size(), 3u);
    EXPECT_EQ(verdicts[0].status, Status::Accurate);
    EXPECT_EQ(verdicts[1].status, Status::NotAccurate);
    EXPECT_EQ(verdicts[2].status, Status::Accurate);
}

TEST_F(AccurateRipLookup, FollowsARedirectToTheFile)
{
    m_server.setRedirect(kPath, "/moved.bin");
    m_server.setFile("/moved.bin", matchingFile());
    EXPECT_TRUE(lookUp(request()).pressings);
}

using Outcome = LookupResult::Outcome;

struct FailureCase
{
    const char* name;
    std::function<void(HttpFileServer&)> arrange;
    const char* error;
    Outcome outcome = Outcome::Failed;
};

void PrintTo(const FailureCase& c, std::ostream* os)
{
    *os << c.name;
}

class AccurateRipLookupFailure : public AccurateRipLookup, public ::testing::WithParamInterface<FailureCase>
{
};

// Only a 404 says the database does not know the disc; every other failure says why the
// disc could not be checked.
TEST_P(AccurateRipLookupFailure, TellsNotInDatabaseFromNotChecked)
{
    GetParam().arrange(m_server);
    const LookupResult result = lookUp(request(500ms));
    EXPECT_FALSE(result.pressings);
    EXPECT_EQ(result.outcome, GetParam().outcome);
    EXPECT_TRUE(result.error.contains(QString::fromLatin1(GetParam().error))) << result.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Servers, AccurateRipLookupFailure,
    ::testing::Values(
        FailureCase{"notFound", [](HttpFileServer&) {}, "not in the database", Outcome::NotInDatabase},
        FailureCase{"serverError", [](HttpFileServer& s) { s.setFile(kPath, "oops", 500); }, "HTTP status 500"},
        FailureCase{"truncated", [](HttpFileServer& s) { s.setFile(kPath, matchingFile().chopped(5)); },
                    "not a database file"},
        FailureCase{"hostile",
                    [](HttpFileServer& s) {
                        // A chunk that claims 255 tracks of a disc of three, then garbage.
                        QByteArray file = matchingFile();
                        file[0] = static_cast<char>(0xff);
                        s.setFile(kPath, file + QByteArray(100, '\xff'));
                    },
                    "not a database file"},
        FailureCase{"otherDisc",
                    [](HttpFileServer& s) {
                        s.setFile(kPath, accurateRipChunk(1, 2, 3, {{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}));
                    },
                    "not a database file"},
        FailureCase{"oversized",
                    [](HttpFileServer& s) { s.setFile(kPath, QByteArray(MaxDatabaseFileBytes + 1, '\x03')); },
                    "too big"},
        FailureCase{"redirectLoop", [](HttpFileServer& s) { s.setRedirect(kPath, kPath); }, "edirect"},
        FailureCase{"closes", [](HttpFileServer& s) { s.setMode(HttpFileServer::Mode::Close); }, "",
                    Outcome::Unreachable},
        FailureCase{"silent", [](HttpFileServer& s) { s.setMode(HttpFileServer::Mode::Silent); },
                    "no answer within 1 s", Outcome::Unreachable}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AccurateRipLookup, RefusedConnectionIsUnreachable)
{
    const LookupRequest r = request();
    m_server.stop();
    const LookupResult result = lookUp(r);
    EXPECT_FALSE(result.pressings);
    EXPECT_EQ(result.outcome, Outcome::Unreachable);
    EXPECT_TRUE(result.error.contains(QStringLiteral("port"))) << result.error.toStdString();
    EXPECT_EQ(result.shortError, QStringLiteral("Couldn't connect to server")) << "no address in a status bar";
}

TEST_F(AccurateRipLookup, StopEndsTheTransfer)
{
    m_server.setMode(HttpFileServer::Mode::Silent);
    std::atomic<bool> stop{true};
    LookupRequest r = request(60s);
    r.stop = &stop;
    const LookupResult result = lookUp(r);
    EXPECT_FALSE(result.pressings);
    EXPECT_EQ(result.error, QStringLiteral("stopped"));
}

class AccurateRipBaseUrl : public ::testing::TestWithParam<const char*>
{
};

// Addresses that would send more than the IDs, or not over HTTP, are refused before any connection.
TEST_P(AccurateRipBaseUrl, UnusableAddressIsRefused)
{
    LookupRequest r;
    r.baseUrl = QString::fromLatin1(GetParam());
    r.ids = kDisc;
    const LookupResult result = lookUp(r);
    EXPECT_FALSE(result.pressings);
    EXPECT_TRUE(result.error.contains(QStringLiteral("cannot be used"))) << result.error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Addresses, AccurateRipBaseUrl,
                         ::testing::Values("", "ftp://127.0.0.1/ar", "file:///etc", "http://user:pw@127.0.0.1/ar",
                                           "http://127.0.0.1/ar?who=me", "http://127.0.0.1/ar#x", "not a url"));

} // namespace
