#include "store/DateTimeList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "store/RecordStore.h"

namespace {

CDateTime Day(int n) {
    return CDateTime::FromStored(738000 + n, n % 86400);
}

std::vector<CDateTime> Items(const CDateTimeList& list) {
    std::vector<CDateTime> items;
    for (const CDateTime item : list) items.push_back(item);
    return items;
}

// Two lists growing in turn in one store interleave their pieces; each keeps its own items,
// and the capacity doubles from 4.
TEST(DateTimeListTest, ListsGrowingInTurnKeepTheirItems) {
    CRecordStore store(64);
    CDateTimeList a(store);
    CDateTimeList b(store);
    std::vector<CDateTime> expectedA;
    std::vector<CDateTime> expectedB;
    std::vector<int> capacities;
    for (int i = 0; i < 1000; ++i) {
        EXPECT_EQ(a.Add(Day(i)), i);
        expectedA.push_back(Day(i));
        if (i % 3 == 0) {
            b.Add(Day(-i));
            expectedB.push_back(Day(-i));
        }
        if (capacities.empty() || capacities.back() != a.GetCapacity()) {
            capacities.push_back(a.GetCapacity());
        }
    }
    EXPECT_EQ(Items(a), expectedA);
    EXPECT_EQ(Items(b), expectedB);
    EXPECT_EQ(capacities, (std::vector<int>{4, 8, 16, 32, 64, 128, 256, 512, 1024}));
}

TEST(DateTimeListTest, RemovalsKeepTheOrderAndEmptyingKeepsTheRoom) {
    CRecordStore store;
    CDateTimeList list(store);
    for (int i = 0; i < 10; ++i) list.Add(Day(i));
    list.RemoveAt(0);
    list.RemoveAt(3, 2);
    list.RemoveAt(list.GetSize() - 1);
    EXPECT_EQ(Items(list),
              (std::vector<CDateTime>{Day(1), Day(2), Day(3), Day(6), Day(7), Day(8)}));

    const int capacity = list.GetCapacity();
    const std::size_t reserved = store.GetReservedBytes();
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    for (int i = 0; i < capacity; ++i) list.Add(Day(100 + i));
    EXPECT_EQ(list.GetCapacity(), capacity);
    EXPECT_EQ(store.GetReservedBytes(), reserved);
    EXPECT_EQ(list[capacity - 1], Day(100 + capacity - 1));

    list.FreeAll();
    EXPECT_EQ(list.GetCapacity(), 0);
}

// Assign and Append copy the items, so the copy outlives the store of its source; a list
// appended to itself doubles once.
TEST(DateTimeListTest, AssignAndAppendCopyIntoTheListsOwnStore) {
    CRecordStore store;
    CDateTimeList copy(store);
    CDateTimeList appended(store);
    appended.Add(Day(-1));
    {
        auto source = std::make_unique<CRecordStore>();
        CDateTimeList list(*source);
        for (int i = 0; i < 5; ++i) list.Add(Day(i));
        copy.Add(Day(99));
        copy.Assign(list);
        appended.Append(list);
    }
    EXPECT_EQ(Items(copy), (std::vector<CDateTime>{Day(0), Day(1), Day(2), Day(3), Day(4)}));
    appended.Append(appended);
    EXPECT_EQ(Items(appended),
              (std::vector<CDateTime>{Day(-1), Day(0), Day(1), Day(2), Day(3), Day(4), Day(-1),
                                      Day(0), Day(1), Day(2), Day(3), Day(4)}));
}

// A list knows its store through its piece alone: an empty list, one emptied by FreeAll and
// one moved from all grow in the store they were made for, and never in another.
TEST(DateTimeListTest, EmptyAndMovedFromListsGrowInTheirOwnStore) {
    CRecordStore first(64);
    CRecordStore second(64);
    CDateTimeList a(first);
    CDateTimeList b(second);
    EXPECT_EQ(a.GetSize(), 0);
    EXPECT_EQ(a.GetCapacity(), 0);
    a.Add(Day(1));
    EXPECT_GT(first.GetReservedBytes(), 0u);
    EXPECT_EQ(second.GetReservedBytes(), 0u);

    CDateTimeList moved(std::move(a));
    EXPECT_EQ(Items(moved), std::vector<CDateTime>{Day(1)});
    EXPECT_TRUE(a.IsEmpty());  // NOLINT(bugprone-use-after-move): the moved-from state is tested
    b = std::move(moved);
    EXPECT_TRUE(moved.IsEmpty());  // NOLINT(bugprone-use-after-move)
    for (int i = 0; i < 100; ++i) {
        a.Add(Day(i));
        moved.Add(Day(-i));
    }
    EXPECT_EQ(second.GetReservedBytes(), 0u);  // b took a's piece, which lives in `first`
    b.FreeAll();
    EXPECT_EQ(b.GetCapacity(), 0);
    b.Add(Day(7));
    EXPECT_EQ(second.GetReservedBytes(), 0u);
    EXPECT_EQ(Items(b), std::vector<CDateTime>{Day(7)});
    EXPECT_EQ(a.GetSize(), 100);
    EXPECT_EQ(moved[99], Day(-99));
}

// Items hold what the file holds: the stored pair, unvalidated.
TEST(DateTimeListTest, StoredPairsComeBackUnchanged) {
    CRecordStore store;
    CDateTimeList list(store);
    list.AddStored(-5, 90000);
    list.AddStored(INT32_MAX, -1);
    EXPECT_EQ(list[0].GetDayNumber(), -5);
    EXPECT_EQ(list[0].GetSecondOfDay(), 90000);
    EXPECT_EQ(list[1].GetDayNumber(), INT32_MAX);
    EXPECT_EQ(list[1].GetSecondOfDay(), -1);
}

}  // namespace
