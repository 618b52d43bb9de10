// A hash index from GUID text to the position of its first entry in a date-entry array.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "store/DateEntryArray.h"

// Open addressing over positions: the table holds each position with its GUID's hash and
// reads the GUIDs from the array itself, so building it copies no text, and a probe reaches
// a GUID only when the hashes are equal. Positions stay valid while entries are updated in
// place or appended; removing entries invalidates the index.
class CGuidIndex {
public:
    // REQUIRES: `entries` outlives the index.
    explicit CGuidIndex(const CDateEntryArray& entries);

    // Indexes every entry of the array; for a GUID held by several entries the first one
    // counts. `extra`: how many more positions will be added, to size the table once.
    void Build(int extra);
    // Position of the first entry with exactly this GUID; -1 when none.
    int Find(std::string_view guid) const;
    // Records `position` for its entry's GUID unless that GUID is already indexed.
    void Add(int position);

private:
    struct SSlot {
        std::uint32_t hash = 0;
        std::int32_t position = -1;  // -1: empty
    };

    static std::uint32_t Hash(std::string_view text);
    void Resize(std::size_t slots);
    // The slot holding `guid` (whose hash is `hash`), or the empty slot where it would go.
    std::size_t Probe(std::string_view guid, std::uint32_t hash) const;

    const CDateEntryArray& m_entries;
    std::vector<SSlot> m_slots;  // size a power of two, at most 2^31
    std::size_t m_used = 0;
};
