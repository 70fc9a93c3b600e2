#include "platform/ChildProcess.h"
#include "platform/Files.h"
#include "platform/Prompt.h"
#include "support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>

class FileNameTest : public ::testing::TestWithParam<std::pair<const char*, bool>>
{
};

TEST_P(FileNameTest, RejectsWhatAnyPlatformForbids)
{
    EXPECT_EQ(Files::isValidFileName(QString::fromUtf8(GetParam().first)), GetParam().second) << GetParam().first;
}

INSTANTIATE_TEST_SUITE_P(
    Names, FileNameTest,
    ::testing::Values(std::pair{"Track01", true}, std::pair{"Für Élise (live) - 1999", true},
                      std::pair{"It's 100% [remix]", true}, std::pair{"What?", false}, std::pair{"AC/DC", false},
                      std::pair{"a\\b", false}, std::pair{"a:b", false}, std::pair{"a*b", false},
                      std::pair{"say \"hi\"", false}, std::pair{"<x>", false}, std::pair{"a|b", false},
                      std::pair{"tab\there", false}, std::pair{"", false}, std::pair{"..", false}));

TEST(FilesTest, InUseWhileAnotherProcessHoldsTheFileOpen)
{
    TempFolder dir;
    const QString path = dir.file(QStringLiteral("held.wav"));
    ASSERT_TRUE(writeFileBytes(path, "RIFF"));
    EXPECT_FALSE(Files::isInUse(path));

    // The child keeps the file open on its standard input until we close its pipe.
    ChildProcess holder;
    ASSERT_EQ(holder.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("exec 3<\"$0\"; cat >/dev/null"),
                                                   path}),
              0);
    // Wait until the shell has opened the file: poll its fd table through the same probe.
    while (!Files::isInUse(path)) {
        ASSERT_TRUE(holder.isRunning());
        holder.waitForActivity(10);
    }
    EXPECT_TRUE(Files::isInUse(path));
    holder.closeInput();
    ASSERT_TRUE(holder.waitForExit(-1));
    EXPECT_FALSE(Files::isInUse(path));
    EXPECT_FALSE(Files::isInUse(dir.file(QStringLiteral("missing.wav"))));
}

TEST(FilesTest, RenameReplacesAndCopyWritesWhole)
{
    TempFolder dir;
    const QString a = dir.file(QStringLiteral("a"));
    const QString b = dir.file(QStringLiteral("b"));
    ASSERT_TRUE(writeFileBytes(a, "new"));
    ASSERT_TRUE(writeFileBytes(b, "old contents"));
    EXPECT_TRUE(Files::copy(a, b));
    EXPECT_EQ(readFileBytes(b), QByteArray("new"));
    ASSERT_TRUE(writeFileBytes(b, "old contents"));
    EXPECT_TRUE(Files::rename(a, b));
    EXPECT_FALSE(Files::exists(a));
    EXPECT_EQ(Files::size(b), 3);
    EXPECT_FALSE(Files::copy(dir.file(QStringLiteral("missing")), b));
    EXPECT_EQ(readFileBytes(b), QByteArray("new"));
    EXPECT_TRUE(Files::folderExists(dir.path()));
    EXPECT_FALSE(Files::folderExists(b));
    EXPECT_TRUE(Files::remove(b));
    EXPECT_EQ(Files::size(b), -1);
}

TEST(PromptTest, FiltersConvertFromPipePairs)
{
    EXPECT_EQ(qtFilterFromPipes(QStringLiteral("Wave Files(*.wav)|*.wav|All Files|*.*")),
              QStringLiteral("Wave Files (*.wav);;All Files (*.*)"));
    EXPECT_EQ(qtFilterFromPipes(QStringLiteral("Sound|*.wav;*.mp3")), QStringLiteral("Sound (*.wav *.mp3)"));
}
