#include "sync/GuidIndex.h"

namespace {
constexpr std::int32_t kEmpty = -1;
}

CGuidIndex::CGuidIndex(const CDateEntryArray& entries) : m_entries(entries) {}

void CGuidIndex::Build(int extra) {
    const std::size_t expected =
        static_cast<std::size_t>(m_entries.GetSize()) + static_cast<std::size_t>(extra);
    std::size_t slots = 16;
    while (slots < expected * 2) slots *= 2;  // load factor at most one half
    m_slots.assign(slots, kEmpty);
    m_used = 0;
    for (int i = 0; i < m_entries.GetSize(); ++i) Add(i);
}

int CGuidIndex::Find(const std::string& guid) const {
    if (m_slots.empty()) return -1;
    return m_slots[Probe(guid)];
}

void CGuidIndex::Add(int position) {
    if ((m_used + 1) * 2 > m_slots.size()) Resize(m_slots.empty() ? 16 : m_slots.size() * 2);
    std::int32_t& slot = m_slots[Probe(m_entries[position].GetGuid())];
    if (slot != kEmpty) return;
    slot = position;
    ++m_used;
}

// FNV-1a: GUID texts differ in their last bytes, which every byte of the hash depends on.
std::uint64_t CGuidIndex::Hash(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

void CGuidIndex::Resize(std::size_t slots) {
    std::vector<std::int32_t> old(slots, kEmpty);
    old.swap(m_slots);
    for (const std::int32_t position : old) {
        if (position != kEmpty) m_slots[Probe(m_entries[position].GetGuid())] = position;
    }
}

std::size_t CGuidIndex::Probe(const std::string& guid) const {
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = static_cast<std::size_t>(Hash(guid)) & mask;
    while (m_slots[slot] != kEmpty && m_entries[m_slots[slot]].GetGuid() != guid) {
        slot = (slot + 1) & mask;
    }
    return slot;
}
