// Watches the global operator new while an object of this class lives, and can make it fail
// with std::bad_alloc, as when memory runs out; without one every allocation goes through.
// Linking this class into a test program replaces its operator new and delete (single and
// array forms) with counting ones over malloc and free, so that the sanitizers see matching
// pairs. A program has one operator new: no other file may replace it.
#pragma once

#include <cstddef>

class CAllocationLimit {
public:
    // No limit yet; counting starts.
    CAllocationLimit();
    CAllocationLimit(const CAllocationLimit&) = delete;
    CAllocationLimit& operator=(const CAllocationLimit&) = delete;
    // Lifts every limit.
    ~CAllocationLimit();

    // From now on every single request for more than `bytes` bytes fails.
    void SetLargest(std::size_t bytes);
    // The allocation with the number `index` from now (0 = the next one) fails; only that one.
    void FailAt(std::size_t index);
    // Allocations requested since construction or the last FailAt, failed ones included.
    std::size_t GetCount() const;
    // Allocations that failed since construction.
    std::size_t GetFailures() const;
    // The largest single request since construction, in bytes.
    std::size_t GetLargest() const;
};
