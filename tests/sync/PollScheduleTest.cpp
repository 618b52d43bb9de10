#include "sync/PollSchedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(PollScheduleTest, FailuresDoubleTheWaitUpToAnHourAndASuccessRestoresTheInterval) {
    CPollSchedule schedule;
    std::vector<int> waits;
    for (int i = 0; i < 8; ++i) waits.push_back(schedule.OnFailure(60, -1));
    EXPECT_EQ(waits, (std::vector<int>{120, 240, 480, 960, 1920, 3600, 3600, 3600}));
    EXPECT_EQ(schedule.GetFailures(), 8);
    EXPECT_EQ(schedule.OnSuccess(60), 60);
    EXPECT_EQ(schedule.GetFailures(), 0);
    EXPECT_EQ(schedule.OnFailure(60, -1), 120);
}

TEST(PollScheduleTest, RetryAfterAndLongIntervalsLengthenTheWait) {
    const struct {
        int interval;
        int retryAfter;
        int wait;  // after the first failure
    } cases[] = {
        {60, 300, 300},              // the server asks for longer than the backoff
        {60, 30, 120},               // a shorter Retry-After does not shorten the backoff
        {60, 0, 120},                // "now" is no reason to hurry
        {7200, -1, 7200},            // an interval above the cap is never shortened
        {60, 999999999, 24 * 3600},  // nor can a server stop the polling for good
        {2147483647, -1, 2147483647},
    };
    for (const auto& c : cases) {
        CPollSchedule schedule;
        EXPECT_EQ(schedule.OnFailure(c.interval, c.retryAfter), c.wait)
            << c.interval << " " << c.retryAfter;
    }
}

TEST(PollScheduleTest, EndlessFailuresStayAtTheCap) {
    CPollSchedule schedule;
    int wait = 0;
    for (int i = 0; i < 1000; ++i) wait = schedule.OnFailure(90, -1);
    EXPECT_EQ(wait, CPollSchedule::kMaximumBackoff);
}

}  // namespace
