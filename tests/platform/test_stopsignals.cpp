#include "platform/SdlWaveAudio.h"
#include "platform/StopSignals.h"

#include <QEventLoop>
#include <csignal>
#include <gtest/gtest.h>

namespace {

void (*dispositionOf(int number))(int)
{
    struct sigaction current = {};
    ::sigaction(number, nullptr, &current);
    return current.sa_handler;
}

class StopSignalsTest : public ::testing::TestWithParam<int>
{
protected:
    void SetUp() override { StopSignals::reset(); }
    void TearDown() override { StopSignals::reset(); }
};

// Every stop signal reaches the watch's owner as an event, and the program lives on.
TEST_P(StopSignalsTest, IsReportedOnTheEventLoopAndGivenBackAtTheEnd)
{
    ASSERT_EQ(dispositionOf(GetParam()), SIG_DFL);
    {
        StopSignals watch;
        int reported = 0;
        QEventLoop loop;
        QObject::connect(&watch, &StopSignals::stopRequested, &loop, [&](int number) {
            reported = number;
            loop.quit();
        });
        ::raise(GetParam());
        EXPECT_TRUE(StopSignals::received());
        if (reported == 0) {
            loop.exec();
        }
        EXPECT_EQ(reported, GetParam());
        EXPECT_EQ(StopSignals::signalNumber(), GetParam());
    }
    EXPECT_EQ(dispositionOf(GetParam()), SIG_DFL);
}

// nohup and background jobs start a program with these ignored; the watch leaves them so.
TEST_P(StopSignalsTest, AnIgnoredSignalStaysIgnored)
{
    ::signal(GetParam(), SIG_IGN);
    {
        const StopSignals watch;
        EXPECT_EQ(dispositionOf(GetParam()), SIG_IGN);
        ::raise(GetParam());
        EXPECT_FALSE(StopSignals::received());
    }
    EXPECT_EQ(dispositionOf(GetParam()), SIG_IGN);
    ::signal(GetParam(), SIG_DFL);
}

INSTANTIATE_TEST_SUITE_P(Signals, StopSignalsTest, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param); });

TEST(StopSignalsRepeat, SecondSignalEndsTheProgramOnlyWhenAskedTo)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            StopSignals::reset();
            const StopSignals watch(StopSignals::Repeat::EndsProgram);
            ::raise(SIGTERM);
            ::raise(SIGINT);
            std::_Exit(0);
        },
        ::testing::KilledBySignal(SIGINT), "");
    EXPECT_EXIT(
        {
            StopSignals::reset();
            const StopSignals watch;
            ::raise(SIGTERM);
            ::raise(SIGTERM);
            std::_Exit(StopSignals::signalNumber() == SIGTERM ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// SDL's audio would otherwise catch SIGINT and SIGTERM for an event queue nobody reads,
// and the program would no longer end on them.
TEST(SdlSound, LeavesTheStopSignalsAlone)
{
    ASSERT_EQ(dispositionOf(SIGTERM), SIG_DFL);
    const SdlWaveAudio audio;
    EXPECT_EQ(dispositionOf(SIGTERM), SIG_DFL);
    EXPECT_EQ(dispositionOf(SIGINT), SIG_DFL);
}

} // namespace
