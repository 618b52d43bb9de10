#include "support/AllocationLimit.h"

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

std::atomic<bool> g_active{false};
std::atomic<std::size_t> g_largest{kNone};
std::atomic<std::size_t> g_count{0};
std::atomic<std::size_t> g_failAt{kNone};
std::atomic<std::size_t> g_failures{0};
std::atomic<std::size_t> g_largestRequest{0};

bool Refuses(std::size_t size) {
    if (!g_active.load(std::memory_order_relaxed)) return false;
    const std::size_t index = g_count.fetch_add(1, std::memory_order_relaxed);
    std::size_t largest = g_largestRequest.load(std::memory_order_relaxed);
    while (size > largest && !g_largestRequest.compare_exchange_weak(largest, size)) {
    }
    if (size > g_largest.load(std::memory_order_relaxed) ||
        index == g_failAt.load(std::memory_order_relaxed)) {
        g_failures.fetch_add(1, std::memory_order_relaxed);
        return true;
    }
    return false;
}

void* Allocate(std::size_t size) {
    if (Refuses(size)) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

}  // namespace

CAllocationLimit::CAllocationLimit() {
    g_largest = kNone;
    g_failAt = kNone;
    g_count = 0;
    g_failures = 0;
    g_largestRequest = 0;
    g_active = true;
}

CAllocationLimit::~CAllocationLimit() {
    g_active = false;
    g_largest = kNone;
    g_failAt = kNone;
}

void CAllocationLimit::SetLargest(std::size_t bytes) {
    g_largest = bytes;
}

void CAllocationLimit::FailAt(std::size_t index) {
    g_count = 0;
    g_failAt = index;
}

std::size_t CAllocationLimit::GetCount() const {
    return g_count;
}

std::size_t CAllocationLimit::GetFailures() const {
    return g_failures;
}

std::size_t CAllocationLimit::GetLargest() const {
    return g_largestRequest;
}

void* operator new(std::size_t size) {
    void* const memory = Allocate(size);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}

void* operator new[](std::size_t size) {
    void* const memory = Allocate(size);
    if (memory == nullptr) throw std::bad_alloc();
    return memory;
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}

void operator delete(void* memory, const std::nothrow_t&) noexcept {
    std::free(memory);
}

void operator delete[](void* memory) noexcept {
    std::free(memory);
}

void operator delete[](void* memory, std::size_t) noexcept {
    std::free(memory);
}
