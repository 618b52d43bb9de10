#include "sync/GuidIndex.h"

#include <cstring>

CGuidIndex::CGuidIndex(const CDateEntryArray& entries) : m_entries(entries) {}

void CGuidIndex::Build(int extra) {
    const std::size_t expected =
        static_cast<std::size_t>(m_entries.GetSize()) + static_cast<std::size_t>(extra);
    std::size_t slots = 16;
    while (slots < expected * 2) slots *= 2;  // load factor at most one half
    m_slots.assign(slots, SSlot{});
    m_used = 0;
    for (int i = 0; i < m_entries.GetSize(); ++i) Add(i);
}

int CGuidIndex::Find(std::string_view guid) const {
    if (m_slots.empty()) return -1;
    return m_slots[Probe(guid, Hash(guid))].position;
}

void CGuidIndex::Add(int position) {
    if ((m_used + 1) * 2 > m_slots.size()) Resize(m_slots.empty() ? 16 : m_slots.size() * 2);
    const std::string_view guid = m_entries[position].GetGuid();
    const std::uint32_t hash = Hash(guid);
    SSlot& slot = m_slots[Probe(guid, hash)];
    if (slot.position >= 0) return;
    slot = SSlot{hash, position};
    ++m_used;
}

// Eight bytes per multiply instead of one: the text's words, the last one zero-padded, are
// mixed into a 64-bit state whose upper half is folded into the result, so a difference in
// any byte (GUIDs differ in their last ones) reaches the low bits that choose the slot. The
// length goes in first so that texts differing only by trailing zero bytes still differ.
std::uint32_t CGuidIndex::Hash(std::string_view text) {
    constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
    const char* bytes = text.data();
    std::size_t left = text.size();
    std::uint64_t hash = (static_cast<std::uint64_t>(left) + 1) * kMultiplier;
    while (left > 0) {
        std::uint64_t word = 0;
        const std::size_t taken = left < sizeof word ? left : sizeof word;
        std::memcpy(&word, bytes, taken);
        hash = (hash ^ word) * kMultiplier;
        hash ^= hash >> 29;
        bytes += taken;
        left -= taken;
    }
    hash *= kMultiplier;
    return static_cast<std::uint32_t>(hash >> 32) ^ static_cast<std::uint32_t>(hash);
}

// Growing reuses the stored hashes: it reads no GUID.
void CGuidIndex::Resize(std::size_t slots) {
    std::vector<SSlot> old(slots);
    old.swap(m_slots);
    const std::size_t mask = m_slots.size() - 1;
    for (const SSlot& entry : old) {
        if (entry.position < 0) continue;
        std::size_t slot = entry.hash & mask;
        while (m_slots[slot].position >= 0) slot = (slot + 1) & mask;
        m_slots[slot] = entry;
    }
}

std::size_t CGuidIndex::Probe(std::string_view guid, std::uint32_t hash) const {
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = hash & mask;
    for (;;) {
        const SSlot& candidate = m_slots[slot];
        if (candidate.position < 0) return slot;
        if (candidate.hash == hash && m_entries[candidate.position].GetGuid() == guid) return slot;
        slot = (slot + 1) & mask;
    }
}
