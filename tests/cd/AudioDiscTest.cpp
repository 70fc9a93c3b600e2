#include "CdTestDoubles.h"

#include "cd/AudioDisc.h"
#include "cd/CDDriveLibrary.h"
#include "cd/DiscImageWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

constexpr std::int64_t msf(int m, int s, int f)
{
    return (m * 60 + s) * 75 + f;
}

struct KeyCase
{
    const char* name;
    std::vector<std::int64_t> frames; // track lengths; the first track starts at 00:02:00
    const char* key;
};

class DiscKey : public ::testing::TestWithParam<KeyCase>
{
};

TEST_P(DiscKey, FromTheTableOfContents)
{
    TOC toc;
    tarnwick::fillToc(layoutOf(1, GetParam().frames), true, &toc);
    EXPECT_EQ(tarnwick::discKeyFromToc(toc), QString::fromLatin1(GetParam().key));
}

INSTANTIATE_TEST_SUITE_P(Discs, DiscKey,
                         ::testing::Values(
                             // Starts 00:02:00, 03:50:10, 07:10:00.
                             KeyCase{"ThreeTracks", {msf(3, 48, 10), msf(7, 10, 0) - msf(3, 50, 10), 75}, "671242"},
                             // One or two tracks: the lead-out word alone (lead-out 04:02:05 and 10:02:00).
                             KeyCase{"OneTrack", {msf(4, 0, 5)}, "262661"},
                             KeyCase{"TwoTracks", {msf(5, 0, 0), msf(5, 0, 0)}, "655872"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DiscKey, EmptyTableGivesNoKey)
{
    TOC toc{};
    toc.firstTrack = 3;
    toc.lastTrack = 2;
    EXPECT_TRUE(tarnwick::discKeyFromToc(toc).isEmpty());
}

TEST(DiscKey, OfAGeneratedImage)
{
    TempFolder folder;
    DiscImageWriter writer;
    writer.addTrack(msf(3, 48, 10));
    writer.addTrack(msf(7, 10, 0) - msf(3, 50, 10));
    writer.addTrack(75);
    const QString cue = folder.file("disc.cue");
    ASSERT_TRUE(writer.write(cue));
    tarnwick::setCDDeviceSource(std::make_shared<ImageDeviceSource>(QStringList{cue}));
    EXPECT_TRUE(tarnwick::audioCDPresent());
    EXPECT_EQ(tarnwick::discKey(), QStringLiteral("671242"));
    tarnwick::setCDDeviceSource(nullptr);
}

struct DriveCase
{
    const char* name;
    std::vector<int> drives; // per drive: 0 no disc, 1 data disc, 2 audio disc A, 3 audio disc B
    bool present;
    const char* key;
};

class AudioCDInDrives : public ::testing::TestWithParam<DriveCase>
{
};

// "Audio CD present" looks at the first drive only; the key comes from the first drive
// that holds an audio CD.
TEST_P(AudioCDInDrives, PresentAndKey)
{
    auto source = std::make_shared<ScriptedDeviceSource>();
    for (const int kind : GetParam().drives) {
        ScriptedDisc disc;
        disc.openable = kind != 0;
        disc.audio = kind >= 2;
        disc.layout = layoutOf(1, kind == 3 ? std::vector<std::int64_t>{msf(4, 0, 5)}
                                            : std::vector<std::int64_t>{msf(3, 48, 10), msf(3, 19, 65), 75});
        source->addDrive(disc);
    }
    tarnwick::setCDDeviceSource(source);
    EXPECT_EQ(tarnwick::audioCDPresent(), GetParam().present);
    EXPECT_EQ(tarnwick::discKey(), QString::fromLatin1(GetParam().key));
    tarnwick::setCDDeviceSource(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Drives, AudioCDInDrives,
                         ::testing::Values(DriveCase{"NoDrive", {}, false, ""},
                                           DriveCase{"AudioFirst", {2, 3}, true, "671242"},
                                           DriveCase{"EmptyThenAudio", {0, 3}, false, "262661"},
                                           DriveCase{"DataThenAudio", {1, 2}, false, "671242"},
                                           DriveCase{"DataOnly", {1}, false, ""}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
