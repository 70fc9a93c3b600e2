#include "common/Messages.h"
#include "common/ProgramFolder.h"
#include "common/Rounding.h"
#include "common/TextFormat.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <gtest/gtest.h>
#include <thread>

using namespace tarnwick;

struct TextCase
{
    int value;
    const char* expected;
};

class TwoDigitTest : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(TwoDigitTest, FormatsWithLeadingZeroBelowTen)
{
    EXPECT_EQ(twoDigit(GetParam().value), QString::fromLatin1(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Values, TwoDigitTest,
                         ::testing::Values(TextCase{0, "00"}, TextCase{7, "07"}, TextCase{9, "09"}, TextCase{10, "10"},
                                           TextCase{12, "12"}, TextCase{123, "123"}));

class TimeTextTest : public ::testing::TestWithParam<TextCase>
{
};

TEST_P(TimeTextTest, ShowsMinutesAndSeconds)
{
    EXPECT_EQ(timeText(GetParam().value), QString::fromLatin1(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Values, TimeTextTest,
                         ::testing::Values(TextCase{0, "00:00"}, TextCase{59, "00:59"}, TextCase{187, "03:07"},
                                           TextCase{600, "10:00"}, TextCase{7385, "123:05"}));

struct RoundCase
{
    double value;
    std::int64_t expected;
};

class RoundHalfEvenTest : public ::testing::TestWithParam<RoundCase>
{
};

TEST_P(RoundHalfEvenTest, RoundsHalvesToEven)
{
    EXPECT_EQ(roundHalfEven(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, RoundHalfEvenTest,
                         ::testing::Values(RoundCase{0.5, 0}, RoundCase{1.5, 2}, RoundCase{2.5, 2}, RoundCase{3.5, 4},
                                           RoundCase{-0.5, 0}, RoundCase{-1.5, -2}, RoundCase{-2.5, -2},
                                           RoundCase{2.4999, 2}, RoundCase{2.5001, 3}, RoundCase{-2.5001, -3},
                                           RoundCase{3533.20, 3533}, RoundCase{32767.5, 32768},
                                           RoundCase{-32768.5, -32768}));

TEST(ProgramFolderTest, EnvironmentOverridesExecutableFolder)
{
    qputenv("TARNWICK_HOME", "/tmp/some/where/");
    EXPECT_EQ(programFolder(), QStringLiteral("/tmp/some/where"));
    qunsetenv("TARNWICK_HOME");
    EXPECT_EQ(programFolder(), QCoreApplication::applicationDirPath());
}

namespace {

class Receiver : public QObject
{
public:
    QList<TProcessInfo> received;
    QList<Qt::HANDLE> threads;
    QEventLoop* loop = nullptr;
    int expected = 0;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == WM_PROCESSINFO) {
            received << static_cast<ProcessInfoEvent*>(e)->info();
            threads << QThread::currentThreadId();
            if (loop != nullptr && received.size() >= expected) {
                loop->quit();
            }
            return true;
        }
        return QObject::event(e);
    }
};

} // namespace

TEST(MessagesTest, PostedRecordsArriveInOrderOnTheReceiversThread)
{
    Receiver receiver;
    QEventLoop loop;
    receiver.loop = &loop;
    receiver.expected = 3;
    std::thread worker([&] {
        postProcessInfo(&receiver, 10, QStringLiteral("00:01"), QStringLiteral("00:10"), 0);
        postProcessInfo(&receiver, 20, {}, {}, 0);
        postProcessInfo(&receiver, 1000, {}, {}, 4);
    });
    loop.exec();
    worker.join();
    ASSERT_EQ(receiver.received.size(), 3);
    EXPECT_EQ(receiver.received[0].Progress, 10);
    EXPECT_EQ(receiver.received[0].EstimatedText, QStringLiteral("00:10"));
    EXPECT_EQ(receiver.received[2].Status, 4);
    EXPECT_EQ(receiver.threads[0], QThread::currentThreadId());
}

TEST(MessagesTest, SentRecordIsHandledBeforeTheSenderGoesOn)
{
    Receiver receiver;
    std::atomic<int> seenBySender{-1};
    std::thread worker([&] {
        sendProcessInfo(&receiver, 100, {}, {}, 0);
        // The receiver's list was filled before sendProcessInfo returned.
        seenBySender = static_cast<int>(receiver.received.size());
        postProcessInfo(&receiver, 5000, {}, {}, 8);
    });
    QEventLoop loop;
    receiver.loop = &loop;
    receiver.expected = 2;
    loop.exec();
    worker.join();
    EXPECT_EQ(seenBySender.load(), 1);
    ASSERT_EQ(receiver.received.size(), 2);
    EXPECT_EQ(receiver.threads[0], QThread::currentThreadId());
}
