// tarnwick-cli rip with AccurateRip: the verdicts on the terminal and the same rip log as
// the job window's, against a loopback database that knows the image.
#include "cli/CliTestKit.h"

#include "cd/AccurateRipChecksum.h"
#include "cd/AccurateRipDiscId.h"
#include "cd/DiscImageWriter.h"
#include "platform/ScriptedPrompt.h"
#include "settings/SettingsStore.h"
#include "support/AccurateRipFiles.h"
#include "support/HttpFileServer.h"

#include <QDir>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>

namespace {

namespace ar = tarnwick::accuraterip;

const std::vector<double> kSeconds{3.0, 2.0, 4.0};

class CliVerify : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.start());
        kit.makeDisc(kSeconds);
        DiscLayout layout;
        std::int32_t start = 150;
        for (std::size_t t = 0; t < kSeconds.size(); ++t) {
            layout.tracks.push_back({static_cast<int>(t) + 1, start, true});
            start += static_cast<std::int32_t>(kSeconds[t] * 75);
        }
        layout.leadOut = start;
        const ar::DiscIds ids = ar::discIdsOf(layout);
        const QByteArray image = readFileBytes(DiscImageWriter::binPathFor(kit.cue));
        std::vector<AccurateRipEntry> entries;
        qsizetype at = 0;
        for (std::size_t t = 0; t < kSeconds.size(); ++t) {
            const qsizetype bytes = static_cast<qsizetype>(kSeconds[t] * 75) * 2352;
            ar::TrackChecksum sums(static_cast<int>(t) + 1, static_cast<int>(kSeconds.size()),
                                   static_cast<std::uint64_t>(bytes / 4));
            sums.add(reinterpret_cast<const std::uint8_t*>(image.constData() + at), static_cast<std::size_t>(bytes));
            entries.push_back({4, t == 1 ? sums.v1() + 1 : sums.v1(), 0}); // the second track differs
            at += bytes;
        }
        m_path = ar::databaseUrl(QStringLiteral("/ar"), ids);
        m_server.setFile(m_path, accurateRipChunk(ids.id1, ids.id2, ids.cddbId, entries));

        TSettings options;
        SettingsStore::load(options, kit.home() + QStringLiteral("/options.ini"));
        options.OutputFormat = ofWAV;
        options.AccurateRip = true;
        options.AccurateRipURL = QString::fromLatin1(m_server.origin() + "/ar");
        kit.writeOptions(options);
        TDiscInfo disc;
        disc.Album = QStringLiteral("First");
        disc.TrackNumber = 3;
        kit.writeDiscInfo(disc);
    }

    // The log without its date line, which two runs never share.
    static QString logWithoutDate(const QString& path)
    {
        QStringList lines = QString::fromUtf8(readFileBytes(path)).split(QLatin1Char('\n'));
        lines.removeIf([](const QString& line) { return line.startsWith(QStringLiteral("Date: ")); });
        return lines.join(QLatin1Char('\n'));
    }

public:
    void forgetTheDisc() { m_server.setFile(m_path, {}, 404); }
    void answerWith(int status) { m_server.setFile(m_path, "no", status); }

    CliTestKit kit;
    HttpFileServer m_server;
    QByteArray m_path;
};

TEST_F(CliVerify, PrintsTheVerdictsAndWritesTheWindowsLog)
{
    const CliTestKit::Result result = kit.run({"rip"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString all = result.out + result.err;
    EXPECT_TRUE(all.contains(QStringLiteral("AccurateRip verification:\n"
                                            "  Track 01: accurate (confidence 4)\n"
                                            "  Track 02: not accurate\n"
                                            "  Track 03: accurate (confidence 4)\n"
                                            "  Not all tracks accurately ripped; not accurate: track 2\n"
                                            "AccurateRip: 2 of 3 tracks accurate (confidence 4); "
                                            "not accurate: track 2\n")))
        << all.toStdString();
    EXPECT_TRUE(all.contains(QStringLiteral("rip log: ") + kit.out(QStringLiteral("First.log"))));
    EXPECT_EQ(m_server.requests().size(), 1);

    const QString window = kit.dir.file(QStringLiteral("window"));
    ASSERT_TRUE(QDir().mkpath(window));
    auto prompt = std::make_shared<ScriptedPrompt>();
    Prompt::install(prompt);
    kit.runWindowRip(window, {1, 2, 3});
    Prompt::install(nullptr);
    EXPECT_EQ(logWithoutDate(kit.out(QStringLiteral("First.log"))),
              logWithoutDate(window + QStringLiteral("/First.log")));
    EXPECT_TRUE(
        logWithoutDate(window + QStringLiteral("/First.log")).contains(QStringLiteral("  File: Track02.wav\n")));
}

struct NoVerdictCase
{
    const char* name;
    std::function<void(CliVerify&)> arrange;
    const char* status;   // the last verdict line, or how it starts
    const char* database; // the log's Database line, from the reason on
};

class CliNoVerdict : public CliVerify, public ::testing::WithParamInterface<NoVerdictCase>
{
};

// The terminal tells a disc the database does not know from a database it could not ask,
// with the reason, as the window does.
TEST_P(CliNoVerdict, SaysWhy)
{
    GetParam().arrange(*this);
    const CliTestKit::Result result = kit.run({"rip"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QString all = result.out + result.err;
    EXPECT_TRUE(all.contains(QStringLiteral("\n") + QString::fromUtf8(GetParam().status))) << all.toStdString();
    const QString log = QString::fromUtf8(readFileBytes(kit.out(QStringLiteral("First.log"))));
    EXPECT_TRUE(log.contains(QString::fromUtf8(GetParam().database))) << log.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Databases, CliNoVerdict,
    ::testing::Values(NoVerdictCase{"notInDatabase", [](CliVerify& t) { t.forgetTheDisc(); },
                                    "AccurateRip: disc not in database\n", ".bin (disc not in database)\n"},
                      NoVerdictCase{"unreachable", [](CliVerify& t) { t.m_server.stop(); },
                                    "AccurateRip could not be reached: ", ".bin (could not be reached: "},
                      NoVerdictCase{"serverError", [](CliVerify& t) { t.answerWith(500); },
                                    "AccurateRip could not be checked: HTTP status 500\n",
                                    ".bin (could not be checked: HTTP status 500)\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CliVerify, SettingsOffPrintNoVerdictsAndWriteNoLog)
{
    TSettings options;
    SettingsStore::load(options, kit.home() + QStringLiteral("/options.ini"));
    options.AccurateRip = false;
    kit.writeOptions(options);
    const CliTestKit::Result result = kit.run({"rip"});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_FALSE((result.out + result.err).contains(QStringLiteral("AccurateRip")));
    EXPECT_EQ(CliTestKit::filesIn(kit.out()), (QStringList{"Track01.wav", "Track02.wav", "Track03.wav"}));
    EXPECT_TRUE(m_server.requests().isEmpty());
}

// Ctrl+C while the database does not answer ends the lookup at once: the tracks stay, no
// verdicts and no log, and the program says it was stopped.
TEST_F(CliVerify, StopDuringTheLookupEndsItAndWritesNoLog)
{
    m_server.setMode(HttpFileServer::Mode::Silent);
    const CliTestKit::Result result = kit.run({"rip"}, [&](QProcess& process) {
        m_server.waitForRequests(1);
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    });
    EXPECT_EQ(result.exitCode, 130) << result.err.toStdString();
    EXPECT_FALSE((result.out + result.err).contains(QStringLiteral("AccurateRip verification")));
    EXPECT_EQ(CliTestKit::filesIn(kit.out()), (QStringList{"Track01.wav", "Track02.wav", "Track03.wav"}));
}

} // namespace
