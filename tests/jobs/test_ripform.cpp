#include "encoders/TMp3EncodeProcess.h"
#include "jobs/JobTestKit.h"
#include "jobs/TRipForm.h"
#include "jobs/core/WmaEstimate.h"
#include "meta/Genres.h"
#include "settings/TSettings.h"
#include "support/ToneWav.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <gtest/gtest.h>

class RipFormTest : public ::testing::Test
{
protected:
    JobTestKit kit;
};

TEST_F(RipFormTest, ExtractOneTrackToWav)
{
    settings().OutputFormat = ofWAV;
    const CDHandle handle = kit.openDisc({2.0});
    QStringList titles;
    kit.runJob(TRipForm::ExtractCD, handle, {QStringLiteral("01Song")},
               [&](TRipForm& form) { titles << form.windowTitle(); });
    EXPECT_EQ(titles, QStringList{QStringLiteral("Extracting(01/01): Song")});
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), QStringList{QStringLiteral("Song.wav")});
    EXPECT_EQ(QFile(kit.out(QStringLiteral("Song.wav"))).size(), 44 + 2 * 75 * 2352);
    EXPECT_TRUE(kit.prompt->messageTexts().isEmpty());
}

TEST_F(RipFormTest, ThreeTracksToMp3DeleteTheirWavFilesAfterTheLast)
{
    settings().OutputFormat = ofMP3;
    settings().IsKeepWav = false;
    const CDHandle handle = kit.openDisc({2.0, 3.0, 2.0});
    QStringList seen;
    kit.runJob(TRipForm::ExtractCD, handle, {"01One", "02Two", "03Three"}, [&](TRipForm& form) {
        QObject::connect(&form, &QWidget::windowTitleChanged, [&](const QString& t) {
            seen << t;
            // Until the last item is done, every extracted WAV file is still there.
            if (t.startsWith(QStringLiteral("Extracting(03"))) {
                EXPECT_TRUE(QFile::exists(kit.out(QStringLiteral("One.wav"))));
                EXPECT_TRUE(QFile::exists(kit.out(QStringLiteral("Two.wav"))));
            }
        });
    });
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), (QStringList{"One.mp3", "Three.mp3", "Two.mp3"}));
    EXPECT_NEAR(JobTestKit::durationSeconds(kit.out(QStringLiteral("Two.mp3"))), 3.0, 0.1);
    EXPECT_EQ(seen, (QStringList{"Encoding(01/03): One", "Extracting(02/03): Two", "Encoding(02/03): Two",
                                 "Extracting(03/03): Three", "Encoding(03/03): Three"}));
    EXPECT_TRUE(kit.prompt->messageTexts().isEmpty());
}

TEST_F(RipFormTest, StopDuringTheSecondEncodingDeletesNoWav)
{
    settings().OutputFormat = ofMP3;
    const CDHandle handle = kit.openDisc({2.0, 30.0, 2.0});
    kit.runJob(TRipForm::ExtractCD, handle, {"01One", "02Two", "03Three"}, [&](TRipForm& form) {
        QObject::connect(&form, &QWidget::windowTitleChanged, &form, [&](const QString& t) {
            if (t.startsWith(QStringLiteral("Encoding(02"))) {
                QTimer::singleShot(0, &form, &TRipForm::suitempbtStopClick);
            }
        });
    });
    EXPECT_TRUE(QFile::exists(kit.out(QStringLiteral("One.wav"))));
    EXPECT_TRUE(QFile::exists(kit.out(QStringLiteral("Two.wav"))));
    EXPECT_FALSE(QFile::exists(kit.out(QStringLiteral("Three.wav"))));
    EXPECT_TRUE(QFile::exists(kit.out(QStringLiteral("One.mp3"))));
    EXPECT_FALSE(kit.mp3->isRunning());
}

TEST_F(RipFormTest, InvalidTitleIsReportedAndTheNextTrackFollows)
{
    settings().OutputFormat = ofMP3;
    const CDHandle handle = kit.openDisc({2.0, 2.0});
    kit.runJob(TRipForm::ExtractCD, handle, {"01What?", "02Fine"});
    EXPECT_EQ(kit.prompt->messageTexts(),
              QStringList{settings().OutputFolder + QStringLiteral("/What?.wav is not a valid file name.Please rename "
                                                                   "the Title in the CD tracks list.")});
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), QStringList{QStringLiteral("Fine.mp3")});
}

TEST_F(RipFormTest, TagsCarryTheDiscInformation)
{
    settings().OutputFormat = ofMP3;
    settings().UseID3 = true;
    settings().IsKeepWav = true;
    TDiscInfo& disc = settings().Disc;
    disc.Artist = QStringLiteral("The Band");
    disc.Album = QStringLiteral("First Album");
    disc.Year = QStringLiteral("1999");
    disc.Comment = QStringLiteral("ripped");
    disc.Genre = Genres::listPositionOfGenre(17) - 1; // "Rock"
    const CDHandle handle = kit.openDisc({2.0, 2.0}, 2);
    kit.runJob(TRipForm::ExtractCD, handle, {"01Opening", "02Closing"});
    const QString second = kit.out(QStringLiteral("Closing.mp3"));
    EXPECT_EQ(JobTestKit::probe(second, QStringLiteral("format_tags=title")), QStringLiteral("Closing"));
    EXPECT_EQ(JobTestKit::probe(second, QStringLiteral("format_tags=artist")), QStringLiteral("The Band"));
    EXPECT_EQ(JobTestKit::probe(second, QStringLiteral("format_tags=album")), QStringLiteral("First Album"));
    EXPECT_EQ(JobTestKit::probe(second, QStringLiteral("format_tags=date")), QStringLiteral("1999"));
    EXPECT_EQ(JobTestKit::probe(second, QStringLiteral("format_tags=comment")), QStringLiteral("ripped"));
    EXPECT_EQ(JobTestKit::probe(second, QStringLiteral("format_tags=genre")), QStringLiteral("Rock"));
    // The row position, not the disc's track number.
    EXPECT_EQ(JobTestKit::probe(second, QStringLiteral("format_tags=track")), QStringLiteral("2"));
    EXPECT_EQ(JobTestKit::probe(kit.out(QStringLiteral("Opening.mp3")), QStringLiteral("format_tags=track")),
              QStringLiteral("1"));
    EXPECT_TRUE(QFile::exists(kit.out(QStringLiteral("Opening.wav"))));
}

TEST_F(RipFormTest, ResampledWavToMp3UsesAndRemovesTheTemporaryFile)
{
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("low.wav")), 2.0, 22050));
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("cd.wav")), 1.0, 44100));
    for (const QStringList& order : {QStringList{"low.wav", "cd.wav"}, QStringList{"cd.wav", "low.wav"}}) {
        QStringList items;
        for (const QString& name : order) {
            items << kit.input(name);
        }
        bool sawTemporary = false;
        QStringList captions;
        kit.runJob(TRipForm::WavToMp3, 0, items, [&](TRipForm& form) {
            QObject::connect(&form, &QWidget::windowTitleChanged, [&](const QString& t) {
                captions << form.groupBox()->title();
                if (t.startsWith(QStringLiteral("Encoding")) && t.endsWith(QStringLiteral("low.wav"))) {
                    sawTemporary = QFile::exists(kit.out(QStringLiteral("MyMP3ReTemp.wav")));
                }
            });
            captions << form.groupBox()->title();
        });
        EXPECT_TRUE(sawTemporary);
        EXPECT_EQ(JobTestKit::filesIn(kit.out({})), (QStringList{"cd.mp3", "low.mp3"}));
        EXPECT_NEAR(JobTestKit::durationSeconds(kit.out(QStringLiteral("low.mp3"))), 2.0, 0.1);
        EXPECT_EQ(JobTestKit::probe(kit.out(QStringLiteral("low.mp3")), QStringLiteral("stream=sample_rate")),
                  QStringLiteral("44100"));
        EXPECT_TRUE(captions.first() == QLatin1String("Resampling WAV") ||
                    captions.first() == QLatin1String("Encoding WAV to MP3"));
        QFile::remove(kit.out(QStringLiteral("cd.mp3")));
        QFile::remove(kit.out(QStringLiteral("low.mp3")));
    }
}

TEST_F(RipFormTest, DecodeWithExistingOutputAnsweredNoGoesOn)
{
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("a.wav")), 1.0));
    kit.runJob(TRipForm::RecordToMp3, 0, {kit.input(QStringLiteral("a.wav"))});
    ASSERT_TRUE(QFile::exists(kit.input(QStringLiteral("a.mp3"))));
    QFile::copy(kit.input(QStringLiteral("a.mp3")), kit.input(QStringLiteral("b.mp3")));
    ASSERT_TRUE(writeFileBytes(kit.out(QStringLiteral("a.wav")), "keep me"));
    kit.prompt->clear();
    kit.prompt->queueAnswer(Prompt::Answer::No);
    kit.runJob(TRipForm::Mp3ToWav, 0, {kit.input(QStringLiteral("a.mp3")), kit.input(QStringLiteral("b.mp3"))});
    EXPECT_EQ(readFileBytes(kit.out(QStringLiteral("a.wav"))), QByteArray("keep me"));
    EXPECT_NEAR(JobTestKit::durationSeconds(kit.out(QStringLiteral("b.wav"))), 1.0, 0.1);
    EXPECT_EQ(kit.prompt->messageTexts(),
              QStringList{kit.out(QStringLiteral("a.wav")) + QStringLiteral(" has existed,overite it?")});
}

TEST_F(RipFormTest, RecorderJobReplacesTheMp3BesideTheInput)
{
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("rec.wav")), 1.0));
    ASSERT_TRUE(writeFileBytes(kit.input(QStringLiteral("rec.mp3")), "old"));
    kit.runJob(TRipForm::RecordToMp3, 0, {kit.input(QStringLiteral("rec.wav"))});
    EXPECT_TRUE(kit.prompt->messageTexts().isEmpty());
    EXPECT_GT(QFile(kit.input(QStringLiteral("rec.mp3"))).size(), 1000);
    EXPECT_TRUE(JobTestKit::filesIn(kit.out({})).isEmpty());
}

TEST_F(RipFormTest, WavToOggResamplesThroughTheTemporaryFile)
{
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("low.wav")), 2.0, 22050));
    bool sawTemporary = false;
    kit.runJob(TRipForm::WavToOgg, 0, {kit.input(QStringLiteral("low.wav"))}, [&](TRipForm& form) {
        QObject::connect(&form, &QWidget::windowTitleChanged, [&](const QString& t) {
            if (t.startsWith(QStringLiteral("Encoding"))) {
                sawTemporary = QFile::exists(kit.out(QStringLiteral("MyReTemp.wav")));
            }
        });
    });
    EXPECT_TRUE(sawTemporary);
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), QStringList{QStringLiteral("low.ogg")});
    EXPECT_NEAR(JobTestKit::durationSeconds(kit.out(QStringLiteral("low.ogg"))), 2.0, 0.05);
}

TEST_F(RipFormTest, WavToWmaEncodesEveryFile)
{
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("a.wav")), 1.0));
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("b.wav")), 2.0));
    kit.runJob(TRipForm::WavToWma, 0, {kit.input(QStringLiteral("a.wav")), kit.input(QStringLiteral("b.wav"))});
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), (QStringList{"a.wma", "b.wma"}));
    EXPECT_EQ(JobTestKit::probe(kit.out(QStringLiteral("b.wma")), QStringLiteral("stream=codec_name")),
              QStringLiteral("wmav2"));
    EXPECT_TRUE(kit.prompt->messageTexts().isEmpty());
}

TEST_F(RipFormTest, LongJobsShowThreeDigitNumbers)
{
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("a.wav")), 0.5));
    QStringList items;
    for (int i = 0; i < 120; ++i) {
        items << kit.input(QStringLiteral("a.wav"));
    }
    TRipForm form(nullptr, TRipForm::WavToMp3, 0, items, kit.mp3.get(), kit.wma.get());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Encoding(01/120): ") + items[0]);
    EXPECT_EQ(form.groupBox()->title(), QStringLiteral("Encoding WAV to MP3"));
    EXPECT_EQ(form.jobTitle(QStringLiteral("Encoding("), 99), QStringLiteral("Encoding(100/120): ") + items[0]);
    form.suitempbtStopClick();
    EXPECT_TRUE(form.jobFinished());
    EXPECT_FALSE(kit.mp3->isRunning());
}

TEST_F(RipFormTest, WmaTimerResetsAnInvalidProfileAndEstimates)
{
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("big.wav")), 15.0)); // 2.6 MB
    settings().WMABitRate = 40;
    TRipForm form(nullptr, TRipForm::WavToWma, 0, {kit.input(QStringLiteral("big.wav"))}, kit.mp3.get(),
                  kit.wma.get());
    QDateTime clock = QDateTime::currentDateTime();
    form.now = [&] { return clock; };
    form.setWmaStart(clock, QFile(kit.input(QStringLiteral("big.wav"))).size());
    clock = clock.addSecs(1);
    form.Timer1Timer();
    EXPECT_EQ(form.elapsedLabel()->text(), QStringLiteral("00:01"));
    EXPECT_EQ(settings().WMABitRate, 8);
    EXPECT_TRUE(form.timer()->isActive());
    form.suitempbtStopClick();
}

struct EstimateCase
{
    std::int64_t elapsed, input, current;
    int profile;
    std::optional<std::int64_t> estimate;
    int gauge;
};

class WmaEstimateTest : public ::testing::TestWithParam<EstimateCase>
{
};

TEST_P(WmaEstimateTest, FromOutputGrowth)
{
    const EstimateCase& c = GetParam();
    const auto result = WmaEstimate::compute(c.elapsed, c.input, c.current, c.profile);
    ASSERT_EQ(result.has_value(), c.estimate.has_value());
    if (result) {
        EXPECT_EQ(result->estimate, *c.estimate);
        EXPECT_EQ(result->gauge, c.gauge);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WmaEstimateTest,
    ::testing::Values(EstimateCase{1, 1500000, 1000, 8, 2, 50},          // small input: 2 seconds
                      EstimateCase{2, 1500000, 1000, 8, 3, 67},          // then one more than elapsed
                      EstimateCase{7, 1500000, 1000, 8, 8, 88},          //
                      EstimateCase{10, 50000000, 1000000, 5, 45, 22},    // 4,564,543 expected bytes
                      EstimateCase{1, 50000000, -1, 5, 2, 50},           // no output yet
                      EstimateCase{3, 50000000, 0, 5, std::nullopt, 0},  // empty output: nothing changes
                      EstimateCase{10, 3000000, 5000000, 8, 11, 91}));   // output beyond the expected size

class RipFormFormatTest : public RipFormTest, public ::testing::WithParamInterface<std::pair<int, const char*>>
{
};

TEST_P(RipFormFormatTest, TracksAreEncodedAndTheirWavFilesRemoved)
{
    settings().OutputFormat = GetParam().first;
    const QString extension = QString::fromLatin1(GetParam().second);
    const CDHandle handle = kit.openDisc({2.0, 1.5});
    kit.runJob(TRipForm::ExtractCD, handle, {"01First", "02Second"});
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), (QStringList{"First" + extension, "Second" + extension}));
    EXPECT_NEAR(JobTestKit::durationSeconds(kit.out("Second" + extension)), 1.5, 0.1);
    EXPECT_TRUE(kit.prompt->messageTexts().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Formats, RipFormFormatTest,
                         ::testing::Values(std::pair{int(ofMP3), ".mp3"}, std::pair{int(ofOGG), ".ogg"},
                                           std::pair{int(ofWMA), ".wma"}, std::pair{int(ofFLAC), ".flac"}));

TEST_F(RipFormTest, OutputInUseIsReportedAndTheJobGoesOn)
{
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("a.wav")), 1.0));
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("b.wav")), 1.0));
    ASSERT_TRUE(writeFileBytes(kit.out(QStringLiteral("a.mp3")), "held"));
    QFile holder(kit.out(QStringLiteral("a.mp3")));
    ASSERT_TRUE(holder.open(QIODevice::ReadOnly));
    kit.prompt->queueAnswer(Prompt::Answer::Yes);
    kit.runJob(TRipForm::WavToMp3, 0, {kit.input(QStringLiteral("a.wav")), kit.input(QStringLiteral("b.wav"))});
    EXPECT_EQ(kit.prompt->messageTexts().last(), kit.input(QStringLiteral("a.wav")) + "maybe be used,operate fail!");
    EXPECT_EQ(readFileBytes(kit.out(QStringLiteral("a.mp3"))), QByteArray("held"));
    EXPECT_TRUE(QFile::exists(kit.out(QStringLiteral("b.mp3"))));
}

class UnreadableInputTest : public RipFormTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(UnreadableInputTest, IsReportedAndTheNextFileFollows)
{
    const int mode = GetParam();
    const QString extension = mode == TRipForm::WavToOgg    ? QStringLiteral(".ogg")
                              : mode == TRipForm::WavToFlac ? QStringLiteral(".flac")
                                                            : QStringLiteral(".mp3");
    ASSERT_TRUE(writeFileBytes(kit.input(QStringLiteral("broken.wav")), QByteArray(5000, 'x')));
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("good.wav")), 1.0));
    kit.runJob(mode, 0, {kit.input(QStringLiteral("broken.wav")), kit.input(QStringLiteral("good.wav"))});
    ASSERT_EQ(kit.prompt->messageTexts().size(), 1);
    EXPECT_EQ(kit.prompt->messageTexts().first(),
              kit.input(QStringLiteral("broken.wav")) + QStringLiteral(" is not a WAV file that can be read."));
    EXPECT_EQ(JobTestKit::filesIn(kit.out({})), QStringList{QStringLiteral("good") + extension});
}

INSTANTIATE_TEST_SUITE_P(Modes, UnreadableInputTest,
                         ::testing::Values(int(TRipForm::WavToMp3), int(TRipForm::WavToOgg), int(TRipForm::WavToFlac)));

TEST_F(RipFormTest, FailedOggTransferIsReportedAndTheNextFileFollows)
{
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("a.wav")), 1.0));
    ASSERT_TRUE(writeToneWav(kit.input(QStringLiteral("b.wav")), 1.0));
    // The output name is taken by a folder: the file cannot be created.
    ASSERT_TRUE(QDir().mkpath(kit.out(QStringLiteral("a.ogg"))));
    kit.runJob(TRipForm::WavToOgg, 0, {kit.input(QStringLiteral("a.wav")), kit.input(QStringLiteral("b.wav"))});
    ASSERT_EQ(kit.prompt->messageTexts().size(), 1);
    EXPECT_TRUE(kit.prompt->messageTexts().first().contains(QStringLiteral("a.ogg")));
    EXPECT_TRUE(QFileInfo(kit.out(QStringLiteral("b.ogg"))).isFile());
}
