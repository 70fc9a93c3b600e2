#include "CdTestDoubles.h"

#include "cd/CDDriveLibrary.h"
#include "cd/CdioDeviceSource.h"
#include "cd/DiscImageWriter.h"
#include "support/TempFolder.h"

#include <QFile>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// A generated disc (first track 2) opened through the drive library.
class DriveLibrary : public ::testing::Test
{
protected:
    static constexpr int FirstTrack = 2;
    const std::vector<std::int64_t> m_frames{100, 37, 263};

    void SetUp() override
    {
        DiscImageWriter writer;
        writer.setFirstTrack(FirstTrack);
        for (const std::int64_t f : m_frames) {
            writer.addTrack(f);
        }
        m_cue = m_folder.file(QStringLiteral("disc.cue"));
        ASSERT_TRUE(writer.write(m_cue));
        m_bin = readFileBytes(m_folder.file(QStringLiteral("disc.bin")));
        m_source = std::make_shared<ImageDeviceSource>(QStringList{m_cue});
        tarnwick::setCDDeviceSource(m_source);
        m_handle = openDrive(0);
        ASSERT_NE(m_handle, 0u);
    }

    void TearDown() override
    {
        CloseCDHandle(m_handle);
        tarnwick::setCDDeviceSource(nullptr);
    }

    int read(std::uint32_t start, std::uint32_t frames, QByteArray* audio = nullptr)
    {
        tarnwick::TrackBufferPtr buffer = tarnwick::allocTrackBuffer(static_cast<int>(frames));
        buffer->startFrame = start;
        const int result = ReadCDAudioLBA(m_handle, buffer.get());
        if (audio != nullptr) {
            *audio = QByteArray(reinterpret_cast<const char*>(buffer->data()) + buffer->dataOffset,
                                static_cast<qsizetype>(buffer->length));
        }
        return result;
    }

    void truncateBin(qint64 size) { ASSERT_TRUE(QFile::resize(m_folder.file(QStringLiteral("disc.bin")), size)); }

    TempFolder m_folder;
    QString m_cue;
    QByteArray m_bin;
    std::shared_ptr<ImageDeviceSource> m_source;
    CDHandle m_handle = 0;
};

TEST_F(DriveLibrary, TableOfContentsInMinutesSecondsFrames)
{
    ASSERT_EQ(ModifyCDParms(m_handle, 36, 1), 1);
    TOC toc;
    ASSERT_EQ(ReadTOC(m_handle, &toc), 1);
    EXPECT_EQ(toc.firstTrack, FirstTrack);
    EXPECT_EQ(toc.lastTrack, FirstTrack + 2);
    EXPECT_EQ(toc.length[0] | (toc.length[1] << 8), 2 + 8 * 4);
    std::int64_t address = 150;
    for (int i = 0; i <= 3; ++i) {
        const TOCEntry& e = toc.entries[i];
        EXPECT_EQ(e.trackNumber, i < 3 ? FirstTrack + i : 0xAA) << i;
        EXPECT_EQ(e.control, 0x10) << i;
        EXPECT_EQ(e.address[0], 0) << i;
        EXPECT_EQ(e.address[1], address / 4500) << i;
        EXPECT_EQ(e.address[2], address / 75 % 60) << i;
        EXPECT_EQ(e.address[3], address % 75) << i;
        if (i < 3) {
            address += m_frames[i];
        }
    }
    EXPECT_EQ(toc.entries[4].trackNumber, 0);
}

TEST_F(DriveLibrary, BlockAddressesUntilMinutesSecondsFramesAreAsked)
{
    TOC toc;
    ASSERT_EQ(ReadTOC(m_handle, &toc), 1);
    const auto block = [](const TOCEntry& e) {
        return e.address[0] | (e.address[1] << 8) | (e.address[2] << 16) | (e.address[3] << 24);
    };
    EXPECT_EQ(block(toc.entries[0]), 0);
    EXPECT_EQ(block(toc.entries[1]), 100);
    EXPECT_EQ(block(toc.entries[3]), 400);
    EXPECT_EQ(ModifyCDParms(m_handle, 36, 2), 0);
    EXPECT_EQ(ModifyCDParms(m_handle, 35, 1), 0);
    EXPECT_EQ(ModifyCDParms(m_handle + 1, 36, 1), 0);
}

struct ReadCase
{
    const char* name;
    std::uint32_t start;
    std::uint32_t frames;
    bool succeeds;
};

class DriveLibraryReads : public DriveLibrary, public ::testing::WithParamInterface<ReadCase>
{
};

// Raw reads return the image's bytes as they stand; reads the disc cannot satisfy fail
// and return nothing.
TEST_P(DriveLibraryReads, ReturnImageBytesOrFail)
{
    const ReadCase& c = GetParam();
    TOC toc;
    ASSERT_EQ(ReadTOC(m_handle, &toc), 1);
    QByteArray audio;
    EXPECT_EQ(read(c.start, c.frames, &audio), c.succeeds ? 1 : 0);
    if (c.succeeds) {
        EXPECT_EQ(audio, m_bin.mid(c.start * 2352, c.frames * 2352));
    } else {
        EXPECT_TRUE(audio.isEmpty());
    }
}

INSTANTIATE_TEST_SUITE_P(Reads, DriveLibraryReads,
                         ::testing::Values(ReadCase{"First", 0, 10, true}, ReadCase{"OneFrame", 99, 1, true},
                                           ReadCase{"AcrossTracks", 95, 10, true},
                                           ReadCase{"EndsAtLeadOut", 390, 10, true},
                                           ReadCase{"PastLeadOut", 395, 10, false},
                                           ReadCase{"FarPastLeadOut", 100000, 1, false},
                                           ReadCase{"ElevenFrames", 0, 11, false}, ReadCase{"NoFrames", 0, 0, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DriveLibrary, ReadRefusesABufferTooSmall)
{
    tarnwick::TrackBufferPtr buffer = tarnwick::allocTrackBuffer(2);
    buffer->numFrames = 3;
    EXPECT_EQ(ReadCDAudioLBA(m_handle, buffer.get()), 0);
    EXPECT_EQ(ReadCDAudioLBA(m_handle, nullptr), 0);
}

class DriveLibraryShortImage : public DriveLibrary, public ::testing::WithParamInterface<qint64>
{
};

// libcdio reports success for a read past the end of the BIN and leaves the bytes as they
// were; the library must report the read as failed, wherever the file stops.
TEST_P(DriveLibraryShortImage, ReadPastTheEndOfTheFileFails)
{
    TOC toc;
    ASSERT_EQ(ReadTOC(m_handle, &toc), 1);
    const qint64 cut = GetParam();
    truncateBin(cut);
    EXPECT_EQ(read(300, 10), 0);
    EXPECT_EQ(read(290, 10), 1) << "the frames before the cut still read";
}

INSTANTIATE_TEST_SUITE_P(Cuts, DriveLibraryShortImage,
                         ::testing::Values(300 * 2352, 305 * 2352, 310 * 2352 - 1, 310 * 2352 - 2, 305 * 2352 + 1));

TEST_F(DriveLibrary, HandlesRunOutAtTenAndCloseOnce)
{
    std::vector<CDHandle> handles{m_handle};
    for (int i = 1; i < 10; ++i) {
        handles.push_back(openDrive(0));
        EXPECT_NE(handles.back(), 0u);
    }
    EXPECT_EQ(openDrive(0), 0u);
    ASSERT_EQ(CloseCDHandle(handles[4]), 1);
    EXPECT_EQ(CloseCDHandle(handles[4]), 0);
    TOC toc;
    EXPECT_EQ(ReadTOC(handles[4], &toc), 0);
    const CDHandle again = openDrive(0);
    EXPECT_EQ(again, handles[4]);
    for (std::size_t i = 1; i < handles.size(); ++i) {
        CloseCDHandle(handles[i]);
    }
    EXPECT_EQ(CloseCDHandle(0), 0);
}

TEST_F(DriveLibrary, ImageWithoutFileIsADriveWithoutDisc)
{
    tarnwick::setCDDeviceSource(std::make_shared<ImageDeviceSource>(QStringList{m_folder.file("gone.cue")}));
    const CDHandle handle = openDrive(0);
    ASSERT_NE(handle, 0u);
    TOC toc;
    EXPECT_EQ(ReadTOC(handle, &toc), 0);
    EXPECT_EQ(read(0, 1), 1) << "the other handle still reads its disc";
    CloseCDHandle(handle);
}

TEST(DriveList, ImagesFromTheEnvironmentAfterThePhysicalDrives)
{
    TempFolder folder;
    const QString longName = QStringLiteral("a-very-long-image-name.cue");
    // 15 ASCII bytes then a two-byte character: the cut may not split it.
    const QString accented = QStringLiteral("abcdefghijklmno\u00e9.cue");
    qputenv(
        "TARNWICK_DISC_IMAGES",
        QStringLiteral("%1:%2::%3").arg(folder.file("one.cue"), folder.file(longName), folder.file(accented)).toUtf8());
    tarnwick::setCDDeviceSource(nullptr);
    CDDriveList list{};
    list.capacity = 8;
    ASSERT_EQ(GetCDList(&list), 1);
    const int physical = static_cast<int>(CdioDeviceSource().devices().size()) - 3;
    ASSERT_GE(physical, 0);
    ASSERT_EQ(list.count, std::min(physical + 3, 8));
    if (physical + 3 <= 8) {
        const CDDriveEntry* images = &list.entries[physical];
        EXPECT_STREQ(images[0].vendor, "IMAGE");
        EXPECT_STREQ(images[0].product, "one.cue");
        EXPECT_STREQ(images[1].product, "a-very-long-imag");
        EXPECT_STREQ(images[2].product, "abcdefghijklmno");
        EXPECT_EQ(images[2].hostAdapter, physical + 2);
    }
    list = CDDriveList{};
    list.capacity = 1;
    ASSERT_EQ(GetCDList(&list), 1);
    EXPECT_EQ(list.count, 1);
    EXPECT_EQ(list.entries[1].vendor[0], '\0');
    qunsetenv("TARNWICK_DISC_IMAGES");
}

// libcdio's complaints about an unreadable image stay off the terminal.
TEST(DriveList, LibraryMessagesDoNotReachStandardError)
{
    TempFolder folder;
    // A BIN that is not a whole number of frames makes libcdio warn.
    const QString cue = folder.file("odd.cue");
    ASSERT_TRUE(writeFileBytes(cue, "FILE \"odd.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n"));
    ASSERT_TRUE(writeFileBytes(folder.file("odd.bin"), QByteArray(1000, '\0')));
    CdioDeviceSource source;
    std::fflush(stderr);
    const int saved = ::dup(2);
    const QString capture = folder.file("stderr.txt");
    std::FILE* sink = std::fopen(capture.toLocal8Bit().constData(), "w");
    ::dup2(::fileno(sink), 2);
    auto device = source.open({cue, "IMAGE", "odd.cue", true});
    DiscLayout layout;
    if (device) {
        device->readLayout(layout);
    }
    device.reset();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::fclose(sink);
    EXPECT_EQ(readFileBytes(capture), QByteArray());
}

} // namespace
