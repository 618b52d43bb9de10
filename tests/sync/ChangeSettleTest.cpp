#include "sync/ChangeSettle.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// A second boundary of the wall clock; the cases give their times as offsets from it.
constexpr std::int64_t kSecond = 1'760'000'000'000;

// When the check comes for changes at `changes` (offsets, ascending): the first moment, in
// steps of 1 ms, at which WaitMs says 0, the changes of that moment seen.
std::int64_t DueAfter(const std::vector<std::int64_t>& changes) {
    CChangeSettle settle;
    std::size_t next = 0;
    for (std::int64_t t = changes.front();; ++t) {
        for (; next < changes.size() && changes[next] == t; ++next) settle.OnChange(kSecond + t);
        if (settle.WaitMs(kSecond + t) == 0) return t;
    }
}

TEST(ChangeSettleTest, WaitsForQuietAndTheNextSecondAtMostUntilTheLongest) {
    const struct {
        const char* name;
        std::vector<std::int64_t> changes;
        std::int64_t due;
    } cases[] = {
        // Quiet for 300 ms, and the second of the change over.
        {"one change early in a second", {100}, 1000},
        {"one change late in a second", {900}, 1200},
        {"a change right at a second", {1000}, 2000},
        {"a writer that pauses 250 ms is still writing", {0, 250, 500, 750}, 1050},
        {"a writer that pauses 400 ms", {0, 400}, 1000},
        // Never quiet: the last whole second within 2 s of the first change.
        {"writes every 100 ms from early in a second",
         {100,  200,  300,  400,  500,  600,  700,  800,  900,  1000, 1100,
          1200, 1300, 1400, 1500, 1600, 1700, 1800, 1900, 2000, 2100},
         2000},
        {"writes every 200 ms from late in a second", {900, 1100, 1300, 1500, 1700, 1900}, 2000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DueAfter(c.changes), c.due);
    }
}

TEST(ChangeSettleTest, NothingWaitsBeforeAChangeOrAfterTheCheck) {
    CChangeSettle settle;
    EXPECT_EQ(settle.WaitMs(kSecond), -1);
    settle.OnChange(kSecond + 100);
    EXPECT_EQ(settle.WaitMs(kSecond + 100), 900);
    EXPECT_EQ(settle.WaitMs(kSecond + 5000), 0);
    settle.OnChecked(kSecond + 5000);
    EXPECT_FALSE(settle.IsPending());
    EXPECT_EQ(settle.WaitMs(kSecond + 5000), -1);
    // A new change after the check starts a new settle from it.
    settle.OnChange(kSecond + 5900);
    EXPECT_EQ(settle.WaitMs(kSecond + 5900), 300);
}

// A clock set back does not leave the check far in the future.
TEST(ChangeSettleTest, AClockSetBackStartsAfresh) {
    CChangeSettle settle;
    settle.OnChange(kSecond + 500);
    settle.OnChange(kSecond - 3'600'000);
    EXPECT_EQ(settle.WaitMs(kSecond - 3'600'000), 1000);
    EXPECT_LE(settle.WaitMs(kSecond - 7'200'000), CChangeSettle::kLongestMs);
}

// A file rewritten every 10 ms for 10 s: a check at most once per quiet period and at most
// every 2 s while the writing goes on, and one after the last write once its second is over.
TEST(ChangeSettleTest, ATightLoopChecksRarelyAndEndsWithACheck) {
    CChangeSettle settle;
    std::vector<std::int64_t> checks;
    const std::int64_t start = 437;
    const std::int64_t lastWrite = start + 9990;
    for (std::int64_t t = start; t < lastWrite + 3000; ++t) {
        if (t <= lastWrite && (t - start) % 10 == 0) settle.OnChange(kSecond + t);
        if (settle.WaitMs(kSecond + t) == 0) {
            checks.push_back(t);
            settle.OnChecked(kSecond + t);
        }
    }
    ASSERT_GE(checks.size(), 2u);
    EXPECT_LE(checks.size(), 6u);
    for (std::size_t i = 1; i < checks.size(); ++i) {
        EXPECT_GE(checks[i] - checks[i - 1], CChangeSettle::kQuietMs);
        EXPECT_LE(checks[i] - checks[i - 1], CChangeSettle::kLongestMs + 10);
    }
    EXPECT_GE(checks.back(), (lastWrite / 1000 + 1) * 1000);
    EXPECT_LE(checks.back(), lastWrite + CChangeSettle::kLongestMs);
}

}  // namespace
