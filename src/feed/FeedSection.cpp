#include "feed/FeedSection.h"

#include <algorithm>

#include "ini/IniDocument.h"

void CFeedSection::Gather(const CIniDocument& document, std::size_t section) {
    m_present.fill(false);
    m_droppedLines.clear();
    m_dropped.clear();
    if (section == CIniDocument::kNoSection) return;
    const auto names = CFeedVocabulary::GetKeyNames();
    // Feed writers list the keys in the vocabulary's order, so the key after the last one
    // found is tried before the table.
    std::size_t expected = 0;
    document.ForEachKeyLine(section, [&](std::string_view key, std::string_view stored) {
        int index = -1;
        if (expected < names.size() && key == names[expected]) {
            index = static_cast<int>(expected);
        } else {
            index = CFeedVocabulary::FindKeyIndex(key);
        }
        if (index >= 0) {
            m_values[static_cast<std::size_t>(index)] = stored;
            m_present[static_cast<std::size_t>(index)] = true;
            expected = static_cast<std::size_t>(index) + 1;
            return;
        }
        int number = 0;
        if (CFeedVocabulary::ParseDroppedOccurrenceKey(key, number)) {
            m_droppedLines.emplace_back(number, stored);
        }
    });
    if (m_droppedLines.empty()) return;
    // By number, the lines of one number in the order of the text: the last of each counts.
    std::stable_sort(m_droppedLines.begin(), m_droppedLines.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < m_droppedLines.size(); ++i) {
        const int number = m_droppedLines[i].first;
        if (number != static_cast<int>(m_dropped.size())) break;
        while (i + 1 < m_droppedLines.size() && m_droppedLines[i + 1].first == number) ++i;
        m_dropped.push_back(m_droppedLines[i].second);
    }
}
