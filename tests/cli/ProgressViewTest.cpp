#include "cli/ProgressView.h"

#include <gtest/gtest.h>

namespace {

struct Screen
{
    QString text;
    qint64 now = 0;
    ProgressView::Sink sink()
    {
        return [this](const QString& t) { text += t; };
    }
    ProgressView::Clock clock()
    {
        return [this] { return now; };
    }
};

std::vector<WorkItem> twoTracks()
{
    std::vector<WorkItem> items(2);
    items[0].index = 0;
    items[0].label = QStringLiteral("Opening");
    items[1].index = 1;
    items[1].label = QStringLiteral("Closing");
    return items;
}

TEST(ProgressView, LogModePrintsEachStepOnceAndNoPercentages)
{
    Screen screen;
    ProgressView view(ProgressView::Mode::Log, screen.sink(), screen.clock());
    std::vector<WorkItem> items = twoTracks();
    view.setItems({&items[0], &items[1]}, true);
    items[0].state = WorkItem::State::Running;
    items[0].step = QStringLiteral("extracting");
    for (int percent : {10, 50, 100}) {
        items[0].percent = percent;
        view.itemChanged(items[0]);
    }
    items[0].state = WorkItem::State::Done;
    items[0].output = QStringLiteral("/out/Opening.mp3");
    view.itemChanged(items[0]);
    view.error(QStringLiteral("Closing: it broke"));
    EXPECT_EQ(screen.text, QStringLiteral("[01/02] Opening: extracting\n"
                                          "[01/02] Opening: done: /out/Opening.mp3\n"
                                          "tarnwick-cli: Closing: it broke\n"));
}

TEST(ProgressView, QuietModePrintsErrorsOnly)
{
    Screen screen;
    ProgressView view(ProgressView::Mode::Quiet, screen.sink(), screen.clock());
    std::vector<WorkItem> items = twoTracks();
    view.setItems({&items[0], &items[1]}, false);
    items[0].state = WorkItem::State::Running;
    items[0].step = QStringLiteral("encoding");
    view.itemChanged(items[0]);
    view.info(QStringLiteral("converted 1 of 2 files"));
    view.error(QStringLiteral("x: failed"));
    EXPECT_EQ(screen.text, QStringLiteral("tarnwick-cli: x: failed\n"));
}

// The total counts extraction and encoding as one half each; the estimate is the whole
// job's length, as the job window gives it.
TEST(ProgressView, TotalLineEstimatesTheWholeJob)
{
    Screen screen;
    ProgressView view(ProgressView::Mode::Log, screen.sink(), screen.clock());
    std::vector<WorkItem> items = twoTracks();
    view.setItems({&items[0], &items[1]}, true);
    items[0].state = WorkItem::State::Running;
    items[0].extracted = true;
    items[0].step = QStringLiteral("encoding");
    items[0].percent = 50;
    screen.now = 30000;
    EXPECT_DOUBLE_EQ(view.fraction(), 0.375);
    EXPECT_EQ(view.totalLine(), QStringLiteral("total 0/2 done  elapsed 00:30  estimated 01:20"));
    items[1].state = WorkItem::State::Failed;
    EXPECT_EQ(view.totalLine(), QStringLiteral("total 0/2 done, 1 failed  elapsed 00:30  estimated 00:34"));
}

TEST(ProgressView, LiveModeRedrawsInPlaceAndLeavesNothingBehind)
{
    Screen screen;
    ProgressView view(ProgressView::Mode::Live, screen.sink(), screen.clock());
    view.setColumns(200);
    std::vector<WorkItem> items = twoTracks();
    view.setItems({&items[0], &items[1]}, false);
    items[0].state = WorkItem::State::Running;
    items[0].step = QStringLiteral("encoding");
    items[0].percent = 42;
    items[1].state = WorkItem::State::Running;
    items[1].step = QStringLiteral("encoding");
    view.itemChanged(items[0]);
    EXPECT_TRUE(screen.text.contains(view.itemLine(items[0]) + QStringLiteral("\x1b[K\n")));
    EXPECT_TRUE(screen.text.contains(view.itemLine(items[1])));
    EXPECT_TRUE(view.itemLine(items[0]).endsWith(QStringLiteral(" 42%")));
    screen.text.clear();
    items[1].percent = 7;
    view.itemChanged(items[1]);
    EXPECT_TRUE(screen.text.isEmpty()) << "a percentage alone waits for the next tenth of a second";
    screen.now = 150;
    view.itemChanged(items[1]);
    // Three live lines (two items and the total) are taken back before the next drawing.
    EXPECT_TRUE(screen.text.startsWith(QStringLiteral("\x1b[3F\x1b[J")));
    screen.text.clear();
    view.finish();
    EXPECT_EQ(screen.text, QStringLiteral("\x1b[3F\x1b[J"));
}

} // namespace
