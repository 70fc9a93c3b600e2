#include "Id3TestFiles.h"

#include "meta/Genres.h"
#include "meta/Tid3tag.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

using namespace id3test;

namespace {

struct ToolRun
{
    bool started = false;
    int exitCode = -1;
    QByteArray out;
};

ToolRun run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // id3v2 converts its arguments from the locale's encoding to ISO-8859-1.
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    ToolRun result;
    result.started = process.waitForStarted(-1);
    if (result.started) {
        process.waitForFinished(-1);
        result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = process.readAllStandardOutput();
    }
    return result;
}

// Real MP3 audio made by ffmpeg, with no tag of any kind (ffprobe only looks at an ID3v1
// tag when the file carries no other metadata).
class ReferenceTools : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = std::make_unique<QTemporaryDir>();
        if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty()) {
            return;
        }
        const QString target = s_dir->filePath(QStringLiteral("sine.mp3"));
        const ToolRun made = run(QStringLiteral("ffmpeg"), {"-v",
                                                            "error",
                                                            "-y",
                                                            "-f",
                                                            "lavfi",
                                                            "-i",
                                                            "sine=frequency=440:duration=0.3",
                                                            "-ac",
                                                            "1",
                                                            "-ar",
                                                            "22050",
                                                            "-c:a",
                                                            "libmp3lame",
                                                            "-b:a",
                                                            "32k",
                                                            "-id3v2_version",
                                                            "0",
                                                            "-write_xing",
                                                            "0",
                                                            "-map_metadata",
                                                            "-1",
                                                            "-fflags",
                                                            "+bitexact",
                                                            target});
        if (made.exitCode == 0) {
            s_audio = readFile(target);
        }
    }
    static void TearDownTestSuite() { s_dir.reset(); }

    void SetUp() override
    {
        if (s_audio.isEmpty()) {
            GTEST_SKIP() << "ffmpeg could not make an MP3 file";
        }
        m_file = m_dir.filePath(QStringLiteral("song.mp3"));
        writeFile(m_file, s_audio);
    }

    static bool missing(const char* tool)
    {
        return QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty();
    }

    static inline std::unique_ptr<QTemporaryDir> s_dir;
    static inline QByteArray s_audio;
    QTemporaryDir m_dir;
    QString m_file;
};

struct Fields
{
    const char* name;
    QString title;
    QString artist;
    QString album;
    QString year;
    QString comment;
    int track;
    int genre;
};

class WrittenByUs : public ReferenceTools, public ::testing::WithParamInterface<Fields>
{
};

TEST_P(WrittenByUs, FfprobeReadsTheSameFields)
{
    if (missing("ffprobe")) {
        GTEST_SKIP() << "ffprobe is not installed";
    }
    const Fields& f = GetParam();
    Tid3tag tag;
    tag.setTitle(f.title);
    tag.setArtist(f.artist);
    tag.setAlbum(f.album);
    tag.setYear(f.year);
    tag.setComment(f.comment);
    tag.setTrack(static_cast<std::uint8_t>(f.track));
    tag.setGenre(static_cast<std::uint8_t>(f.genre));
    ASSERT_EQ(tag.save(m_file), 0);

    const ToolRun probe =
        run(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "format_tags", "-of", "json", m_file});
    ASSERT_EQ(probe.exitCode, 0);
    const QJsonObject tags = QJsonDocument::fromJson(probe.out).object()["format"].toObject()["tags"].toObject();
    EXPECT_EQ(tags["title"].toString(), f.title);
    EXPECT_EQ(tags["artist"].toString(), f.artist);
    EXPECT_EQ(tags["album"].toString(), f.album);
    EXPECT_EQ(tags["date"].toString(), f.year);
    EXPECT_EQ(tags["comment"].toString(), f.comment);
    EXPECT_EQ(tags["track"].toString(), f.track ? QString::number(f.track) : QString());
    EXPECT_EQ(tags["genre"].toString(), Genres::nameOf(f.genre));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrittenByUs,
    ::testing::Values(Fields{"WithTrack", "A Title", "The Artist", "Some Album", "1999", "Short note", 5, 17},
                      Fields{"FullWidthNoTrack", "Title of thirty characters ab", "Artist of thirty characters a",
                             "Album of exactly thirty chars.", "2024", "Comment of thirty characters!!", 0, 8},
                      Fields{"TrackMaxNoGenre", "t", "a", "b", "", "c", 255, 255},
                      Fields{"OtherGenre", "Other", "x", "y", "1970", "", 1, 12}),
    [](const auto& info) { return std::string(info.param.name); });

// ffprobe shows ID3v1 bytes as they are, so a Latin-1 byte is not valid UTF-8 to it; a
// title written as UTF-8 would come back readable instead.
TEST_F(ReferenceTools, NonAsciiIsOneLatin1ByteForFfprobe)
{
    if (missing("ffprobe")) {
        GTEST_SKIP() << "ffprobe is not installed";
    }
    Tid3tag tag;
    tag.setTitle(QStringLiteral("Alb\u00FCm"));
    ASSERT_EQ(tag.save(m_file), 0);
    const ToolRun probe =
        run(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "format_tags=title", "-of", "json", m_file});
    ASSERT_EQ(probe.exitCode, 0);
    const QJsonObject tags = QJsonDocument::fromJson(probe.out).object()["format"].toObject()["tags"].toObject();
    EXPECT_EQ(tags["title"].toString(), QStringLiteral("Alb\uFFFDm"));
}

TEST_F(ReferenceTools, Id3v2ListsOurLatin1Bytes)
{
    if (missing("id3v2")) {
        GTEST_SKIP() << "id3v2 is not installed";
    }
    Tid3tag tag;
    tag.setAlbum(QStringLiteral("Alb\u00FCm"));
    ASSERT_EQ(tag.save(m_file), 0);
    const ToolRun listed = run(QStringLiteral("id3v2"), {"-l", m_file});
    ASSERT_EQ(listed.exitCode, 0);
    EXPECT_TRUE(listed.out.contains("Alb\xFCm")) << listed.out.toStdString();
}

class WrittenById3v2 : public ReferenceTools, public ::testing::WithParamInterface<Fields>
{
};

TEST_P(WrittenById3v2, Tid3tagReadsTheSameFields)
{
    if (missing("id3v2")) {
        GTEST_SKIP() << "id3v2 is not installed";
    }
    const Fields& f = GetParam();
    const ToolRun written =
        run(QStringLiteral("id3v2"), {"-1", "-t", f.title, "-a", f.artist, "-A", f.album, "-y", f.year, "-c", f.comment,
                                      "-T", QString::number(f.track), "-g", QString::number(f.genre), m_file});
    ASSERT_EQ(written.exitCode, 0);
    ASSERT_EQ(readFile(m_file).size(), s_audio.size() + 128) << "id3v2 wrote more than an ID3v1 tag";

    Tid3tag tag;
    ASSERT_EQ(tag.read(m_file), 0);
    EXPECT_EQ(tag.title(), f.title);
    EXPECT_EQ(tag.artist(), f.artist);
    EXPECT_EQ(tag.album(), f.album);
    EXPECT_EQ(tag.year(), f.year);
    EXPECT_EQ(tag.comment(), f.comment);
    EXPECT_EQ(tag.track(), f.track);
    EXPECT_EQ(tag.hasTrack(), f.track != 0);
    EXPECT_EQ(tag.genre(), f.genre);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrittenById3v2,
    ::testing::Values(Fields{"Plain", "A Title", "The Artist", "Some Album", "1999", "Short note", 5, 17},
                      Fields{"Latin1", QStringLiteral("Caf\u00E9"), QStringLiteral("M\u00FCller"),
                             QStringLiteral("\u00C5lbum"), "2010", QStringLiteral("na\u00EFve"), 12, 8}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
