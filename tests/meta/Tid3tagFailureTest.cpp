#include "Id3TestFiles.h"

#include "meta/Tid3tag.h"
#include "platform/Files.h"
#include "support/DiskFull.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace id3test;

namespace {

// Makes a file one we may not write. Permission bits alone do not stop root, so as root
// the real user id is lent to "nobody" for the guard's lifetime: the writability test
// asks about the real user, while the files are still opened as root.
class NotWritableByUs
{
public:
    explicit NotWritableByUs(const QString& file)
    {
        QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        if (Files::isWritable(file) && ::geteuid() == 0 && ::setreuid(65534, 0) == 0) {
            m_lent = true;
        }
        m_works = !Files::isWritable(file);
    }
    ~NotWritableByUs()
    {
        if (m_lent && ::setreuid(0, 0) != 0) {
            qFatal("cannot take back the real user id");
        }
    }
    NotWritableByUs(const NotWritableByUs&) = delete;
    NotWritableByUs& operator=(const NotWritableByUs&) = delete;

    bool works() const { return m_works; }

private:
    bool m_lent = false;
    bool m_works = false;
};

TEST(Tid3tagReadOnly, ReadSucceedsSaveAndRemoveLeaveTheFileAlone)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("ro.mp3"));
    QByteArray block = emptyBlock();
    put(block, 3, "Old");
    const QByteArray contents = audioBytes(400) + block;
    writeFile(file, contents);

    NotWritableByUs guard(file);
    if (!guard.works()) {
        GTEST_SKIP() << "cannot make a file read-only for this user";
    }
    Tid3tag tag;
    ASSERT_EQ(tag.read(file), 0);
    EXPECT_TRUE(tag.readOnly());
    EXPECT_EQ(tag.title(), QStringLiteral("Old"));
    tag.setTitle(QStringLiteral("New"));
    EXPECT_EQ(tag.save(file), 512);
    EXPECT_EQ(tag.save(QStringLiteral("=")), 512);
    tag.remove();
    EXPECT_EQ(readFile(file), contents);
}

TEST(Tid3tagReadOnly, WritableFileIsNotReadOnly)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("rw.mp3"));
    writeFile(file, audioBytes(10));
    Tid3tag tag;
    EXPECT_EQ(tag.read(file), 0x1000);
    EXPECT_FALSE(tag.readOnly());
}

class SaveOntoFullDisk : public ::testing::TestWithParam<int>
{
};

// A failed append reports a write error and leaves the file as it was, even when part of
// the tag got written before the limit.
TEST_P(SaveOntoFullDisk, ReportsWriteErrorAndKeepsTheFile)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("full.mp3"));
    const QByteArray audio = audioBytes(1000);
    writeFile(file, audio);

    Tid3tag tag;
    tag.setTitle(QStringLiteral("Title"));
    std::uint16_t result = 0;
    {
        const DiskFull full(audio.size() + GetParam());
        result = tag.save(file);
    }
    EXPECT_EQ(result, 1024);
    EXPECT_EQ(readFile(file), audio);
    EXPECT_TRUE(tag.lastFile().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Room, SaveOntoFullDisk, ::testing::Values(0, 50, 127));

} // namespace
