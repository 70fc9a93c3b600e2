#include "cd/RipVerification.h"

#include "cd/CDDriveLibrary.h"
#include "cd/TCDRipThread.h"
#include "support/AccurateRipFiles.h"
#include "support/HttpFileServer.h"
#include "support/TempFolder.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

namespace ar = tarnwick::accuraterip;

// An enhanced CD: two audio tracks of 300 and 400 sectors, then a data track.
DiscLayout enhancedDisc()
{
    DiscLayout layout;
    layout.tracks = {{1, 150, true}, {2, 450, true}, {3, 850 + ar::SessionGapFrames, false}};
    layout.leadOut = 20000;
    return layout;
}

QByteArray audioOf(std::int64_t frames, int seed)
{
    QByteArray audio(static_cast<qsizetype>(frames * cdaudio::FrameBytes), '\0');
    for (qsizetype i = 0; i < audio.size(); ++i) {
        audio[i] = static_cast<char>((i * 7 + seed) ^ (i >> 11));
    }
    return audio;
}

// Runs a track through its sink the way the extraction thread does.
void extract(RipVerification& verification, int row, const QByteArray& audio, std::int64_t trackFrames)
{
    TrackAudioSink* sink = verification.sinkFor(row);
    ASSERT_NE(sink, nullptr);
    TrackAudioInfo info;
    info.position = row;
    info.trackFrames = trackFrames;
    info.frames = audio.size() / cdaudio::FrameBytes;
    sink->begin(info);
    for (qsizetype at = 0; at < audio.size(); at += 10 * cdaudio::FrameBytes) {
        sink->audio(reinterpret_cast<const std::uint8_t*>(audio.constData() + at),
                    static_cast<std::size_t>(std::min<qsizetype>(10 * cdaudio::FrameBytes, audio.size() - at)));
    }
    sink->end(true);
    verification.trackEnded(row, QStringLiteral("Track%1.wav").arg(row), QString(), SecureReadStats());
}

ar::TrackSums sumsOf(const QByteArray& audio, int position, int count)
{
    ar::TrackChecksum sums(position, count, static_cast<std::uint64_t>(audio.size() / 4));
    sums.add(reinterpret_cast<const std::uint8_t*>(audio.constData()), static_cast<std::size_t>(audio.size()));
    return {sums.v1(), sums.v2()};
}

TEST(RipVerification, AudioTracksOfAnEnhancedCdAreVerifiedAsTheDatabaseCountsThem)
{
    HttpFileServer server;
    ASSERT_TRUE(server.start());
    const DiscLayout layout = enhancedDisc();
    const ar::DiscIds ids = ar::discIdsOf(layout);
    const QByteArray one = audioOf(300, 1);
    const QByteArray two = audioOf(400, 2);
    // The second track is the last of the audio: its end is left out of the checksums.
    const ar::TrackSums first = sumsOf(one, 1, 2);
    const ar::TrackSums last = sumsOf(two, 2, 2);
    server.setFile(ar::databaseUrl(QStringLiteral("/ar"), ids),
                   accurateRipChunk(ids.id1, ids.id2, ids.cddbId, {{6, first.v2, 0}, {6, last.v1, 0}}));

    RipVerification verification({false, 0, true, QString::fromLatin1(server.origin() + "/ar")});
    TOC toc;
    tarnwick::fillToc(layout, true, &toc);
    verification.setTableOfContents(toc);
    extract(verification, 1, one, 300);
    extract(verification, 2, two, 400);
    ASSERT_TRUE(verification.verifies());
    verification.lookUp(std::chrono::milliseconds(10000));
    EXPECT_EQ(verification.verdictText().toStdString(),
              "Track 01: accurate (confidence 6)\r\nTrack 02: accurate (confidence 6)\r\nAll tracks accurately ripped");
}

TEST(RipVerification, TrackCutShortHasNoChecksumsAndIsNotLookedUp)
{
    HttpFileServer server;
    ASSERT_TRUE(server.start());
    RipVerification verification({true, 0, true, QString::fromLatin1(server.origin() + "/ar")});
    TOC toc;
    tarnwick::fillToc(enhancedDisc(), true, &toc);
    verification.setTableOfContents(toc);
    extract(verification, 1, audioOf(100, 1), 300); // the first 100 of 300 sectors only
    EXPECT_FALSE(verification.verifies());
    verification.lookUp(std::chrono::milliseconds(10000));
    EXPECT_TRUE(server.requests().isEmpty());
    const RipLogInfo log = verification.logInfo();
    ASSERT_EQ(log.tracks.size(), 1u);
    EXPECT_TRUE(log.tracks[0].crc);
    EXPECT_FALSE(log.tracks[0].checksums);
    EXPECT_EQ(log.tracks[0].repairs, 0);
}

TEST(RipVerification, IncompleteTrackIsNamedInTheLog)
{
    RipVerification verification({true, 0, false, QString()});
    TrackAudioSink* sink = verification.sinkFor(1);
    TrackAudioInfo info;
    info.trackFrames = info.frames = 300;
    sink->begin(info);
    const QByteArray part = audioOf(10, 3);
    sink->audio(reinterpret_cast<const std::uint8_t*>(part.constData()), static_cast<std::size_t>(part.size()));
    sink->end(false);
    verification.trackEnded(1, QStringLiteral("Track1.wav"), RipVerification::problemFor(TCDRipThread::StatusDone),
                            SecureReadStats());
    const RipLogInfo log = verification.logInfo();
    ASSERT_EQ(log.tracks.size(), 1u);
    EXPECT_EQ(log.tracks[0].problem, QStringLiteral("the track was not read whole"));
    EXPECT_TRUE(log.tracks[0].file.isEmpty());
}

TEST(RipVerification, LogNamesTheWavKeptWhenTheEncodedFileIsMissing)
{
    TempFolder folder;
    RipVerification verification({true, 0, false, QString()});
    for (int row : {1, 2}) {
        TrackAudioSink* sink = verification.sinkFor(row);
        TrackAudioInfo info;
        info.trackFrames = info.frames = 10;
        sink->begin(info);
        const QByteArray audio = audioOf(10, row);
        sink->audio(reinterpret_cast<const std::uint8_t*>(audio.constData()), static_cast<std::size_t>(audio.size()));
        sink->end(true);
        verification.trackEnded(row, QStringLiteral("Track %1.mp3").arg(row), QString(), SecureReadStats());
    }
    // Track 1 was encoded; the encoder failed on track 2, whose WAV is all there is.
    ASSERT_TRUE(writeFileBytes(folder.file("Track 1.mp3"), "mp3"));
    ASSERT_TRUE(writeFileBytes(folder.file("Track 1.wav"), "wav"));
    ASSERT_TRUE(writeFileBytes(folder.file("Track 2.wav"), "wav"));
    const auto path = verification.writeLog(folder.path(), QStringLiteral("Album"));
    ASSERT_TRUE(path);
    const QString text = QString::fromUtf8(readFileBytes(*path));
    EXPECT_TRUE(text.contains(QStringLiteral("File: Track 1.mp3\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("File: Track 2.wav\n"))) << text.toStdString();
}

TEST(RipVerification, SettingsOffDoNothing)
{
    TempFolder folder;
    RipVerification verification({false, 6, false, QStringLiteral("http://127.0.0.1:1/ar")});
    EXPECT_FALSE(verification.active());
    EXPECT_EQ(verification.sinkFor(1), nullptr);
    EXPECT_FALSE(verification.writeLog(folder.path(), QStringLiteral("Album")));
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}

} // namespace
