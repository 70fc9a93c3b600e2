#include "Id3TestFiles.h"

#include "meta/Genres.h"
#include "meta/Tid3tag.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace id3test;

namespace {

class Tid3tagFiles : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString fileWith(const QString& name, const QByteArray& bytes) const
    {
        writeFile(path(name), bytes);
        return path(name);
    }

    static Tid3tag filledTag()
    {
        Tid3tag tag;
        tag.setTitle(QStringLiteral("Title"));
        tag.setArtist(QStringLiteral("Artist"));
        tag.setAlbum(QStringLiteral("Album"));
        tag.setYear(QStringLiteral("1999"));
        tag.setComment(QStringLiteral("Comment"));
        tag.setGenre(17);
        tag.setTrack(3);
        return tag;
    }

    QTemporaryDir m_dir;
};

// ---- where the tag goes -------------------------------------------------------------

class SaveIntoFileOfSize : public Tid3tagFiles, public ::testing::WithParamInterface<int>
{
};

// Files without a tag, including ones shorter than a tag, get it appended; the audio before
// it is untouched and a second save overwrites the first tag instead of adding another.
TEST_P(SaveIntoFileOfSize, AppendsOnceThenOverwrites)
{
    const QByteArray audio = audioBytes(GetParam());
    const QString file = fileWith(QStringLiteral("a.mp3"), audio);

    Tid3tag tag = filledTag();
    ASSERT_EQ(tag.save(file), 0);
    QByteArray bytes = readFile(file);
    ASSERT_EQ(bytes.size(), audio.size() + 128);
    EXPECT_EQ(bytes.first(audio.size()), audio);
    EXPECT_TRUE(bytes.sliced(audio.size()).startsWith("TAG"));
    EXPECT_EQ(tag.lastFile(), file);

    tag.setTitle(QStringLiteral("Second"));
    ASSERT_EQ(tag.save(file), 0);
    bytes = readFile(file);
    ASSERT_EQ(bytes.size(), audio.size() + 128);
    EXPECT_EQ(bytes.first(audio.size()), audio);

    Tid3tag back;
    EXPECT_EQ(back.read(file), 0);
    EXPECT_EQ(back.title(), QStringLiteral("Second"));
    EXPECT_EQ(back.artist(), QStringLiteral("Artist"));
    EXPECT_EQ(back.track(), 3);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SaveIntoFileOfSize, ::testing::Values(0, 3, 127, 128, 129, 4000));

TEST_F(Tid3tagFiles, FileThatIsOnlyATagIsOverwritten)
{
    const QString file = fileWith(QStringLiteral("only.mp3"), emptyBlock());
    Tid3tag tag = filledTag();
    ASSERT_EQ(tag.save(file), 0);
    EXPECT_EQ(readFile(file), tag.render());
}

// ---- the bytes written --------------------------------------------------------------

TEST(Tid3tagRender, NewTagIsAllZeroWithNoGenre)
{
    QByteArray expected = emptyBlock();
    putByte(expected, 127, 255);
    EXPECT_EQ(Tid3tag().render(), expected);
}

TEST(Tid3tagRender, TextsArePaddedWithZeros)
{
    Tid3tag tag;
    tag.setTitle(QStringLiteral("Abc"));
    tag.setArtist(QStringLiteral("Art"));
    tag.setAlbum(QStringLiteral("Alb"));
    tag.setYear(QStringLiteral("1987"));
    tag.setComment(QStringLiteral("Hi"));
    tag.setGenre(12);

    QByteArray expected = emptyBlock();
    put(expected, 3, "Abc");
    put(expected, 33, "Art");
    put(expected, 63, "Alb");
    put(expected, 93, "1987");
    put(expected, 97, "Hi");
    putByte(expected, 127, 12);
    EXPECT_EQ(tag.render(), expected);
}

struct CommentCase
{
    const char* name;
    int track;
    QByteArray comment;
    QByteArray expectedBytes97to126; // 30 bytes
};

class RenderComment : public ::testing::TestWithParam<CommentCase>
{
};

TEST_P(RenderComment, CommentAndTrackBytes)
{
    const CommentCase& c = GetParam();
    Tid3tag tag;
    tag.setComment(QString::fromLatin1(c.comment));
    tag.setTrack(static_cast<std::uint8_t>(c.track));
    EXPECT_EQ(tag.hasTrack(), c.track != 0);
    ASSERT_EQ(c.expectedBytes97to126.size(), 30);
    EXPECT_EQ(tag.render().sliced(97, 30), c.expectedBytes97to126);
}

const QByteArray thirty = "abcdefghijklmnopqrstuvwxyz1234";

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderComment,
    ::testing::Values(CommentCase{"Track5Cuts28", 5, thirty, thirty.first(28) + QByteArray(1, '\0') + "\x05"},
                      CommentCase{"Track0KeepsAll30", 0, thirty, thirty},
                      CommentCase{"ShortWithTrack", 99, "Hi", QByteArray("Hi") + QByteArray(27, '\0') + "\x63"},
                      CommentCase{"ShortNoTrack", 0, "Hi", QByteArray("Hi") + QByteArray(28, '\0')}),
    [](const auto& info) { return std::string(info.param.name); });

// Limits count characters; text on disk is one ISO-8859-1 byte per character.
struct TextCase
{
    const char* name;
    QString given;
    QString kept;          // what the setter keeps
    QByteArray titleBytes; // the 30 bytes written
};

class TitleText : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(TitleText, KeptAndWritten)
{
    const TextCase& c = GetParam();
    Tid3tag tag;
    tag.setTitle(c.given);
    EXPECT_EQ(tag.title(), c.kept);
    QByteArray expected = c.titleBytes;
    expected.append(QByteArray(30 - expected.size(), '\0'));
    EXPECT_EQ(tag.render().sliced(3, 30), expected);
}

const QString grin = QString::fromUcs4(U"\U0001F600");

INSTANTIATE_TEST_SUITE_P(Cases, TitleText,
                         ::testing::Values(TextCase{"Latin1", QStringLiteral("M\u00FCller \u00E9t\u00E9"),
                                                    QStringLiteral("M\u00FCller \u00E9t\u00E9"), "M\xFCller \xE9t\xE9"},
                                           TextCase{"OutsideLatin1", QStringLiteral("\u03A9mega \u20AC"),
                                                    QStringLiteral("\u03A9mega \u20AC"), "?mega ?"},
                                           TextCase{"CutTo30", QString(thirty) + "XYZ", QString(thirty), thirty},
                                           TextCase{"PairCountsOnce", QString(29, 'a') + grin + "b",
                                                    QString(29, 'a') + grin, QByteArray(29, 'a') + "?"},
                                           TextCase{"PairInside", "a" + grin + "b", "a" + grin + "b", "a?b"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Tid3tagSetters, YearKeepsFourCharactersAndTrackSetsHasTrack)
{
    Tid3tag tag;
    tag.setYear(QStringLiteral("19999"));
    EXPECT_EQ(tag.year(), QStringLiteral("1999"));
    tag.setTrack(9);
    EXPECT_TRUE(tag.hasTrack());
    tag.setTrack(0);
    EXPECT_FALSE(tag.hasTrack());
}

// ---- reading ------------------------------------------------------------------------

struct ParseCase
{
    const char* name;
    QByteArray block;
    std::uint16_t result;
    QString title;
    QString comment;
    int track;
    bool hasTrack;
};

ParseCase parseCase(const char* name, int titleTail, QByteArray comment30, int b125, int b126, int genre,
                    std::uint16_t result, QString title, QString comment, int track, bool hasTrack)
{
    QByteArray block = emptyBlock();
    put(block, 3, "Abc");
    if (titleTail >= 0) {
        put(block, 6, QByteArray(27, static_cast<char>(titleTail)));
    }
    put(block, 97, comment30);
    putByte(block, 125, b125);
    putByte(block, 126, b126);
    putByte(block, 127, genre);
    return ParseCase{name, block, result, title, comment, track, hasTrack};
}

class ParseBlock : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(ParseBlock, Fields)
{
    const ParseCase& c = GetParam();
    Tid3tag tag;
    // The whole file is given: only its last 128 bytes count.
    EXPECT_EQ(tag.parse(audioBytes(500) + c.block), c.result);
    EXPECT_EQ(tag.title(), c.title);
    EXPECT_EQ(tag.comment(), c.comment);
    EXPECT_EQ(tag.track(), c.track);
    EXPECT_EQ(tag.hasTrack(), c.hasTrack);
}

const QByteArray c28 = "0123456789012345678901234567";

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseBlock,
    ::testing::Values(parseCase("Track7", 0, c28, 0, 7, 0, 0, "Abc", QString(c28), 7, true),
                      parseCase("NoMarkNoTrack", 0, c28, 'x', 7, 0, 0, "Abc", QString(c28) + "x\x07", 0, false),
                      parseCase("BothZero", 0, "Note", 0, 0, 0, 0, "Abc", "Note", 0, false),
                      parseCase("TrailingSpacesDropped", ' ', "Note  ", 0, 0, 0, 0, "Abc", "Note", 0, false),
                      parseCase("TrailingFFDropped", 0xFF, "Note\xFF", 0, 0, 0, 0, "Abc", "Note", 0, false),
                      parseCase("Latin1", 0xFC, "caf\xE9", 0, 0, 0, 0,
                                QStringLiteral("Abc\u00FC") + QString(26, QChar(0xFC)), QStringLiteral("caf\u00E9"), 0,
                                false),
                      parseCase("Genre200Warns", 0, "", 0, 0, 200, 128, "Abc", "", 0, false),
                      parseCase("Genre148Warns", 0, "", 0, 0, 148, 128, "Abc", "", 0, false),
                      parseCase("Genre255IsNone", 0, "", 0, 0, 255, 0, "Abc", "", 0, false),
                      parseCase("Genre147IsValid", 0, "", 0, 0, 147, 0, "Abc", "", 0, false)),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Tid3tagParse, LeadingAndInnerSpacesStay)
{
    QByteArray block = emptyBlock();
    put(block, 3, " A  b ");
    Tid3tag tag;
    ASSERT_EQ(tag.parse(block), 0);
    EXPECT_EQ(tag.title(), QStringLiteral(" A  b"));
}

TEST(Tid3tagParse, Genre200MapsToTheEmptyEntry)
{
    QByteArray block = emptyBlock();
    putByte(block, 127, 200);
    Tid3tag tag;
    EXPECT_EQ(tag.parse(block), 128);
    EXPECT_EQ(tag.genre(), 200);
    EXPECT_EQ(Genres::listPositionOfGenre(tag.genre()), 0);
}

TEST(Tid3tagParse, NoTagLeavesFieldsAlone)
{
    Tid3tag tag;
    tag.setTitle(QStringLiteral("Kept"));
    EXPECT_EQ(tag.parse(QByteArray("TAG")), 0x1000);
    EXPECT_EQ(tag.parse(audioBytes(300)), 0x1000);
    EXPECT_EQ(tag.title(), QStringLiteral("Kept"));
}

TEST_F(Tid3tagFiles, ReadTagWrittenByHand)
{
    QByteArray block = emptyBlock();
    put(block, 3, "Abc");
    put(block, 33, "Art");
    put(block, 63, "Alb");
    put(block, 93, "2001");
    put(block, 97, "Com");
    putByte(block, 126, 4);
    putByte(block, 127, 8);
    const QString file = fileWith(QStringLiteral("t.mp3"), audioBytes(1000) + block);
    Tid3tag tag;
    ASSERT_EQ(tag.read(file), 0);
    EXPECT_EQ(tag.title(), QStringLiteral("Abc"));
    EXPECT_EQ(tag.artist(), QStringLiteral("Art"));
    EXPECT_EQ(tag.album(), QStringLiteral("Alb"));
    EXPECT_EQ(tag.year(), QStringLiteral("2001"));
    EXPECT_EQ(tag.comment(), QStringLiteral("Com"));
    EXPECT_EQ(tag.track(), 4);
    EXPECT_EQ(tag.genre(), 8);
    EXPECT_FALSE(tag.readOnly());
    EXPECT_EQ(tag.lastFile(), file);
}

// ---- result codes and the file last used -------------------------------------------

TEST_F(Tid3tagFiles, MissingFileOrFolderCannotBeOpened)
{
    Tid3tag tag;
    EXPECT_EQ(tag.read(path(QStringLiteral("missing.mp3"))), 256);
    EXPECT_EQ(tag.save(path(QStringLiteral("missing.mp3"))), 256);
    EXPECT_FALSE(QFile::exists(path(QStringLiteral("missing.mp3"))));
    EXPECT_EQ(tag.read(m_dir.path()), 256);
    EXPECT_EQ(tag.save(m_dir.path()), 256);
    EXPECT_TRUE(tag.lastFile().isEmpty());
}

TEST_F(Tid3tagFiles, SaveToLastFileBeforeAnyReadFails)
{
    Tid3tag tag;
    EXPECT_EQ(tag.save(QStringLiteral("=")), 256);
}

struct NoTagCase
{
    const char* name;
    QByteArray contents;
};

class ReadWithoutTag : public Tid3tagFiles, public ::testing::WithParamInterface<NoTagCase>
{
};

// The file still counts as read: a later save with "=" writes a new tag into it.
TEST_P(ReadWithoutTag, GivesNoTagAndRemembersTheFile)
{
    const QString file = fileWith(QStringLiteral("n.mp3"), GetParam().contents);
    Tid3tag tag;
    EXPECT_EQ(tag.read(file), 0x1000);
    EXPECT_EQ(tag.lastFile(), file);

    tag.setTitle(QStringLiteral("New"));
    ASSERT_EQ(tag.save(QStringLiteral("=")), 0);
    EXPECT_EQ(readFile(file).size(), GetParam().contents.size() + 128);
    Tid3tag back;
    EXPECT_EQ(back.read(file), 0);
    EXPECT_EQ(back.title(), QStringLiteral("New"));
}

INSTANTIATE_TEST_SUITE_P(Cases, ReadWithoutTag,
                         ::testing::Values(NoTagCase{"Empty", QByteArray()}, NoTagCase{"Short", "TAG"},
                                           NoTagCase{"NoMarker", audioBytes(1000)},
                                           NoTagCase{"MarkerNotAtTail", emptyBlock() + audioBytes(100)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Tid3tagFiles, SaveAsKeepsTheFileLastReadForEquals)
{
    const QString first = fileWith(QStringLiteral("first.mp3"), audioBytes(200) + emptyBlock());
    const QString second = fileWith(QStringLiteral("second.mp3"), audioBytes(300));
    Tid3tag tag;
    ASSERT_EQ(tag.read(first), 0);
    EXPECT_EQ(tag.save(path(QStringLiteral("missing.mp3"))), 256);
    EXPECT_EQ(tag.lastFile(), first);
    ASSERT_EQ(tag.save(second), 0);
    EXPECT_EQ(tag.lastFile(), second);
    tag.setTitle(QStringLiteral("Again"));
    ASSERT_EQ(tag.save(QStringLiteral("=")), 0);
    Tid3tag back;
    ASSERT_EQ(back.read(second), 0);
    EXPECT_EQ(back.title(), QStringLiteral("Again"));
}

// ---- remove -------------------------------------------------------------------------

struct RemoveCase
{
    const char* name;
    QByteArray contents;
    int sizeAfter;
};

class RemoveTag : public Tid3tagFiles, public ::testing::WithParamInterface<RemoveCase>
{
};

TEST_P(RemoveTag, CutsOnlyARealTag)
{
    const RemoveCase& c = GetParam();
    const QString file = fileWith(QStringLiteral("r.mp3"), c.contents);
    Tid3tag tag;
    tag.read(file);
    tag.remove();
    EXPECT_EQ(readFile(file), c.contents.first(c.sizeAfter));
}

INSTANTIATE_TEST_SUITE_P(Cases, RemoveTag,
                         ::testing::Values(RemoveCase{"WithTag", audioBytes(700) + emptyBlock(), 700},
                                           RemoveCase{"OnlyATag", emptyBlock(), 0},
                                           RemoveCase{"NoTag", audioBytes(700), 700}, RemoveCase{"Short", "TAG", 3},
                                           RemoveCase{"Empty", QByteArray(), 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Tid3tagRemove, WithoutAFileDoesNothing)
{
    Tid3tag tag;
    tag.remove();
    EXPECT_TRUE(tag.lastFile().isEmpty());
}

} // namespace
