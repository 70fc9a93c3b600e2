#include "cli/CliTestKit.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

TEST(CliListing, DrivesNameEveryImage)
{
    CliTestKit kit;
    kit.makeDisc({3.0});
    const CliTestKit::Result result = kit.run({"drives"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("IMAGE disc.cue  ") + kit.cue)) << result.out.toStdString();
}

// The rows show the window's texts: number, title, length and size, and the disc key.
TEST(CliListing, TocShowsTheRowsAndTheKey)
{
    CliTestKit kit;
    kit.makeDisc({210.0, 1.0, 545.0}, 2);
    TDiscInfo disc;
    disc.Artist = QStringLiteral("Band");
    disc.TrackNumber = 4;
    disc.setTitle(3, QStringLiteral("Short One"));
    kit.writeDiscInfo(disc);
    const CliTestKit::Result result = kit.run({"toc"});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("Disc key: ") + kit.discKey())) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains(QStringLiteral("Artist: Band")));
    const QStringList expected = {"^2 +Track02 +03:30 +35.33$", "^3 +Short One +00:01 +00.17$",
                                  "^4 +Track04 +09:05 +91.68$"};
    for (const QString& pattern : expected) {
        const QRegularExpression row(pattern, QRegularExpression::MultilineOption);
        EXPECT_TRUE(row.match(result.out).hasMatch()) << pattern.toStdString() << "\n" << result.out.toStdString();
    }
}

TEST(CliListing, NoDiscIsAFailureWithItsReason)
{
    CliTestKit kit;
    const CliTestKit::Result result = kit.run({"toc"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.err.contains(QStringLiteral("no CD drives found"))) << result.err.toStdString();
}

} // namespace
