// One section of a feed as the feed reader takes it: a single pass over its key lines gathers
// the value that counts for each key of the vocabulary and for each dropped occurrence.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "feed/FeedVocabulary.h"

class CIniDocument;

// Values are the stored (escaped) text of their lines, views into the document, valid while
// it stays unchanged; where a key has several lines, the last one counts. Key lines that are
// neither a key of the vocabulary nor a dropped occurrence are passed over. One object serves
// section after section and keeps its buffers.
class CFeedSection {
public:
    // Gathers the section with index `section` of `document`; CIniDocument::kNoSection gives
    // a section without key lines.
    void Gather(const CIniDocument& document, std::size_t section);

    // The stored value of the key at `index` in CFeedVocabulary::GetKeys(); nullptr when the
    // section has no line of that key. REQUIRES: index < CFeedVocabulary::kKeyCount.
    const std::string_view* Find(std::size_t index) const {
        return m_present[index] ? &m_values[index] : nullptr;
    }
    // The stored values of "DroppedOccurence 0", "DroppedOccurence 1", ..., up to the first
    // number that the section lacks.
    std::span<const std::string_view> GetDroppedOccurrences() const { return m_dropped; }

private:
    std::array<std::string_view, CFeedVocabulary::kKeyCount> m_values;
    std::array<bool, CFeedVocabulary::kKeyCount> m_present{};
    // Every dropped-occurrence line as (number, stored value), in the order of the text.
    std::vector<std::pair<int, std::string_view>> m_droppedLines;
    std::vector<std::string_view> m_dropped;
};
