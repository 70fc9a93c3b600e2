// The job window's AccurateRip verification and rip log, against a loopback database
// that answers from the checksums of the disc image's own audio.
#include "cd/AccurateRipChecksum.h"
#include "cd/AccurateRipDiscId.h"
#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "jobs/JobTestKit.h"
#include "jobs/TRipForm.h"
#include "jobs/core/JobFiles.h"
#include "settings/TSettings.h"
#include "support/AccurateRipFiles.h"
#include "support/HttpFileServer.h"

#include <QFile>
#include <QLabel>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

namespace ar = tarnwick::accuraterip;

const std::vector<double> kSeconds{5.0, 4.0, 6.0};
const QStringList kItems{JobFiles::extractItem(1, QStringLiteral("One")),
                         JobFiles::extractItem(2, QStringLiteral("Two")),
                         JobFiles::extractItem(3, QStringLiteral("Three"))};

class RipFormVerify : public ::testing::Test
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.start());
        settings().OutputFormat = ofWAV;
        settings().Disc.Album = QStringLiteral("Album");
        handle = kit.openDisc(kSeconds);
        DiscLayout layout;
        ASSERT_TRUE(tarnwick::readDiscLayout(handle, layout));
        ids = ar::discIdsOf(layout);
        bin = DiscImageWriter::binPathFor(kit.dir.file(QStringLiteral("disc.cue")));
        // The database knows the image as it was written: v1 rips of confidence 3, v2 of 5.
        const QByteArray image = readFileBytes(bin);
        std::vector<AccurateRipEntry> v1;
        std::vector<AccurateRipEntry> v2;
        qsizetype at = 0;
        for (int t = 0; t < static_cast<int>(kSeconds.size()); ++t) {
            const qsizetype bytes = static_cast<qsizetype>(kSeconds[static_cast<std::size_t>(t)] * 75) * 2352;
            ar::TrackChecksum sums(t + 1, static_cast<int>(kSeconds.size()), static_cast<std::uint64_t>(bytes / 4));
            sums.add(reinterpret_cast<const std::uint8_t*>(image.constData() + at), static_cast<std::size_t>(bytes));
            v1.push_back({3, sums.v1(), 0});
            v2.push_back({5, sums.v2(), 0});
            at += bytes;
        }
        database =
            accurateRipChunk(ids.id1, ids.id2, ids.cddbId, v1) + accurateRipChunk(ids.id1, ids.id2, ids.cddbId, v2);
        path = ar::databaseUrl(QStringLiteral("/ar"), ids);
    }

    void verifyAgainstTheServer()
    {
        settings().AccurateRip = true;
        settings().AccurateRipURL = QString::fromLatin1(m_server.origin() + "/ar");
    }

    // Flips one bit in the middle of track `index` (0-based) of the image.
    void damageTrack(int index)
    {
        QByteArray image = readFileBytes(bin);
        qsizetype at = 0;
        for (int t = 0; t < index; ++t) {
            at += static_cast<qsizetype>(kSeconds[static_cast<std::size_t>(t)] * 75) * 2352;
        }
        at += static_cast<qsizetype>(kSeconds[static_cast<std::size_t>(index)] * 75) * 2352 / 2;
        image[at] = static_cast<char>(image[at] ^ 0x10);
        ASSERT_TRUE(writeFileBytes(bin, image));
    }

    QString log() const { return QString::fromUtf8(readFileBytes(kit.out(QStringLiteral("Album.log")))); }

    JobTestKit kit;
    HttpFileServer m_server;
    CDHandle handle = 0;
    ar::DiscIds ids;
    QString bin;
    QByteArray database;
    QByteArray path;
};

struct VerifyCase
{
    const char* name;
    std::int32_t format;
    std::function<void(RipFormVerify&)> arrange;
    const char* status;   // the verdict line, or how it starts where curl words the reason
    const char* tracks;   // each track's verdict in the log, "accurate (confidence 8)|..."
    const char* database; // what the log's Database line says after the file's address
    const char* warning;  // the one box of the job, or nullptr for none
};

void PrintTo(const VerifyCase& c, std::ostream* os)
{
    *os << c.name;
}

class RipFormVerdicts : public RipFormVerify, public ::testing::WithParamInterface<VerifyCase>
{
};

// The verdict is shown, not asked about: it is the window's last line and then the main
// window's, and it is in the log. A disc the database does not know is not a lookup that
// failed, and neither is a reason to stop the user; only a damaged copy is.
TEST_P(RipFormVerdicts, ShowsThemWithoutStoppingTheUser)
{
    const VerifyCase& c = GetParam();
    settings().OutputFormat = c.format;
    verifyAgainstTheServer();
    c.arrange(*this);
    QString verdict;
    QString shown;
    kit.runJob(TRipForm::ExtractCD, handle, kItems, [&](TRipForm& form) {
        QObject::connect(&form, &QDialog::finished, &form, [&] {
            verdict = form.verdictLine();
            shown = form.initializingLabel()->text();
        });
    });

    EXPECT_TRUE(verdict.startsWith(QString::fromUtf8(c.status))) << verdict.toStdString();
    EXPECT_EQ(shown, verdict);
    EXPECT_EQ(kit.prompt->messageTexts(),
              c.warning == nullptr ? QStringList{} : QStringList{QString::fromUtf8(c.warning)});
    if (c.warning != nullptr) {
        EXPECT_EQ(kit.prompt->calls().first().message.icon, Prompt::Icon::Exclamation);
    }

    const QString text = log();
    EXPECT_TRUE(text.contains(QStringLiteral("Read mode: normal\nRead offset: 0 samples\nAccurateRip: on\n")));
    const QStringList tracks = QString::fromUtf8(c.tracks).split(QLatin1Char('|'));
    for (const QString& track : tracks) {
        EXPECT_TRUE(text.contains(QStringLiteral("  AccurateRip: ") + track + QLatin1Char('\n'))) << text.toStdString();
    }
    EXPECT_TRUE(text.contains(QStringLiteral("Database: ") + QString::fromLatin1(m_server.origin() + path) +
                              QString::fromUtf8(c.database)))
        << text.toStdString();
}

const auto answer = [](RipFormVerify& t) { t.m_server.setFile(t.path, t.database); };
const char* const kNotChecked = "not checked|not checked|not checked";

INSTANTIATE_TEST_SUITE_P(
    Databases, RipFormVerdicts,
    ::testing::Values(
        // Both pressings list every track: 3 + 5 rips agree.
        VerifyCase{"matching", ofWAV, answer, "AccurateRip: 3 of 3 tracks accurate (confidence 8)",
                   "accurate (confidence 8)|accurate (confidence 8)|accurate (confidence 8)", "\n", nullptr},
        // The verdicts come after the last track was encoded too.
        VerifyCase{"matchingFlac", ofFLAC, answer, "AccurateRip: 3 of 3 tracks accurate (confidence 8)",
                   "accurate (confidence 8)|accurate (confidence 8)|accurate (confidence 8)", "\n", nullptr},
        VerifyCase{"damagedTrack", ofWAV,
                   [](RipFormVerify& t) {
                       answer(t);
                       t.damageTrack(1);
                   },
                   "AccurateRip: 2 of 3 tracks accurate (confidence 8); not accurate: track 2",
                   "accurate (confidence 8)|not accurate|accurate (confidence 8)", "\n",
                   "AccurateRip: the copy of this track differs from every rip of it in the database and is most "
                   "likely damaged. Clean the disc and extract it again, in secure mode:\r\nTrack 02: Two"},
        VerifyCase{"notFound", ofWAV, [](RipFormVerify&) {}, "AccurateRip: disc not in database",
                   "not in database|not in database|not in database", " (disc not in database)\n", nullptr},
        VerifyCase{"serverError", ofWAV, [](RipFormVerify& t) { t.m_server.setFile(t.path, "busy", 503); },
                   "AccurateRip could not be checked: HTTP status 503", kNotChecked,
                   " (could not be checked: HTTP status 503)\n", nullptr},
        VerifyCase{"truncated", ofWAV, [](RipFormVerify& t) { t.m_server.setFile(t.path, t.database.chopped(3)); },
                   "AccurateRip could not be checked: the answer is not a database file of this disc", kNotChecked,
                   " (could not be checked: the answer is not a database file of this disc)\n", nullptr},
        VerifyCase{"hostile", ofWAV,
                   [](RipFormVerify& t) { t.m_server.setFile(t.path, QByteArray(5000, '\xff') + t.database); },
                   "AccurateRip could not be checked: the answer is not a database file of this disc", kNotChecked,
                   " (could not be checked: the answer is not a database file of this disc)\n", nullptr},
        // Nothing listens at the address any more: curl's reason reaches the user.
        VerifyCase{"unreachable", ofWAV, [](RipFormVerify& t) { t.m_server.stop(); },
                   "AccurateRip could not be reached: ", kNotChecked, " (could not be reached: ", nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

// A damaged track is the one thing worth a box: once per job, however many tracks it names.
TEST_F(RipFormVerify, NotAccurateTracksAreNamedInOneWarning)
{
    verifyAgainstTheServer();
    answer(*this);
    damageTrack(0);
    damageTrack(2);
    kit.runJob(TRipForm::ExtractCD, handle, kItems);
    EXPECT_EQ(kit.prompt->messageTexts(),
              QStringList{QStringLiteral("AccurateRip: the copies of these tracks differ from every rip of them in the "
                                         "database and are most likely damaged. Clean the disc and extract them "
                                         "again, in secure mode:\r\nTrack 01: One\r\nTrack 03: Three")});
    EXPECT_TRUE(log().endsWith(QStringLiteral("Not all tracks accurately ripped; not accurate: tracks 1, 3\n")));
}

TEST_F(RipFormVerify, LogNamesEveryFileWithTheCrcOfItsAudio)
{
    verifyAgainstTheServer();
    answer(*this);
    kit.runJob(TRipForm::ExtractCD, handle, kItems);
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), (QStringList{"Album.log", "One.wav", "Three.wav", "Two.wav"}));
    const QString text = log();
    for (const QString& title : {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three")}) {
        const QByteArray wav = readFileBytes(kit.out(title + QStringLiteral(".wav")));
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(wav.constData() + 44), static_cast<uInt>(wav.size() - 44)));
        const QString crcText = QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
        EXPECT_TRUE(text.contains(QStringLiteral("  File: ") + title + QStringLiteral(".wav\n  CRC32: ") + crcText))
            << text.toStdString();
    }
}

TEST_F(RipFormVerify, SettingsOffGiveTodaysFilesAndNoLookup)
{
    answer(*this);
    settings().AccurateRipURL = QString::fromLatin1(m_server.origin() + "/ar");
    ASSERT_FALSE(settings().AccurateRip);
    ASSERT_FALSE(settings().SecureMode);
    kit.runJob(TRipForm::ExtractCD, handle, kItems);
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), (QStringList{"One.wav", "Three.wav", "Two.wav"}));
    EXPECT_TRUE(kit.prompt->messageTexts().isEmpty());
    EXPECT_TRUE(m_server.requests().isEmpty());
}

TEST_F(RipFormVerify, SecureModeAloneWritesTheLogWithoutALookup)
{
    answer(*this);
    settings().SecureMode = true;
    settings().AccurateRipURL = QString::fromLatin1(m_server.origin() + "/ar");
    kit.runJob(TRipForm::ExtractCD, handle, kItems);
    EXPECT_TRUE(kit.prompt->messageTexts().isEmpty()) << kit.prompt->messageTexts().join('|').toStdString();
    EXPECT_TRUE(m_server.requests().isEmpty());
    const QString text = log();
    EXPECT_TRUE(text.contains(QStringLiteral("Read mode: secure")));
    EXPECT_TRUE(text.contains(QStringLiteral("AccurateRip: off\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("All tracks ripped whole (AccurateRip verification off)\n")))
        << text.toStdString();
}

} // namespace

namespace {

// A silent database: the window shows that it verifies, keeps handling events, and closing
// it ends the lookup instead of waiting for the network.
TEST_F(RipFormVerify, ClosingWhileTheDatabaseIsSilentEndsTheLookup)
{
    verifyAgainstTheServer();
    m_server.setMode(HttpFileServer::Mode::Silent);
    bool sawVerifying = false;
    kit.runJob(TRipForm::ExtractCD, handle, kItems, [&](TRipForm& form) {
        QObject::connect(&form, &QWidget::windowTitleChanged, &form, [&](const QString& title) {
            if (title == QStringLiteral("Verifying")) {
                sawVerifying = true;
                // Handled by the window's own event loop while the lookup waits.
                QTimer::singleShot(0, &form, [&form] { form.close(); });
            }
        });
    });
    EXPECT_TRUE(sawVerifying);
    EXPECT_TRUE(kit.prompt->messageTexts().isEmpty());
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), (QStringList{"One.wav", "Three.wav", "Two.wav"}));
}

} // namespace
