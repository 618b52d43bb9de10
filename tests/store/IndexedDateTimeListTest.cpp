// The dropped-occurrence list with its sorted index: every change, through the list or
// through Edit, keeps lookups equal to a scan of the items, on both sides of the length from
// which the list is indexed; what a caller derives from the items is kept until they change.
#include "store/IndexedDateTimeList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <utility>
#include <vector>

#include "archive/Array.h"
#include "store/RecordStore.h"

namespace {

class IndexedDateTimeListTest : public ::testing::Test {
protected:
    // Find, Contains and CountUpTo of `list` equal a scan of its items, for items and others.
    static void ExpectLookupsAsScan(const CIndexedDateTimeList& list, std::mt19937_64& rng) {
        const std::vector<CDateTime> items(list.begin(), list.end());
        std::vector<CDateTime> probes = items;
        for (int i = 0; i < 10; ++i) probes.push_back(Value(rng));
        for (const CDateTime& t : probes) {
            const auto at = std::find(items.begin(), items.end(), t);
            const int expected = at == items.end() ? -1 : static_cast<int>(at - items.begin());
            ASSERT_EQ(list.Find(t), expected);
            ASSERT_EQ(list.Contains(t), expected >= 0);
            ASSERT_EQ(list.CountUpTo(t),
                      std::count_if(items.begin(), items.end(),
                                    [&t](const CDateTime& x) { return x <= t; }));
        }
    }
    // Few distinct values, so that copies are common.
    static CDateTime Value(std::mt19937_64& rng) {
        return CDateTime::FromStored(
            static_cast<std::int32_t>(std::uniform_int_distribution<int>(730000, 730060)(rng)),
            std::uniform_int_distribution<int>(0, 1)(rng) * 3600);
    }

    CRecordStore m_store;
};

TEST_F(IndexedDateTimeListTest, LookupsAgreeWithAScanThroughEveryChange) {
    std::mt19937_64 rng(31);
    auto random = [&rng](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(rng);
    };
    CIndexedDateTimeList list(m_store);
    for (int step = 0; step < 3000; ++step) {
        switch (random(0, 12)) {
            case 0:
                if (!list.IsEmpty()) {
                    const int at = random(0, list.GetSize() - 1);
                    list.RemoveAt(at, random(1, std::min(3, list.GetSize() - at)));
                }
                break;
            case 1:
                if (random(0, 20) == 0) list.RemoveAll();
                break;
            case 2: {
                // A change the index does not follow: through the bare list.
                CDateTimeList& items = list.Edit();
                if (!items.IsEmpty()) items.RemoveAt(0);
                items.Add(Value(rng));
                break;
            }
            case 3: {
                CDateTimeArray other;
                for (int i = random(0, 40); i > 0; --i) other.Add(Value(rng));
                list.Assign(other);
                break;
            }
            case 4: {
                // Moved away and back: the index goes along.
                CIndexedDateTimeList moved = std::move(list);
                EXPECT_TRUE(list.IsEmpty());
                list = std::move(moved);
                break;
            }
            default:
                list.Add(Value(rng));
                break;
        }
        ExpectLookupsAsScan(list, rng);
        if (HasFailure()) {
            ADD_FAILURE() << "step " << step;
            return;
        }
    }
}

TEST_F(IndexedDateTimeListTest, DerivedValuesKeptUntilTheItemsChange) {
    CIndexedDateTimeList list(m_store);
    const CIndexedDateTimeList::DerivedKey rule = {1, 2, 3};
    const CIndexedDateTimeList::DerivedKey other = {1, 2, 4};
    // Too short to be indexed: handed back, never kept.
    list.Add(CDateTime::FromStored(730000, 0));
    EXPECT_EQ(list.KeepDerived(rule, {5}), std::vector<std::int64_t>{5});
    EXPECT_EQ(list.FindDerived(rule), nullptr);

    for (int i = 1; i <= CIndexedDateTimeList::kScannedItems; ++i) {
        list.Add(CDateTime::FromStored(730000 + i, 0));
    }
    EXPECT_EQ(list.KeepDerived(rule, {7, 8}), (std::vector<std::int64_t>{7, 8}));
    ASSERT_NE(list.FindDerived(rule), nullptr);
    EXPECT_EQ(*list.FindDerived(rule), (std::vector<std::int64_t>{7, 8}));
    EXPECT_EQ(list.FindDerived(other), nullptr);

    // Every kind of change forgets them.
    const std::vector<std::function<void()>> changes = {
        [&] { list.Add(CDateTime::FromStored(740000, 0)); },
        [&] { list.RemoveAt(0); },
        [&] { list.Edit(); },
        [&] { list.RemoveAll(); },
    };
    for (const auto& change : changes) {
        while (list.GetSize() <= CIndexedDateTimeList::kScannedItems) {
            list.Add(CDateTime::FromStored(750000 + list.GetSize(), 0));
        }
        list.KeepDerived(rule, {9});
        ASSERT_NE(list.FindDerived(rule), nullptr);
        change();
        EXPECT_EQ(list.FindDerived(rule), nullptr);
    }
}

}  // namespace
