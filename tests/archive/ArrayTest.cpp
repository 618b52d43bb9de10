#include "archive/Array.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Fills `array` with `size` elements so that its capacity equals its size.
void MakeFull(CArray<int>& array, int size, int growBy) {
    array.SetSize(size, growBy);
    ASSERT_EQ(array.GetCapacity(), size) << "set-up: pick size >= growth step";
}

TEST(ArrayTest, AddBeyondCapacityGrowsByTheRule) {
    const struct {
        int growBy;
        int size;  // elements before the add, capacity full
        int expectedCapacity;
    } cases[] = {
        {0, 4, 8},          // size/8 = 0, raised to 4
        {0, 31, 35},        // 3, raised to 4
        {0, 40, 45},        // 5
        {0, 800, 900},      // 100
        {0, 8199, 9223},    // 1024 exactly
        {0, 8192, 9216},    // 1024
        {0, 20000, 21024},  // 2500, capped at 1024
        {1, 10, 11},       {3, 10, 13}, {2000, 2000, 4000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "growBy " << c.growBy << " size " << c.size);
        CArray<int> array;
        MakeFull(array, c.size, c.growBy);
        array.Add(7);
        EXPECT_EQ(array.GetCapacity(), c.expectedCapacity);
        EXPECT_EQ(array.GetSize(), c.size + 1);
        EXPECT_EQ(array[c.size], 7);
    }
}

TEST(ArrayTest, EmptyArrayGrowsByStepOrFour) {
    CArray<int> byRule;
    byRule.Add(1);
    EXPECT_EQ(byRule.GetCapacity(), 4);
    for (int i = 2; i <= 4; ++i) byRule.Add(i);
    EXPECT_EQ(byRule.GetCapacity(), 4);  // no growth while there is room
    byRule.Add(5);
    EXPECT_EQ(byRule.GetCapacity(), 8);

    CArray<int> stepped;
    stepped.SetSize(0, 10);
    stepped.Add(1);
    EXPECT_EQ(stepped.GetCapacity(), 10);
}

TEST(ArrayTest, GrowthReachesAtLeastTheRequestedSize) {
    const struct {
        int growBy;
        int size;
        int newSize;
        int expectedCapacity;
    } cases[] = {
        {0, 8, 10, 12},    // step 4 is enough
        {0, 8, 100, 100},  // the request is larger than the step
        {5, 8, 10, 13},
        {5, 8, 20, 20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "growBy " << c.growBy << " to " << c.newSize);
        CArray<int> array;
        MakeFull(array, c.size, c.growBy);
        array.SetSize(c.newSize);
        EXPECT_EQ(array.GetCapacity(), c.expectedCapacity);
        EXPECT_EQ(array.GetSize(), c.newSize);

        CArray<int> appended;
        MakeFull(appended, c.size, c.growBy);
        CArray<int> more;
        more.SetSize(c.newSize - c.size);
        appended.Append(more);
        EXPECT_EQ(appended.GetCapacity(), c.expectedCapacity);
        EXPECT_EQ(appended.GetSize(), c.newSize);
    }
}

TEST(ArrayTest, RemoveAtKeepsTheOrder) {
    const struct {
        int index;
        int count;
        std::vector<std::string> expected;
    } cases[] = {
        {0, 1, {"b", "c", "d", "e"}},
        {2, 1, {"a", "b", "d", "e"}},
        {4, 1, {"a", "b", "c", "d"}},
        {1, 3, {"a", "e"}},
        {0, 5, {}},
        {3, 0, {"a", "b", "c", "d", "e"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "at " << c.index << " count " << c.count);
        CStringArray array;
        for (const char* s : {"a", "b", "c", "d", "e"}) array.Add(s);
        const int capacity = array.GetCapacity();
        array.RemoveAt(c.index, c.count);
        EXPECT_EQ(std::vector<std::string>(array.begin(), array.end()), c.expected);
        EXPECT_EQ(array.GetCapacity(), capacity);
    }
}

// An element of the array itself may be added or appended while the array must grow.
TEST(ArrayTest, AddingOwnElementsWhileGrowing) {
    const std::string first(100, 'f');  // too long for the small-string buffer
    CStringArray array;
    array.Add(first);
    for (int i = 1; i < 4; ++i) array.Add(std::string(100, static_cast<char>('0' + i)));
    ASSERT_EQ(array.GetSize(), array.GetCapacity());
    array.Add(array[0]);
    EXPECT_EQ(array[4], first);

    CStringArray twice;
    for (int i = 0; i < 4; ++i) twice.Add(std::string(50, static_cast<char>('a' + i)));
    twice.Append(twice);
    ASSERT_EQ(twice.GetSize(), 8);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(twice[i], twice[i + 4]);
        EXPECT_EQ(twice[i], std::string(50, static_cast<char>('a' + i)));
    }
}

}  // namespace
