#include "store/CandidateBudget.h"

#include <cstdint>

#include <gtest/gtest.h>

namespace {

// Takes until the budget refuses, at most `limit` times; how many it granted.
std::int64_t TakeAll(std::int64_t limit) {
    std::int64_t granted = 0;
    while (granted < limit && CCandidateBudget::Take()) ++granted;
    return granted;
}

TEST(CandidateBudgetTest, OneOperationGetsItsCandidatesOnceAndNestedOperationsShareThem) {
    constexpr std::int64_t kMost = CCandidateBudget::kMostCandidatesPerOperation;
    EXPECT_EQ(TakeAll(kMost + 10), kMost + 10) << "no operation open: nothing is bounded";
    {
        const CCandidateBudget operation;
        EXPECT_EQ(TakeAll(kMost / 2), kMost / 2);
        {
            const CCandidateBudget nested;
            EXPECT_EQ(TakeAll(kMost), kMost - kMost / 2) << "the nested one shares the rest";
        }
        EXPECT_FALSE(CCandidateBudget::Take()) << "closing the nested one gives nothing back";
    }
    const CCandidateBudget next;
    EXPECT_EQ(TakeAll(kMost + 10), kMost) << "the next operation starts afresh";
}

}  // namespace
