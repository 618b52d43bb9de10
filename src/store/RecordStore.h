// The storage of the texts and date-time lists of date entries: a growing set of blocks that
// hands out pieces and frees them only all together, when the store is destroyed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "store/RecordText.h"

// Pieces are never moved or freed one by one: a piece stays valid, at the same address, as
// long as the store lives. A store is not copied; moving the object that owns it (through
// a std::unique_ptr, as every owner does) keeps every piece where it is.
//
// Blocks grow from `firstBlock` bytes, doubling up to kLargestBlock; a piece larger than the
// next block gets a block of its own size, and Reserve makes one block for what a caller
// knows is coming. A block's unused end is address space that nothing touches, so it costs
// no memory of the process until it is written. Blocks of kLargeBlock bytes or more start
// at a multiple of kLargeBlock and are offered to the platform for large pages, which then
// cover them whole.
class CRecordStore {
public:
    static constexpr std::size_t kLargestBlock = 4 * 1024 * 1024;
    static constexpr std::size_t kLargeBlock = 2 * 1024 * 1024;
    // For a store that holds one entry's pieces.
    static constexpr std::size_t kSmallFirstBlock = 256;
    // For a store that holds the pieces of a list of entries.
    static constexpr std::size_t kListFirstBlock = 64 * 1024;

    explicit CRecordStore(std::size_t firstBlock = kListFirstBlock);
    CRecordStore(const CRecordStore&) = delete;
    CRecordStore& operator=(const CRecordStore&) = delete;
    ~CRecordStore();

    // `bytes` bytes aligned for `alignment` (a power of two up to alignof(std::max_align_t)),
    // uninitialised. Throws std::bad_alloc when no block can be had.
    void* Allocate(std::size_t bytes, std::size_t alignment);
    // Makes room for at least `bytes` more bytes of pieces in one block (a new one when the
    // newest block has less room), so that pieces of up to that many bytes in all need no
    // further block. Throws std::bad_alloc when no block can be had.
    void Reserve(std::size_t bytes);
    // A copy of `text` in this store; the empty text takes no room.
    CRecordText Text(std::string_view text);
    // Bytes of the blocks taken so far.
    std::size_t GetReservedBytes() const { return m_reserved; }

    // The head of a date-time list's piece (CDateTimeList): it names the store the piece
    // lives in, so that a list handle is one pointer and still knows where to grow.
    struct SListHead {
        std::uint32_t size;
        std::uint32_t capacity;
        CRecordStore* store;
    };
    // The piece of every empty list of this store that has none of its own: no room, never
    // written but for a size of 0.
    SListHead* GetEmptyListHead() { return &m_emptyList; }

private:
    struct SBlockDelete {
        std::align_val_t alignment;
        void operator()(std::byte* block) const { ::operator delete[](block, alignment); }
    };
    using Block = std::unique_ptr<std::byte[], SBlockDelete>;

    void AddBlock(std::size_t size);

    std::vector<Block> m_blocks;
    std::byte* m_next = nullptr;  // free room of the newest block: m_next .. m_end
    std::byte* m_end = nullptr;
    std::size_t m_nextBlock;
    std::size_t m_reserved = 0;
    SListHead m_emptyList{0, 0, this};
};
