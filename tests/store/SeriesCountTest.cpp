// The closed-form counts of a fixed-period series against a plain look at each candidate.
#include "store/SeriesCount.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <random>
#include <vector>

#include "store/OccurrenceTestSupport.h"

namespace {

class SeriesCountTest : public OccurrenceTest {
protected:
    struct SRule {
        const char* name;
        int rate;
        int unit;
        std::uint32_t months;
        std::uint32_t weekdays;
        std::int64_t candidates;  // looked at one by one: at least two calendar cycles
    };

    static CDateEntry Make(const SRule& rule) {
        CDateEntry entry = Every(Dt(2024, 1, 3, 10), rule.rate, rule.unit);
        SetLength(entry, 3600);
        entry.Properties.CondMonth = static_cast<std::int32_t>(rule.months);
        entry.Properties.CondWeekdays = static_cast<std::int32_t>(rule.weekdays);
        return entry;
    }
};

// Every query is answered by a new CSeriesCount, as the occurrence queries make them, in a
// random order and alternating between rules, so that the runs kept for the last rule are
// built afresh, walked further and read where an earlier query left them. Queries reach
// past the first calendar cycle, where the counts go by whole cycles.
TEST_F(SeriesCountTest, CountsAgreeWithEachCandidateLookedAt) {
    const SRule rules[] = {
        {"daily in February and November", 1, 2, 0x402, 0x7F, 300000},
        {"every 5 weeks in February", 5, 3, 0x002, 0x7F, 45000},
        {"weekly in January", 1, 3, 0x001, 0x7F, 45000},
        {"every 3 days on weekdays, not in summer", 3, 2, 0xF1F, 0x1F, 100000},
        {"every 146,097 days, its month refused", 146097, 2, 0xFFE, 0x7F, 40},
    };
    std::mt19937_64 random(20261211);
    std::vector<std::vector<std::int64_t>> allowed;  // allowed indices per rule
    std::vector<CDateEntry> entries;
    for (const SRule& rule : rules) {
        entries.push_back(Make(rule));
        const std::optional<CSeriesCount> series = CSeriesCount::Of(entries.back().Properties);
        ASSERT_TRUE(series) << rule.name;
        const std::int64_t lastIndex = series->LastIndexUpTo(INT64_MAX / 4);
        std::vector<std::int64_t> indices;
        for (std::int64_t k = 0; k < rule.candidates && k <= lastIndex; ++k) {
            if (series->IsAllowed(k)) indices.push_back(k);
        }
        allowed.push_back(indices);
    }
    for (int query = 0; query < 3000; ++query) {
        const std::size_t r = random() % std::size(rules);
        const SRule& rule = rules[r];
        const std::vector<std::int64_t>& indices = allowed[r];
        const std::optional<CSeriesCount> series = CSeriesCount::Of(entries[r].Properties);
        ASSERT_TRUE(series);
        const std::int64_t a = static_cast<std::int64_t>(random() % rule.candidates);
        const std::int64_t b = static_cast<std::int64_t>(random() % rule.candidates);
        const std::int64_t first = std::min(a, b);
        const std::int64_t last = std::max(a, b);
        switch (query % 4) {
            case 0: {
                std::int64_t count = -1;
                ASSERT_TRUE(series->CountBefore(last, count)) << rule.name;
                const auto expected =
                    std::lower_bound(indices.begin(), indices.end(), last) - indices.begin();
                EXPECT_EQ(count, expected) << rule.name << " before " << last;
                break;
            }
            case 1: {
                const std::int64_t n =
                    1 +
                    static_cast<std::int64_t>(random() % (indices.size() + indices.size() / 8 + 1));
                std::int64_t k = -1;
                const bool found = series->FindNth(n, last, k);
                const bool expected = n <= static_cast<std::int64_t>(indices.size()) &&
                                      indices[static_cast<std::size_t>(n - 1)] <= last;
                EXPECT_EQ(found, expected) << rule.name << " n " << n << " last " << last;
                if (found && expected) {
                    EXPECT_EQ(k, indices[static_cast<std::size_t>(n - 1)]);
                }
                break;
            }
            case 2: {
                std::int64_t k = -1;
                const bool found = series->FindAllowed(first, last, k);
                const auto next = std::lower_bound(indices.begin(), indices.end(), first);
                const bool expected = next != indices.end() && *next <= last;
                EXPECT_EQ(found, expected) << rule.name << " in " << first << ".." << last;
                if (found && expected) {
                    EXPECT_EQ(k, *next);
                }
                break;
            }
            default:
                EXPECT_EQ(series->CanAnyBeAllowed(), !indices.empty()) << rule.name;
        }
    }
}

}  // namespace
