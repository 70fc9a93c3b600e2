#include "cd/DiscImageWriter.h"

#include "support/TempFolder.h"

#include <QFile>
#include <cdio/cdio.h>
#include <gtest/gtest.h>

namespace {

struct ImageCase
{
    const char* name;
    int firstTrack;
    std::vector<std::int64_t> frames;
};

class DiscImageOpens : public ::testing::TestWithParam<ImageCase>
{
};

// Every track starts where the writer put it, in libcdio's own reading of the image.
TEST_P(DiscImageOpens, WithTheAskedTrackStarts)
{
    const ImageCase& c = GetParam();
    TempFolder folder;
    DiscImageWriter writer;
    writer.setFirstTrack(c.firstTrack);
    for (const std::int64_t f : c.frames) {
        writer.addTrack(f);
    }
    const QString cue = folder.file(QStringLiteral("disc.cue"));
    QString error;
    ASSERT_TRUE(writer.write(cue, &error)) << error.toStdString();
    EXPECT_EQ(QFile(folder.file(QStringLiteral("disc.bin"))).size(), writer.totalFrames() * 2352);

    CdIo_t* cdio = cdio_open(cue.toLocal8Bit().constData(), DRIVER_BINCUE);
    ASSERT_NE(cdio, nullptr);
    EXPECT_EQ(cdio_get_first_track_num(cdio), c.firstTrack);
    ASSERT_EQ(cdio_get_num_tracks(cdio), c.frames.size());
    std::int64_t start = 0;
    for (std::size_t i = 0; i < c.frames.size(); ++i) {
        EXPECT_EQ(cdio_get_track_lsn(cdio, static_cast<track_t>(c.firstTrack + i)), start) << "track index " << i;
        EXPECT_EQ(cdio_get_track_format(cdio, static_cast<track_t>(c.firstTrack + i)), TRACK_FORMAT_AUDIO);
        start += c.frames[i];
    }
    EXPECT_EQ(cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK), start);
    EXPECT_EQ(cdio_get_discmode(cdio), CDIO_DISC_MODE_CD_DA);
    cdio_destroy(cdio);
}

INSTANTIATE_TEST_SUITE_P(Images, DiscImageOpens,
                         ::testing::Values(ImageCase{"ThreeTracks", 1, {30 * 75, 45 * 75, 10 * 75}},
                                           ImageCase{"OddFrames", 2, {1, 74, 76}},
                                           ImageCase{"SingleTrack", 7, {(3 * 60 + 30) * 75 + 12}},
                                           ImageCase{"UpToNinetyNine", 97, {75, 75, 75}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DiscImageWriter, TracksAndSecondsOfATrackSoundDifferent)
{
    TempFolder folder;
    DiscImageWriter writer;
    writer.addTrack(3 * 75);
    writer.addTrack(3 * 75);
    ASSERT_TRUE(writer.write(folder.file(QStringLiteral("d.cue"))));
    const QByteArray bin = readFileBytes(folder.file(QStringLiteral("d.bin")));
    const auto frame = [&](std::int64_t n) { return bin.mid(n * 2352, 2352); };
    // A read from the wrong frame, second or track must never match by chance.
    EXPECT_NE(frame(0), frame(1));
    EXPECT_NE(frame(0), frame(75));
    EXPECT_NE(frame(1), frame(76));
    EXPECT_NE(frame(0), frame(3 * 75));
    // Left and right differ, so swapped channels show.
    EXPECT_NE(bin.mid(4, 2), bin.mid(6, 2));
}

TEST(DiscImageWriter, BinTakesTheCueBaseName)
{
    EXPECT_EQ(DiscImageWriter::binPathFor(QStringLiteral("/x/y/demo.disc.cue")), QStringLiteral("/x/y/demo.disc.bin"));
}

struct BadImage
{
    const char* name;
    int firstTrack;
    std::vector<std::int64_t> frames;
};

class DiscImageRefused : public ::testing::TestWithParam<BadImage>
{
};

TEST_P(DiscImageRefused, WritesNothing)
{
    TempFolder folder;
    DiscImageWriter writer;
    writer.setFirstTrack(GetParam().firstTrack);
    for (const std::int64_t f : GetParam().frames) {
        writer.addTrack(f);
    }
    QString error;
    EXPECT_FALSE(writer.write(folder.file(QStringLiteral("d.cue")), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("d.cue"))));
    EXPECT_FALSE(QFile::exists(folder.file(QStringLiteral("d.bin"))));
}

INSTANTIATE_TEST_SUITE_P(Images, DiscImageRefused,
                         ::testing::Values(BadImage{"NoTracks", 1, {}}, BadImage{"EmptyTrack", 1, {75, 0}},
                                           BadImage{"TrackZero", 0, {75}},
                                           BadImage{"PastNinetyNine", 98, {75, 75, 75}}),
                         [](const auto& info) { return std::string(info.param.name); });

struct CommandCase
{
    const char* name;
    QStringList args;
    int firstTrack; // -1: refused
    std::vector<std::int64_t> frames;
};

class MkDiscImageArguments : public ::testing::TestWithParam<CommandCase>
{
};

TEST_P(MkDiscImageArguments, Parse)
{
    const CommandCase& c = GetParam();
    DiscImageWriter writer;
    QString cue;
    QString error;
    const bool ok = DiscImageWriter::parseArguments(c.args, writer, cue, error);
    if (c.firstTrack < 0) {
        EXPECT_FALSE(ok);
        EXPECT_FALSE(error.isEmpty());
        return;
    }
    ASSERT_TRUE(ok) << error.toStdString();
    EXPECT_EQ(cue, QStringLiteral("out.cue"));
    EXPECT_EQ(writer.firstTrack(), c.firstTrack);
    EXPECT_EQ(writer.trackLengths(), c.frames);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, MkDiscImageArguments,
    ::testing::Values(CommandCase{"LastLengthRepeats",
                                  {"out.cue", "--first", "2", "--tracks", "3", "--seconds", "30,45"},
                                  2,
                                  {2250, 3375, 3375}},
                      CommandCase{"MinutesSecondsFrames", {"out.cue", "--seconds", "3:30:12,0:0:1"}, 1, {15762, 1}},
                      CommandCase{"DefaultLength", {"out.cue", "--tracks", "2"}, 1, {2250, 2250}},
                      CommandCase{"NoOutput", {"--tracks", "2"}, -1, {}},
                      CommandCase{"ZeroLength", {"out.cue", "--seconds", "0"}, -1, {}},
                      CommandCase{"SecondsOutOfRange", {"out.cue", "--seconds", "1:60:00"}, -1, {}},
                      CommandCase{"NotANumber", {"out.cue", "--tracks", "many"}, -1, {}},
                      CommandCase{"TwoOutputs", {"out.cue", "other.cue"}, -1, {}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
