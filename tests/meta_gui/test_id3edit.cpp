#include "meta/Genres.h"
#include "meta/Id3TestFiles.h"
#include "meta/gui/TfrmID3Edit.h"
#include "platform/ScriptedPrompt.h"
#include "settings/TSettings.h"
#include "support/TempFolder.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QValidator>
#include <gtest/gtest.h>

using namespace id3test;

namespace {

struct StoredTag
{
    QByteArray title, artist, album, year, comment;
    int track = 0;
    int genre = 255;
};

QByteArray tagBlock(const StoredTag& t)
{
    QByteArray block = emptyBlock();
    put(block, 3, t.title);
    put(block, 33, t.artist);
    put(block, 63, t.album);
    put(block, 93, t.year);
    put(block, 97, t.comment);
    if (t.track != 0) {
        putByte(block, 125, 0);
        putByte(block, 126, t.track);
    }
    putByte(block, 127, t.genre);
    return block;
}

QByteArray lastBlock(const QString& path)
{
    return readFile(path).right(128);
}

QByteArray field(const QByteArray& block, int offset, int width)
{
    QByteArray bytes = block.mid(offset, width);
    while (bytes.endsWith('\0')) {
        bytes.chop(1);
    }
    return bytes;
}

class ID3EditTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        prompt = std::make_shared<ScriptedPrompt>();
        Prompt::install(prompt);
        settings() = TSettings{};
        form = std::make_unique<TfrmID3Edit>();
    }
    void TearDown() override
    {
        form.reset();
        Prompt::install(nullptr);
    }

    QString mp3(const QString& name, const std::optional<StoredTag>& tag = std::nullopt, int audio = 4000)
    {
        const QString path = dir.file(name);
        writeFile(path, audioBytes(audio) + (tag ? tagBlock(*tag) : QByteArray()));
        return path;
    }

    void load(const QString& path)
    {
        prompt->queueOpenFiles({path});
        form->suitempbLoadTagClick();
    }

    void saveAs(const QString& path)
    {
        prompt->queueOpenFiles({path});
        form->suitempbSaveASClick();
    }

    TempFolder dir;
    std::shared_ptr<ScriptedPrompt> prompt;
    std::unique_ptr<TfrmID3Edit> form;
};

StoredTag sample()
{
    return {"Song", "Singer", "Record", "1987", "Liner note", 7, 12};
}

TEST_F(ID3EditTest, StartsUnloadedWithTheLimitsAndTheGenreList)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ID3 Tag Edit"));
    EXPECT_FALSE(form->bSaveTag->isEnabled());
    EXPECT_FALSE(form->bRemoveTag->isEnabled());
    EXPECT_TRUE(form->bSaveAS->isEnabled());
    EXPECT_EQ(form->ID3title->maxLength(), 30);
    EXPECT_EQ(form->ID3artist->maxLength(), 30);
    EXPECT_EQ(form->ID3album->maxLength(), 30);
    EXPECT_EQ(form->ID3comment->maxLength(), 30);
    EXPECT_EQ(form->ID3year->maxLength(), 4);
    EXPECT_EQ(form->ID3track->maxLength(), 2);
    ASSERT_EQ(form->ID3genre->count(), 149);
    EXPECT_EQ(form->ID3genre->itemText(0), QString());
    EXPECT_EQ(form->ID3genre->itemText(1), QStringLiteral("A Cappella"));
    EXPECT_EQ(form->ID3genre->itemText(148), QStringLiteral("Vocal"));
    EXPECT_FALSE(form->ID3genre->isEditable());
}

TEST_F(ID3EditTest, LoadShowsEveryFieldAndNamesTheFile)
{
    const QString path = mp3(QStringLiteral("a.mp3"), sample());
    load(path);
    ASSERT_EQ(prompt->calls().size(), 1);
    EXPECT_EQ(prompt->calls()[0].dialog.filter, QStringLiteral("Index files (*.mp3)|*.mp3"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ID3 Tag Edit: ") + path);
    EXPECT_EQ(form->ID3title->text(), QStringLiteral("Song"));
    EXPECT_EQ(form->ID3artist->text(), QStringLiteral("Singer"));
    EXPECT_EQ(form->ID3album->text(), QStringLiteral("Record"));
    EXPECT_EQ(form->ID3year->text(), QStringLiteral("1987"));
    EXPECT_EQ(form->ID3comment->text(), QStringLiteral("Liner note"));
    EXPECT_EQ(form->ID3track->text(), QStringLiteral("7"));
    EXPECT_EQ(form->ID3genre->currentText(), QStringLiteral("Other"));
    EXPECT_TRUE(form->bSaveTag->isEnabled());
    EXPECT_TRUE(form->bRemoveTag->isEnabled());
}

TEST_F(ID3EditTest, CancelledLoadChangesNothing)
{
    form->suitempbLoadTagClick();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ID3 Tag Edit"));
    EXPECT_FALSE(form->bSaveTag->isEnabled());
}

struct GenreCase
{
    int stored;    // genre byte in the file
    int listEntry; // entry the editor selects
    int written;   // genre byte after saving the selection unchanged
};

class ID3EditGenre : public ID3EditTest, public ::testing::WithParamInterface<GenreCase>
{
};

TEST_P(ID3EditGenre, SelectsTheEntryAndWritesItBack)
{
    const GenreCase& c = GetParam();
    StoredTag t = sample();
    t.genre = c.stored;
    const QString path = mp3(QStringLiteral("g.mp3"), t);
    load(path);
    EXPECT_EQ(form->ID3genre->currentIndex(), c.listEntry);
    form->aSaveTag->trigger();
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
    EXPECT_EQ(static_cast<unsigned char>(lastBlock(path).at(127)), c.written);
}

INSTANTIATE_TEST_SUITE_P(Genres, ID3EditGenre,
                         ::testing::Values(GenreCase{255, 0, 255},   // none: the empty entry
                                           GenreCase{12, 96, 12},    // Other
                                           GenreCase{0, 18, 0},      // Blues
                                           GenreCase{147, 137, 147}, // Synthpop
                                           GenreCase{200, 0, 255})); // unknown number: none

TEST_F(ID3EditTest, ChangedFieldsAreSavedIntoTheLoadedFile)
{
    const QString path = mp3(QStringLiteral("a.mp3"), sample());
    load(path);
    form->ID3artist->setText(QStringLiteral("Another Singer"));
    form->ID3genre->setCurrentIndex(Genres::listPositionOfGenre(17)); // Rock
    form->ID3track->setText(QStringLiteral("12"));
    form->aSaveTag->trigger();
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
    const QByteArray block = lastBlock(path);
    EXPECT_EQ(readFile(path).size(), 4000 + 128);
    EXPECT_EQ(field(block, 3, 30), QByteArray("Song"));
    EXPECT_EQ(field(block, 33, 30), QByteArray("Another Singer"));
    EXPECT_EQ(field(block, 97, 28), QByteArray("Liner note"));
    EXPECT_EQ(block.at(125), '\0');
    EXPECT_EQ(block.at(126), 12);
    EXPECT_EQ(block.at(127), 17);
}

struct TrackCase
{
    const char* typed;
    int written; // 0: no track, the comment takes all 30 bytes
};

class ID3EditTrack : public ID3EditTest, public ::testing::WithParamInterface<TrackCase>
{
};

TEST_P(ID3EditTrack, TrackFieldDecidesTheTrackByte)
{
    const TrackCase& c = GetParam();
    const QString path = mp3(QStringLiteral("t.mp3"), sample());
    load(path);
    form->ID3comment->setText(QStringLiteral("Comment of thirty characters!!"));
    form->ID3track->setText(QString::fromLatin1(c.typed));
    form->aSaveTag->trigger();
    const QByteArray block = lastBlock(path);
    if (c.written == 0) {
        EXPECT_EQ(block.mid(97, 30), QByteArray("Comment of thirty characters!!"));
    } else {
        EXPECT_EQ(block.mid(97, 28), QByteArray("Comment of thirty characters"));
        EXPECT_EQ(block.at(125), '\0');
        EXPECT_EQ(block.at(126), c.written);
    }
}

INSTANTIATE_TEST_SUITE_P(Tracks, ID3EditTrack,
                         ::testing::Values(TrackCase{"", 7}, // empty: the track the tag had when read
                                           TrackCase{"3", 3}, TrackCase{"99", 99}, TrackCase{"0", 0}));

TEST_F(ID3EditTest, TrackFieldTakesDigitsOnly)
{
    const QValidator* digits = form->ID3track->validator();
    ASSERT_NE(digits, nullptr);
    for (const char* text : {"a", "1a", "-1", " 1", "+2", "1.", "123"}) {
        QString input = QString::fromLatin1(text);
        int at = 0;
        EXPECT_EQ(digits->validate(input, at), QValidator::Invalid) << text;
    }
    for (const char* text : {"", "0", "42", "99"}) {
        QString input = QString::fromLatin1(text);
        int at = 0;
        EXPECT_EQ(digits->validate(input, at), QValidator::Acceptable) << text;
    }
}

TEST_F(ID3EditTest, FileWithoutTagClearsTheFieldsAndStillTakesANewTag)
{
    load(mp3(QStringLiteral("a.mp3"), sample()));
    const QString bare = mp3(QStringLiteral("bare.mp3"));
    load(bare);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ID3 Tag Edit: ") + bare);
    EXPECT_EQ(form->ID3title->text(), QString());
    EXPECT_EQ(form->ID3comment->text(), QString());
    EXPECT_EQ(form->ID3genre->currentIndex(), -1);
    EXPECT_EQ(form->ID3track->text(), QStringLiteral("0"));
    EXPECT_TRUE(form->bSaveTag->isEnabled());

    form->ID3title->setText(QStringLiteral("Fresh"));
    form->ID3track->clear(); // nothing was read, so no track is kept from the earlier file
    form->aSaveTag->trigger();
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
    const QByteArray bytes = readFile(bare);
    ASSERT_EQ(bytes.size(), 4000 + 128);
    const QByteArray block = bytes.right(128);
    EXPECT_EQ(field(block, 3, 30), QByteArray("Fresh"));
    EXPECT_EQ(block.at(126), '\0');
    EXPECT_EQ(static_cast<unsigned char>(block.at(127)), 255);
}

TEST_F(ID3EditTest, SaveAsWritesTheOtherFileAndSaveTagStaysWithTheLoadedOne)
{
    const QString first = mp3(QStringLiteral("first.mp3"), sample());
    const QString second = mp3(QStringLiteral("second.mp3"), std::nullopt, 3000);
    load(first);
    form->ID3title->setText(QStringLiteral("Copied"));
    saveAs(second);
    EXPECT_TRUE(prompt->messageTexts().isEmpty());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ID3 Tag Edit: ") + second);
    EXPECT_EQ(readFile(second).size(), 3000 + 128);
    EXPECT_EQ(field(lastBlock(second), 3, 30), QByteArray("Copied"));
    EXPECT_EQ(field(lastBlock(first), 3, 30), QByteArray("Song"));

    form->ID3title->setText(QStringLiteral("Saved"));
    form->aSaveTag->trigger();
    EXPECT_EQ(field(lastBlock(first), 3, 30), QByteArray("Saved"));
    EXPECT_EQ(field(lastBlock(second), 3, 30), QByteArray("Copied"));

    // Remove works on the loaded file too.
    prompt->queueAnswer(Prompt::Answer::Yes);
    form->aRemoveTag->trigger();
    EXPECT_EQ(readFile(first).size(), 4000);
    EXPECT_EQ(readFile(second).size(), 3000 + 128);
}

TEST_F(ID3EditTest, FailedSaveAsKeepsTheCaptionAndSaysSo)
{
    const QString first = mp3(QStringLiteral("first.mp3"), sample());
    load(first);
    saveAs(dir.file(QStringLiteral("missing.mp3")));
    EXPECT_EQ(prompt->messageTexts(), QStringList{QStringLiteral("Could not save Tag!")});
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ID3 Tag Edit: ") + first);
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("missing.mp3"))));
}

TEST_F(ID3EditTest, RemoveAsksFirstWithNoPreselected)
{
    const QString path = mp3(QStringLiteral("a.mp3"), sample());
    load(path);
    prompt->queueAnswer(Prompt::Answer::No);
    form->aRemoveTag->trigger();
    ASSERT_EQ(prompt->calls().size(), 2);
    const Prompt::Message asked = prompt->calls()[1].message;
    EXPECT_EQ(asked.text, QStringLiteral("Do you want to remove these tags?"));
    EXPECT_EQ(asked.caption, QStringLiteral("Tarnwick"));
    EXPECT_EQ(asked.buttons, Prompt::Buttons::YesNo);
    EXPECT_EQ(asked.defaultButton, Prompt::Answer::No);
    EXPECT_EQ(asked.icon, Prompt::Icon::Information);
    EXPECT_EQ(readFile(path).size(), 4000 + 128);
    EXPECT_EQ(form->ID3title->text(), QStringLiteral("Song"));

    prompt->queueAnswer(Prompt::Answer::Yes);
    form->aRemoveTag->trigger();
    EXPECT_EQ(readFile(path), audioBytes(4000));
    EXPECT_EQ(form->ID3title->text(), QString());
    EXPECT_EQ(form->ID3track->text(), QStringLiteral("0"));
}

// What happened to the loaded file before "Save Tag".
// (A read-only file is the tag class's own test: permission bits do not stop root.)
enum class Change { Removed, Folder };

class ID3EditChangedTarget : public ID3EditTest, public ::testing::WithParamInterface<Change>
{
};

TEST_P(ID3EditChangedTarget, SaveReportsFailureAndWritesNothing)
{
    const QString path = mp3(QStringLiteral("a.mp3"), sample());
    load(path);
    switch (GetParam()) {
    case Change::Removed:
        QFile::remove(path);
        break;
    case Change::Folder:
        QFile::remove(path);
        QDir().mkpath(path);
        break;
    }
    form->ID3title->setText(QStringLiteral("Changed"));
    form->aSaveTag->trigger();
    ASSERT_EQ(prompt->calls().size(), 2);
    const Prompt::Message said = prompt->calls()[1].message;
    EXPECT_EQ(said.text, QStringLiteral("Could not save Tag!"));
    EXPECT_EQ(said.caption, QStringLiteral("Tarnwick"));
    EXPECT_EQ(said.icon, Prompt::Icon::Information);
    switch (GetParam()) {
    case Change::Removed:
        EXPECT_FALSE(QFile::exists(path));
        break;
    case Change::Folder:
        EXPECT_TRUE(QDir(path).isEmpty());
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, ID3EditChangedTarget, ::testing::Values(Change::Removed, Change::Folder));

TEST_F(ID3EditTest, UnopenableFileNeverRedirectsSaveToTheEarlierFile)
{
    const QString first = mp3(QStringLiteral("first.mp3"), sample());
    load(first);
    const QString gone = dir.file(QStringLiteral("gone.mp3"));
    load(gone);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ID3 Tag Edit: ") + gone);
    form->ID3title->setText(QStringLiteral("Meant for gone.mp3"));
    form->aSaveTag->trigger();
    EXPECT_EQ(prompt->messageTexts(), QStringList{QStringLiteral("Could not save Tag!")});
    EXPECT_EQ(field(lastBlock(first), 3, 30), QByteArray("Song"));
    EXPECT_FALSE(QFile::exists(gone));
}

} // namespace
