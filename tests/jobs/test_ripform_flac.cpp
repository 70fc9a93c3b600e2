#include "jobs/JobTestKit.h"
#include "jobs/TRipForm.h"
#include "meta/Genres.h"
#include "platform/ChildProcess.h"
#include "settings/TSettings.h"
#include "support/ToneWav.h"

#include <QFile>
#include <QGroupBox>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QByteArray output;
};

ToolRun run(const QString& program, const QStringList& arguments)
{
    ChildProcess child;
    ToolRun result;
    if (child.start(program, arguments) != 0) {
        return result;
    }
    child.closeInput();
    result.output = child.readAll(ChildProcess::Stream::Output);
    child.readAll(ChildProcess::Stream::Error);
    child.waitForExit(-1);
    result.exitCode = child.exitCode();
    return result;
}

// The audio bytes of a WAV file with the plain 44-byte header the extraction writes.
QByteArray wavData(const QString& path)
{
    return readFileBytes(path).mid(44);
}

QByteArray flacDecoded(const QString& path)
{
    return run(QStringLiteral("flac"),
               {QStringLiteral("-s"), QStringLiteral("-d"), QStringLiteral("-c"), QStringLiteral("--force-raw-format"),
                QStringLiteral("--endian=little"), QStringLiteral("--sign=signed"), path})
        .output;
}

QByteArray ffmpegDecoded(const QString& path)
{
    return run(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                                          QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-")})
        .output;
}

QStringList tags(const QString& path)
{
    return QString::fromUtf8(run(QStringLiteral("metaflac"), {QStringLiteral("--export-tags-to=-"), path}).output)
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool flacTestPasses(const QString& path)
{
    return run(QStringLiteral("flac"), {QStringLiteral("-s"), QStringLiteral("-t"), path}).exitCode == 0;
}

class RipFormFlacTest : public ::testing::Test
{
protected:
    JobTestKit kit;
};

TEST_F(RipFormFlacTest, ThreeTracksOfADiscBecomeLosslessTaggedFiles)
{
    settings().OutputFormat = ofFLAC;
    settings().IsKeepWav = true;
    settings().FLACCompression = 8;
    TDiscInfo& disc = settings().Disc;
    disc.Artist = QStringLiteral("Kammerchor Süd");
    disc.Album = QStringLiteral("Abendlieder");
    disc.Year = QStringLiteral("2004");
    disc.Genre = Genres::listPositionOfGenre(32) - 1; // "Classical"
    disc.Comment = QStringLiteral("live");
    const CDHandle handle = kit.openDisc({2.0, 3.0, 1.5});
    QStringList seen;
    kit.runJob(TRipForm::ExtractCD, handle, {"01Erstes", "02Zweites", "03Drittes"}, [&](TRipForm& form) {
        QObject::connect(&form, &QWidget::windowTitleChanged, [&](const QString& t) { seen << t; });
    });
    EXPECT_TRUE(kit.prompt->messageTexts().isEmpty()) << kit.prompt->messageTexts().join(' ').toStdString();
    EXPECT_EQ(seen, (QStringList{"Encoding(01/03): Erstes", "Extracting(02/03): Zweites", "Encoding(02/03): Zweites",
                                 "Extracting(03/03): Drittes", "Encoding(03/03): Drittes"}));
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})),
              (QStringList{"Drittes.flac", "Drittes.wav", "Erstes.flac", "Erstes.wav", "Zweites.flac", "Zweites.wav"}));
    const QStringList titles{"Erstes", "Zweites", "Drittes"};
    for (int i = 0; i < titles.size(); ++i) {
        const QString flac = kit.out(titles[i] + QStringLiteral(".flac"));
        const QByteArray extracted = wavData(kit.out(titles[i] + QStringLiteral(".wav")));
        ASSERT_FALSE(extracted.isEmpty());
        EXPECT_TRUE(flacTestPasses(flac)) << titles[i].toStdString();
        EXPECT_EQ(flacDecoded(flac), extracted) << titles[i].toStdString();
        EXPECT_EQ(ffmpegDecoded(flac), extracted) << titles[i].toStdString();
        EXPECT_EQ(tags(flac), (QStringList{"ARTIST=Kammerchor Süd", "ALBUM=Abendlieder", "TITLE=" + titles[i],
                                           "TRACKNUMBER=" + QString::number(i + 1), "DATE=2004", "GENRE=Classical",
                                           "COMMENT=live"}));
    }
    EXPECT_EQ(JobTestKit::probe(kit.out(QStringLiteral("Zweites.flac")), QStringLiteral("format_tags=album")),
              QStringLiteral("Abendlieder"));
    EXPECT_EQ(JobTestKit::probe(kit.out(QStringLiteral("Zweites.flac")), QStringLiteral("format_tags=genre")),
              QStringLiteral("Classical"));
}

TEST_F(RipFormFlacTest, WavFilesKeepTheirOwnRateAndNoTemporaryFileIsMade)
{
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("low.wav")), 2.0, 22050, 1));
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("cd.wav")), 1.0));
    QString caption;
    kit.runJob(TRipForm::WavToFlac, 0, {kit.input(QStringLiteral("low.wav")), kit.input(QStringLiteral("cd.wav"))},
               [&](TRipForm& form) { caption = form.groupBox()->title(); });
    EXPECT_EQ(caption, QStringLiteral("Encoding WAV to FLAC"));
    EXPECT_TRUE(kit.prompt->messageTexts().isEmpty());
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), (QStringList{"cd.flac", "low.flac"}));
    EXPECT_EQ(JobTestKit::probe(kit.out(QStringLiteral("low.flac")), QStringLiteral("stream=sample_rate")),
              QStringLiteral("22050"));
    EXPECT_EQ(flacDecoded(kit.out(QStringLiteral("low.flac"))), wavData(kit.input(QStringLiteral("low.wav"))));
    EXPECT_EQ(flacDecoded(kit.out(QStringLiteral("cd.flac"))), wavData(kit.input(QStringLiteral("cd.wav"))));
    EXPECT_TRUE(tags(kit.out(QStringLiteral("cd.flac"))).isEmpty());
}

TEST_F(RipFormFlacTest, StopDuringEncodingLeavesNoUnfinishedFile)
{
    settings().OutputFormat = ofFLAC;
    const CDHandle handle = kit.openDisc({2.0, 40.0, 2.0});
    kit.runJob(TRipForm::ExtractCD, handle, {"01Short", "02Long", "03Never"}, [&](TRipForm& form) {
        QObject::connect(&form, &QWidget::windowTitleChanged, &form, [&](const QString& t) {
            if (t.startsWith(QStringLiteral("Encoding(02"))) {
                QTimer::singleShot(0, &form, &TRipForm::suitempbtStopClick);
            }
        });
    });
    EXPECT_TRUE(flacTestPasses(kit.out(QStringLiteral("Short.flac"))));
    // However far the encoder got, a file under the name is a finished one.
    const QStringList files = JobTestKit::filesIn(kit.out({}));
    EXPECT_EQ(files.filter(QStringLiteral(".flac")).size(), files.contains(QStringLiteral("Long.flac")) ? 2 : 1);
    if (files.contains(QStringLiteral("Long.flac"))) {
        EXPECT_TRUE(flacTestPasses(kit.out(QStringLiteral("Long.flac"))));
    }
    // Not every track was extracted, so no WAV file is deleted.
    EXPECT_TRUE(QFile::exists(kit.out(QStringLiteral("Short.wav"))));
    EXPECT_TRUE(QFile::exists(kit.out(QStringLiteral("Long.wav"))));
    EXPECT_FALSE(QFile::exists(kit.out(QStringLiteral("Never.wav"))));
}

TEST_F(RipFormFlacTest, AFailedTrackIsReportedAndTheNextOneFollows)
{
    settings().OutputFormat = ofFLAC;
    const CDHandle handle = kit.openDisc({1.0, 1.0});
    kit.runJob(TRipForm::ExtractCD, handle, {"01Bad?", "02Good"});
    ASSERT_EQ(kit.prompt->messageTexts().size(), 1);
    EXPECT_TRUE(kit.prompt->messageTexts().first().endsWith(QStringLiteral(" is not a valid file name.Please rename "
                                                                           "the Title in the CD tracks list.")));
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), QStringList{QStringLiteral("Good.flac")});
}

} // namespace
