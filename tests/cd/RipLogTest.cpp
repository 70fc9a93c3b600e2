#include "cd/RipLog.h"

#include "support/DiskFull.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

using tarnwick::accuraterip::TrackVerdict;
using Status = TrackVerdict::Status;

RipLogTrack track(int number, std::optional<TrackVerdict> verdict, const QString& problem = QString())
{
    RipLogTrack t;
    t.number = number;
    t.file = problem.isEmpty() ? QStringLiteral("/music/Track%1.wav").arg(number) : QString();
    t.problem = problem;
    t.crc = 0x1234abcdu + static_cast<std::uint32_t>(number);
    if (verdict) {
        t.checksums = tarnwick::accuraterip::TrackSums{0xdeadbeefu, 0x0badf00du};
    }
    t.verdict = verdict;
    return t;
}

RipLogInfo logOf(bool accurateRip, std::vector<RipLogTrack> tracks)
{
    RipLogInfo i;
    i.program = QStringLiteral("Tarnwick");
    i.version = QStringLiteral("Version: 4.0");
    i.drive = QStringLiteral("IMAGE disc.bin");
    i.when = QDateTime(QDate(2026, 12, 9), QTime(4, 5, 6), Qt::UTC);
    i.secure = true;
    i.readOffset = 6;
    i.accurateRip = accurateRip;
    i.database = QStringLiteral("http://127.0.0.1/ar/e/c/d/dBAR-003-00015dce-00048e9b-08025603.bin");
    i.tracks = std::move(tracks);
    return i;
}

TEST(RipLog, TextHoldsTheReadAndEveryTrack)
{
    RipLogInfo log =
        logOf(true, {track(1, TrackVerdict{Status::Accurate, 12}), track(2, TrackVerdict{Status::NotAccurate, 0}),
                     track(3, std::nullopt, "the read failed")});
    log.tracks[1].repairs = 3;
    log.tracks[1].readErrors = 2;
    log.tracks[1].unverified = 1;
    log.readOffset = -30;
    log.normalized = true;
    EXPECT_EQ(RipLog::text(log).toStdString(), "Tarnwick rip log\n"
                                               "Version: 4.0\n"
                                               "Date: 2026-12-09T04:05:06Z\n"
                                               "\n"
                                               "Drive: IMAGE disc.bin\n"
                                               "Read mode: secure (paranoia, re-read until sure)\n"
                                               "Read offset: -30 samples\n"
                                               "AccurateRip: on\n"
                                               "Normalized: yes; the CRC32 and checksums are of the audio as "
                                               "read, before normalizing\n"
                                               "Database: http://127.0.0.1/ar/e/c/d/"
                                               "dBAR-003-00015dce-00048e9b-08025603.bin\n"
                                               "\n"
                                               "Track 01\n"
                                               "  File: /music/Track1.wav\n"
                                               "  CRC32: 1234ABCE\n"
                                               "  AccurateRip v1: DEADBEEF  v2: 0BADF00D\n"
                                               "  AccurateRip: accurate (confidence 12)\n"
                                               "\n"
                                               "Track 02\n"
                                               "  File: /music/Track2.wav\n"
                                               "  CRC32: 1234ABCF\n"
                                               "  AccurateRip v1: DEADBEEF  v2: 0BADF00D\n"
                                               "  AccurateRip: not accurate\n"
                                               "  Read corrections: 3\n"
                                               "  Read errors: 2, stretches not verified: 1\n"
                                               "\n"
                                               "Track 03\n"
                                               "  File: none\n"
                                               "  Problem: the read failed\n"
                                               "  CRC32: 1234ABD0\n"
                                               "\n"
                                               "Not all tracks accurately ripped; not ripped whole: track 3; "
                                               "not accurate: track 2\n");
}

struct SummaryCase
{
    const char* name;
    RipLogInfo info;
    const char* expected;
};

void PrintTo(const SummaryCase& c, std::ostream* os)
{
    *os << c.name;
}

class RipLogSummary : public ::testing::TestWithParam<SummaryCase>
{
};

TEST_P(RipLogSummary, NamesTheTracksThatWereNotAccurate)
{
    EXPECT_EQ(RipLog::summary(GetParam().info).toStdString(), GetParam().expected);
}

const TrackVerdict kAccurate{Status::Accurate, 4};
const TrackVerdict kNotAccurate{Status::NotAccurate, 0};
const TrackVerdict kUnknown{Status::NotInDatabase, 0};
const TrackVerdict kUnchecked{Status::Unchecked, 0};

INSTANTIATE_TEST_SUITE_P(
    Jobs, RipLogSummary,
    ::testing::Values(SummaryCase{"allAccurate", logOf(true, {track(1, kAccurate), track(2, kAccurate)}),
                                  "All tracks accurately ripped"},
                      SummaryCase{"someNotAccurate",
                                  logOf(true, {track(1, kNotAccurate), track(2, kAccurate), track(3, kNotAccurate)}),
                                  "Not all tracks accurately ripped; not accurate: tracks 1, 3"},
                      SummaryCase{"notInDatabase", logOf(true, {track(1, kUnknown), track(2, kUnknown)}),
                                  "Not all tracks accurately ripped; not in database: tracks 1, 2"},
                      // The database could not be asked: that is no verdict about the disc.
                      SummaryCase{"notChecked", logOf(true, {track(1, kUnchecked), track(2, kUnchecked)}),
                                  "Not all tracks accurately ripped; not checked: tracks 1, 2"},
                      SummaryCase{"everyKind",
                                  logOf(true, {track(1, kAccurate), track(2, std::nullopt, "the read failed"),
                                               track(3, kNotAccurate), track(4, kUnknown), track(5, kUnchecked)}),
                                  "Not all tracks accurately ripped; not ripped whole: track 2; not accurate: track 3; "
                                  "not in database: track 4; not checked: track 5"},
                      SummaryCase{"verificationOff", logOf(false, {track(1, std::nullopt), track(2, std::nullopt)}),
                                  "All tracks ripped whole (AccurateRip verification off)"},
                      SummaryCase{"verificationOffOneFailed",
                                  logOf(false, {track(1, std::nullopt), track(2, std::nullopt, "the read failed")}),
                                  "Not all tracks ripped; not ripped whole: track 2"},
                      SummaryCase{"nothing", logOf(true, {}), "No tracks were ripped"}),
    [](const auto& info) { return std::string(info.param.name); });

struct NameCase
{
    const char* album;
    const char* key;
    const char* expected;
};

class RipLogName : public ::testing::TestWithParam<NameCase>
{
};

TEST_P(RipLogName, StaysInsideTheFolder)
{
    EXPECT_EQ(RipLog::fileName(QString::fromUtf8(GetParam().album), QString::fromUtf8(GetParam().key)).toStdString(),
              GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Names, RipLogName,
                         ::testing::Values(NameCase{"Abbey Road", "-12345", "Abbey Road.log"},
                                           NameCase{"AC/DC: Live?", "-12345", "AC_DC_ Live_.log"},
                                           NameCase{"../../etc/passwd", "1", ".._.._etc_passwd.log"},
                                           NameCase{"  ", "-12345", "-12345.log"}, NameCase{"", "", "rip.log"}));

TEST(RipLogFile, IsWrittenWholeAndReplacesAnOlderOne)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("Album.log"));
    ASSERT_TRUE(writeFileBytes(path, "an older log\n"));
    const RipLogInfo log = logOf(true, {track(1, kAccurate)});
    QString error;
    ASSERT_TRUE(RipLog::write(path, log, &error)) << error.toStdString();
    EXPECT_EQ(readFileBytes(path), RipLog::text(log).toUtf8());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("Album.log")});
}

TEST(RipLogFile, FailedWriteLeavesTheOldFileAndNoPart)
{
    TempFolder folder;
    const QString path = folder.file(QStringLiteral("Album.log"));
    ASSERT_TRUE(writeFileBytes(path, "an older log\n"));
    RipLogInfo log = logOf(true, {});
    for (int t = 1; t <= 99; ++t) {
        log.tracks.push_back(track(t, kAccurate));
    }
    QString error;
    {
        const DiskFull full(512);
        EXPECT_FALSE(RipLog::write(path, log, &error));
    }
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readFileBytes(path), QByteArray("an older log\n"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("Album.log")});

    EXPECT_FALSE(RipLog::write(folder.file(QStringLiteral("gone/Album.log")), log, &error));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("gone/Album.log"))));
}

} // namespace
