#include "StreamDoubles.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::string startError(TACSOutput& output)
{
    try {
        output.Start();
    } catch (const EACSException& e) {
        return e.what();
    }
    return {};
}

TEST(TACSOutput, deliversTheWholeInputAndEndsThroughOnDone)
{
    GatedSource source(countingBytes(1000));
    CollectingOutput output;
    output.SetInput(&source);
    output.Start();
    output.waitForDones(1);
    EXPECT_EQ(output.received(), countingBytes(1000));
    EXPECT_EQ(output.finishes(), 1);
    EXPECT_EQ(output.OutputStatus(), osIdle);
    EXPECT_FALSE(source.Busy());
    EXPECT_EQ(output.LastProgress(), 100);
}

TEST(TACSOutput, secondStartWhileBusyRaisesAndLeavesTheTransferRunning)
{
    GatedSource source(countingBytes(40), true);
    CollectingOutput output;
    output.SetInput(&source);
    output.Start();
    source.waitForBlockedRead();

    EXPECT_EQ(startError(output), "Component is buisy");
    EXPECT_EQ(output.OutputStatus(), osBusy);
    EXPECT_EQ(source.opens(), 1);

    source.ungate();
    output.waitForDones(1);
    EXPECT_EQ(output.received(), countingBytes(40));
    EXPECT_TRUE(output.errors().empty());
}

TEST(TACSOutput, startWithoutInputRaises)
{
    CollectingOutput output;
    EXPECT_EQ(startError(output), "Input is not assigned");
    EXPECT_EQ(output.OutputStatus(), osIdle);
}

class FailingPrepare : public testing::TestWithParam<CollectingOutput::PrepareFailure>
{
};

// The error of a failed preparation goes to OnThreadException only, and a sink that had
// already opened its input closes it again, so the chain can be started once more.
TEST_P(FailingPrepare, reachesOnThreadExceptionOnlyAndLeavesTheChainUsable)
{
    GatedSource source(countingBytes(16));
    CollectingOutput output;
    output.SetInput(&source);
    output.prepareFailure = GetParam();

    EXPECT_EQ(startError(output), "");
    ASSERT_EQ(output.errors().size(), 1u);
    EXPECT_EQ(output.OutputStatus(), osIdle);
    EXPECT_FALSE(output.CanOutput());
    EXPECT_FALSE(source.Busy());
    EXPECT_EQ(output.dones(), 0);

    output.prepareFailure = CollectingOutput::PrepareFailure::none;
    output.Start();
    output.waitForDones(1);
    EXPECT_EQ(output.received(), countingBytes(16));
}

INSTANTIATE_TEST_SUITE_P(TACSOutput, FailingPrepare,
                         testing::Values(CollectingOutput::PrepareFailure::beforeOpen,
                                         CollectingOutput::PrepareFailure::afterOpen));

TEST(TACSOutput, failureDuringTransferFinishesUnlocksTheChainAndReports)
{
    GatedSource source(countingBytes(100));
    source.failAtRead(3);
    PassConverter converter;
    converter.SetInput(&source);
    CollectingOutput output;
    output.SetInput(&converter);
    output.Start();
    output.waitForErrors(1);

    EXPECT_EQ(output.errors().front(), "read failed");
    EXPECT_EQ(output.finishes(), 1);
    EXPECT_EQ(output.dones(), 0);
    EXPECT_EQ(output.OutputStatus(), osIdle);
    EXPECT_FALSE(output.InputLock());
    EXPECT_FALSE(converter.InputLock());
}

struct ProgressCase
{
    bool hasInput;
    std::int32_t size;
    std::int32_t position;
    std::int32_t expected;
};

class ProgressOf : public testing::TestWithParam<ProgressCase>
{
};

TEST_P(ProgressOf, followsTheInputsPositionAndSize)
{
    const ProgressCase c = GetParam();
    GatedSource source(QByteArray(16, '\0'));
    source.setSize(c.size);
    source.setPosition(c.position);
    CollectingOutput output;
    if (c.hasInput) {
        output.SetInput(&source);
    }
    EXPECT_EQ(output.Progress(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(TACSOutput, ProgressOf,
                         testing::Values(ProgressCase{false, 100, 50, 0}, ProgressCase{true, -1, 50, -1},
                                         ProgressCase{true, 0, 0, 0}, ProgressCase{true, 8, 1, 12},
                                         ProgressCase{true, 8, 3, 38}, ProgressCase{true, 200, 200, 100}));

TEST(TACSOutput, delayAboveOneHundredIsIgnored)
{
    CollectingOutput output;
    output.SetDelay(40);
    output.SetDelay(101);
    EXPECT_EQ(output.threadDelay(), 40);
    output.SetDelay(100);
    EXPECT_EQ(output.threadDelay(), 100);
}

TEST(TACSOutput, pausedOutputHoldsAStopUntilResumed)
{
    GatedSource source(countingBytes(400), true);
    CollectingOutput output;
    output.SetInput(&source);
    output.Start();
    source.waitForBlockedRead();

    output.Pause();
    EXPECT_EQ(output.OutputStatus(), osPaused);
    output.Stop();
    source.ungate(); // the read under way completes, then the worker stays parked
    EXPECT_EQ(output.OutputStatus(), osPaused);
    EXPECT_EQ(output.dones(), 0);

    output.Resume();
    output.waitForDones(1);
    EXPECT_EQ(output.OutputStatus(), osIdle);
    EXPECT_LT(output.received().size(), 400);
}

// A window that starts the next transfer from OnDone must not lose it to the worker
// suspending itself after the previous one.
TEST(TACSOutput, startFromOnDoneRunsTheNextTransfer)
{
    GatedSource first(countingBytes(30));
    GatedSource second(countingBytes(50));
    CollectingOutput output;
    output.SetInput(&first);
    auto onDone = output.OnDone;
    output.OnDone = [&](TACSOutput* sender) {
        if (output.Input() == &first) {
            output.SetInput(&second);
            sender->Start();
        }
        onDone(sender);
    };
    output.Start();
    output.waitForDones(2);
    EXPECT_EQ(output.received(), countingBytes(30) + countingBytes(50));
}

// The swap is made from OnProgress, which runs on the worker between two reads.
TEST(TACSOutput, swappingTheInputWhileBusyOpensTheNewAndClosesTheOld)
{
    GatedSource first(countingBytes(400));
    GatedSource second(QByteArray(8, 'x'));
    CollectingOutput output;
    output.SetInput(&first);
    output.OnProgress = [&](TACSOutput*) {
        if (output.Input() == &first) {
            output.SetInput(&second);
            EXPECT_EQ(second.opens(), 1);
            EXPECT_EQ(first.closes(), 1);
        }
    };
    output.Start();
    output.waitForDones(1);
    EXPECT_EQ(output.received(), countingBytes(4) + QByteArray(8, 'x'));
    EXPECT_EQ(second.closes(), 1);
    EXPECT_EQ(first.closes(), 1);
}

TEST(TACSOutput, destroyingTheInputClearsItInEveryHolder)
{
    auto source = std::make_unique<GatedSource>(countingBytes(8));
    PassConverter converter;
    converter.SetInput(source.get());
    CollectingOutput output;
    output.SetInput(source.get());
    source.reset();
    EXPECT_EQ(converter.Input(), nullptr);
    EXPECT_EQ(output.Input(), nullptr);
}

TEST(TACSOutput, destroyingABusyOutputFinishesTheTransfer)
{
    GatedSource source(countingBytes(400), true);
    {
        CollectingOutput output;
        output.SetInput(&source);
        output.Start();
        source.waitForBlockedRead();
        output.Pause();
        source.allow(1); // the worker parks after this read, still busy
    }
    EXPECT_FALSE(source.Busy());
    EXPECT_EQ(source.closes(), 1);
}

TEST(TACSConverter, ignoresItselfAsInput)
{
    GatedSource source(countingBytes(8));
    PassConverter converter;
    converter.SetInput(&source);
    converter.SetInput(&converter);
    EXPECT_EQ(converter.Input(), &source);
}

TEST(TACSConverter, unlockChainFreesEveryConverterBelow)
{
    GatedSource source(countingBytes(8));
    PassConverter lower;
    lower.SetInput(&source);
    PassConverter upper;
    upper.SetInput(&lower);
    lower.lockInput();
    upper.lockInput();
    upper.UnlockChain();
    EXPECT_FALSE(upper.InputLock());
    EXPECT_FALSE(lower.InputLock());
}

} // namespace
