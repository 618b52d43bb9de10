#include "store/RecordStore.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

TEST(RecordStoreTest, TextsKeepTheirCharactersAndAddressesWhileTheStoreGrows) {
    CRecordStore store(64);
    std::vector<std::string> expected;
    std::vector<CRecordText> texts;
    // Lengths around the block sizes and past the largest block: each text is one piece,
    // in the current block or in a block of its own.
    for (const std::size_t length :
         {1u, 59u, 60u, 61u, 255u, 65534u, 70000u, 5u * 1024 * 1024, 3u, 0u, 17u}) {
        expected.push_back(std::string(length, static_cast<char>('a' + texts.size())));
        texts.push_back(store.Text(expected.back()));
    }
    const std::vector<CRecordText> before = texts;
    for (int i = 0; i < 1000; ++i) store.Text("filler " + std::to_string(i));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(texts[i].View(), expected[i]) << "text " << i;
        EXPECT_EQ(texts[i].size(), expected[i].size()) << "text " << i;
        EXPECT_TRUE(texts[i].IsSameAs(before[i])) << "text " << i;
    }
    EXPECT_TRUE(texts[9].empty());
    EXPECT_GE(store.GetReservedBytes(), 5u * 1024 * 1024);
}

TEST(RecordStoreTest, EmptyTextTakesNoRoomAndEqualsTheDefault) {
    CRecordStore store;
    const CRecordText empty = store.Text("");
    EXPECT_TRUE(empty.empty());
    EXPECT_TRUE(empty.IsSameAs(CRecordText()));
    EXPECT_EQ(store.GetReservedBytes(), 0u);
    EXPECT_EQ(empty, std::string_view());
}

TEST(RecordStoreTest, PiecesAreAlignedAndDoNotOverlap) {
    CRecordStore store(256);
    std::vector<std::pair<std::uintptr_t, std::size_t>> pieces;
    for (int i = 0; i < 200; ++i) {
        const std::size_t alignment = std::size_t{1} << (i % 4);  // 1, 2, 4, 8
        const std::size_t bytes = static_cast<std::size_t>(1 + i % 13);
        const auto at = reinterpret_cast<std::uintptr_t>(store.Allocate(bytes, alignment));
        EXPECT_EQ(at % alignment, 0u) << "piece " << i;
        for (const auto& [other, size] : pieces) {
            EXPECT_TRUE(at + bytes <= other || other + size <= at) << "piece " << i;
        }
        pieces.emplace_back(at, bytes);
    }
}

// What a reservation holds needs no further block; a large block starts on a large page.
TEST(RecordStoreTest, ReservedRoomTakesThePiecesInOneLargeAlignedBlock) {
    CRecordStore store(64);
    store.Text("before");
    const std::size_t before = store.GetReservedBytes();
    store.Reserve(3 * CRecordStore::kLargeBlock);
    EXPECT_EQ(store.GetReservedBytes(), before + 3 * CRecordStore::kLargeBlock);
    const auto first = reinterpret_cast<std::uintptr_t>(store.Allocate(1, 1));
    EXPECT_EQ(first % CRecordStore::kLargeBlock, 0u);
    std::size_t taken = 1;
    while (taken + 1000 <= 3 * CRecordStore::kLargeBlock) {
        store.Text(std::string(996, 'x'));  // 1,000 bytes with the length
        taken += 1000;
    }
    EXPECT_EQ(store.GetReservedBytes(), before + 3 * CRecordStore::kLargeBlock);
    store.Reserve(10);  // room enough left
    EXPECT_EQ(store.GetReservedBytes(), before + 3 * CRecordStore::kLargeBlock);
}

}  // namespace
