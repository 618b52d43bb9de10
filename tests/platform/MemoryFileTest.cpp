#include "platform/MemoryFile.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(MemoryFileTest, WritesOverwriteAndExtend) {
    CMemoryFile file(Bytes{1, 2, 3, 4});
    const std::uint8_t two[2] = {9, 8};
    file.SetPosition(3);
    ASSERT_TRUE(file.Write(two, 2));
    EXPECT_EQ(file.GetData(), (Bytes{1, 2, 3, 9, 8}));
    file.SetPosition(7);
    ASSERT_TRUE(file.Write(two, 1));
    EXPECT_EQ(file.GetData(), (Bytes{1, 2, 3, 9, 8, 0, 0, 9}));
    std::uint64_t length = 0, position = 0;
    ASSERT_TRUE(file.GetLength(length));
    ASSERT_TRUE(file.GetPosition(position));
    EXPECT_EQ(length, 8u);
    EXPECT_EQ(position, 8u);
}

TEST(MemoryFileTest, ReadsStopAtTheEnd) {
    CMemoryFile file(Bytes{1, 2, 3});
    std::uint8_t buffer[8] = {};
    std::size_t read = 0;
    ASSERT_TRUE(file.Read(buffer, 2, read));
    EXPECT_EQ(read, 2u);
    ASSERT_TRUE(file.Read(buffer, 8, read));
    EXPECT_EQ(read, 1u);
    EXPECT_EQ(buffer[0], 3);
    ASSERT_TRUE(file.Read(buffer, 8, read));
    EXPECT_EQ(read, 0u);
    file.SetPosition(10);
    ASSERT_TRUE(file.Read(buffer, 8, read));
    EXPECT_EQ(read, 0u);
}

// The transfer that crosses the budget moves the bytes up to it and reports failure; so does
// every later one that has bytes to move.
TEST(MemoryFileTest, FaultsStrikeAtTheBudget) {
    const struct {
        std::size_t budget;
        std::size_t request;
        bool ok;
        std::size_t moved;
    } cases[] = {
        {5, 5, true, 5},   {5, 6, false, 5},   {0, 1, false, 0},
        {3, 10, false, 3}, {20, 10, true, 10},  // the data (10 bytes) ends first: an ordinary short
                                                // read
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.budget << " / " << c.request);
        CMemoryFile reader(Bytes(10, 7));
        reader.FailReadAfter(c.budget);
        std::uint8_t buffer[16] = {};
        std::size_t read = 99;
        EXPECT_EQ(reader.Read(buffer, c.request, read), c.ok);
        EXPECT_EQ(read, c.moved);

        CMemoryFile writer;
        writer.FailWriteAfter(c.budget);
        EXPECT_EQ(writer.Write(buffer, c.request), c.ok);
        EXPECT_EQ(writer.GetData().size(), c.moved);
    }

    CMemoryFile file(Bytes(10, 7));
    file.FailReadAfter(4);
    std::uint8_t buffer[4];
    std::size_t read = 0;
    EXPECT_TRUE(file.Read(buffer, 4, read));
    EXPECT_FALSE(file.Read(buffer, 1, read));
    file.FailReadAfter(CMemoryFile::kNoLimit);
    EXPECT_TRUE(file.Read(buffer, 4, read));
    EXPECT_EQ(read, 4u);

    file.FailQueries(true);
    std::uint64_t value = 0;
    EXPECT_FALSE(file.GetLength(value));
    EXPECT_FALSE(file.GetPosition(value));
}

}  // namespace
