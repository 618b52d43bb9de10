// A hash index from GUID text to the position of its first entry in a date-entry array.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/DateEntry.h"

// Open addressing over positions: the table holds only ints and reads the GUIDs from the
// array itself, so building it copies no text. Positions stay valid while entries are
// updated in place or appended; removing entries invalidates the index.
class CGuidIndex {
public:
    // REQUIRES: `entries` outlives the index.
    explicit CGuidIndex(const CDateEntryArray& entries);

    // Indexes every entry of the array; for a GUID held by several entries the first one
    // counts. `extra`: how many more positions will be added, to size the table once.
    void Build(int extra);
    // Position of the first entry with exactly this GUID; -1 when none.
    int Find(const std::string& guid) const;
    // Records `position` for its entry's GUID unless that GUID is already indexed.
    void Add(int position);

private:
    static std::uint64_t Hash(const std::string& text);
    void Resize(std::size_t slots);
    // The slot holding `guid`, or the empty slot where it would go.
    std::size_t Probe(const std::string& guid) const;

    const CDateEntryArray& m_entries;
    std::vector<std::int32_t> m_slots;  // -1: empty; size a power of two
    std::size_t m_used = 0;
};
