// The sorted index of a date-time list against a plain multiset: insertions in order, out of
// order and in reverse (which move the short run into the long one many times), removals
// of one copy, lookups and counts up to a value.
#include "store/DateTimeIndex.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>

namespace {

CDateTime At(std::int32_t day, std::int32_t second) {
    return CDateTime::FromStored(day, second);
}

TEST(DateTimeIndexTest, AgreesWithAMultiset) {
    struct Case {
        const char* name;
        int order;  // 0 ascending, 1 descending, 2 random
    };
    for (const Case c : {Case{"ascending", 0}, Case{"descending", 1}, Case{"random", 2}}) {
        SCOPED_TRACE(c.name);
        std::mt19937_64 rng(7 + c.order);
        auto random = [&rng](std::int64_t lo, std::int64_t hi) {
            return std::uniform_int_distribution<std::int64_t>(lo, hi)(rng);
        };
        CDateTimeIndex index;
        std::multiset<std::int64_t> reference;
        auto key = [](const CDateTime& t) { return CDateTimeIndex::KeyOf(t); };
        for (int i = 0; i < 6000; ++i) {
            const std::int32_t day = c.order == 0   ? 700000 + i / 3
                                     : c.order == 1 ? 800000 - i / 3
                                                    : static_cast<std::int32_t>(random(-5, 3000));
            // Seconds outside the day too, as a damaged file may hold them.
            const CDateTime value = At(day, static_cast<std::int32_t>(random(-2, 86401)));
            index.Insert(value);
            reference.insert(key(value));
            if (random(0, 4) == 0) {
                // Remove a value that is there or one that is not.
                const CDateTime gone = random(0, 1) == 0 ? value : At(day, 90000);
                const auto at = reference.find(key(gone));
                EXPECT_EQ(index.Erase(gone), at != reference.end());
                if (at != reference.end()) reference.erase(at);
            }
            if (i % 97 == 0) {
                for (int probe = 0; probe < 20; ++probe) {
                    const CDateTime t = probe % 2 == 0
                                            ? value
                                            : At(static_cast<std::int32_t>(random(-5, 900000)),
                                                 static_cast<std::int32_t>(random(-2, 86401)));
                    EXPECT_EQ(index.Contains(t), reference.count(key(t)) > 0);
                    EXPECT_EQ(index.CountUpTo(t),
                              static_cast<std::size_t>(
                                  std::distance(reference.begin(), reference.upper_bound(key(t)))));
                }
            }
        }
        EXPECT_EQ(index.GetSize(), reference.size());
        index.Clear();
        EXPECT_EQ(index.GetSize(), 0u);
        EXPECT_FALSE(index.Contains(At(700000, 0)));
    }
}

// The keys order as date-times do, so that counts up to a value follow time.
TEST(DateTimeIndexTest, KeysOrderAsDateTimes) {
    const CDateTime values[] = {At(-3, 5),    At(1, -1), At(1, 0),
                                At(1, 86399), At(2, 0),  At(2147483647, 0)};
    for (const CDateTime& a : values) {
        for (const CDateTime& b : values) {
            EXPECT_EQ(CDateTimeIndex::KeyOf(a) < CDateTimeIndex::KeyOf(b), a < b);
        }
    }
}

}  // namespace
