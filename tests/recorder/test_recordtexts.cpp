#include "recorder/RecordTexts.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

class DurationTextTest : public ::testing::TestWithParam<std::pair<std::int64_t, const char*>>
{
};

TEST_P(DurationTextTest, ShowsSecondsToThreeDigitsThenTheWholeParts)
{
    EXPECT_EQ(RecordTexts::duration(GetParam().first), QString::fromUtf8(GetParam().second));
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, DurationTextTest,
    ::testing::Values(std::pair{std::int64_t{0}, "0 Sec"}, std::pair{std::int64_t{5250}, "5.25 Sec"},
                      std::pair{std::int64_t{125}, "0.125 Sec"}, std::pair{std::int64_t{12345}, "12.3 Sec"},
                      std::pair{std::int64_t{59999}, "60 Sec"}, std::pair{std::int64_t{60000}, "1 Min"},
                      std::pair{std::int64_t{65000}, "1 Min5 Sec"}, std::pair{std::int64_t{3600000}, "1Hour"},
                      std::pair{std::int64_t{3903000}, "1Hour5 Min3 Sec"},
                      std::pair{std::int64_t{3601999}, "1Hour1 Sec"}));

class RecordClockTest : public ::testing::TestWithParam<std::pair<std::int64_t, const char*>>
{
};

TEST_P(RecordClockTest, HoursMinutesSecondsAndTenths)
{
    EXPECT_EQ(RecordTexts::recordClock(GetParam().first), QString::fromUtf8(GetParam().second));
}

INSTANTIATE_TEST_SUITE_P(Times, RecordClockTest,
                         ::testing::Values(std::pair{std::int64_t{0}, "00:00:00.0"},
                                           std::pair{std::int64_t{2340}, "00:00:02.3"},
                                           std::pair{std::int64_t{59999}, "00:00:59.9"},
                                           std::pair{std::int64_t{3723400}, "01:02:03.4"},
                                           std::pair{std::int64_t{360000000}, "100:00:00.0"}));
