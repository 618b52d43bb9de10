#include "feed/FeedVocabulary.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>

namespace {

constexpr std::string_view kDroppedOccurrencePrefix = "DroppedOccurence ";
constexpr std::string_view kDateEntryPrefix = "DateEntry ";
constexpr std::string_view kRemovePrefix = "Remove ";

std::string Numbered(std::string_view prefix, int index) {
    return std::string(prefix) + std::to_string(index);
}

using P = DateEntryProperties;

constexpr CFeedKey Text(const char* name, CRecordText P::*member) {
    return {name, EFeedForm::Text, member, nullptr, nullptr};
}
constexpr CFeedKey Integer(const char* name, std::int32_t P::*member) {
    return {name, EFeedForm::Integer, nullptr, member, nullptr};
}
constexpr CFeedKey Color(const char* name, std::int32_t P::*member) {
    return {name, EFeedForm::Color, nullptr, member, nullptr};
}
constexpr CFeedKey DateTime(const char* name, CPackedDateTime P::*member) {
    return {name, EFeedForm::DateTime, nullptr, nullptr, member};
}

// Text, Integer, Color and DateTime above are the feed forms that the table names; each
// takes only a member of its type.
#define ZF_FEED_KEY(name, type, initial, form, firstSchema) form(#name, &P::name),
const CFeedKey g_keys[] = {ZF_DATE_ENTRY_PROPERTIES(ZF_FEED_KEY)};
#undef ZF_FEED_KEY

static_assert(std::size(g_keys) == CFeedVocabulary::kKeyCount);

// Open addressing over the key names: index + 1 per slot, 0 for an empty one. The slot
// comes from the length and three bytes, which tell most names apart; a probe compares the
// whole name.
class CKeyTable {
public:
    static constexpr std::size_t kSlots = 128;

    CKeyTable() {
        m_slots.fill(0);
        for (std::size_t i = 0; i < std::size(g_keys); ++i) {
            std::size_t slot = Slot(g_keys[i].name);
            while (m_slots[slot] != 0) slot = (slot + 1) % kSlots;
            m_slots[slot] = static_cast<std::uint8_t>(i + 1);
        }
    }

    int Find(std::string_view name) const {
        if (name.empty()) return -1;
        for (std::size_t slot = Slot(name); m_slots[slot] != 0; slot = (slot + 1) % kSlots) {
            const int index = m_slots[slot] - 1;
            const char* const known = g_keys[index].name;
            if (std::strlen(known) == name.size() &&
                std::memcmp(known, name.data(), name.size()) == 0) {
                return index;
            }
        }
        return -1;
    }

private:
    static std::size_t Slot(std::string_view name) {
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(name[i]); };
        std::size_t h = name.size();
        h = h * 33 + byte(0);
        h = h * 33 + byte(name.size() - 1);
        h = h * 33 + byte(name.size() / 2);
        return h % kSlots;
    }

    std::array<std::uint8_t, kSlots> m_slots;
};

}  // namespace

std::span<const CFeedKey> CFeedVocabulary::GetKeys() {
    return g_keys;
}

std::span<const std::string> CFeedVocabulary::GetKeyNames() {
    static const std::array<std::string, kKeyCount> names = [] {
        std::array<std::string, kKeyCount> result;
        for (std::size_t i = 0; i < kKeyCount; ++i) result[i] = g_keys[i].name;
        return result;
    }();
    return names;
}

int CFeedVocabulary::FindKeyIndex(std::string_view name) {
    static const CKeyTable table;
    return table.Find(name);
}

const CFeedKey* CFeedVocabulary::FindKey(std::string_view name) {
    const int index = FindKeyIndex(name);
    return index < 0 ? nullptr : &g_keys[index];
}

std::string CFeedVocabulary::DroppedOccurrenceKey(int index) {
    return Numbered(kDroppedOccurrencePrefix, index);
}

std::string CFeedVocabulary::DateEntrySection(int index) {
    return Numbered(kDateEntryPrefix, index);
}

std::string CFeedVocabulary::RemoveSection(int index) {
    return Numbered(kRemovePrefix, index);
}

bool CFeedVocabulary::ParseDroppedOccurrenceKey(std::string_view key, int& index) {
    return ParseNumbered(key, kDroppedOccurrencePrefix, index);
}

bool CFeedVocabulary::ParseDateEntrySection(std::string_view name, int& index) {
    return ParseNumbered(name, kDateEntryPrefix, index);
}

bool CFeedVocabulary::ParseRemoveSection(std::string_view name, int& index) {
    return ParseNumbered(name, kRemovePrefix, index);
}

bool CFeedVocabulary::ParseNumbered(std::string_view name, std::string_view prefix, int& index) {
    if (name.size() <= prefix.size() || !name.starts_with(prefix)) return false;
    const std::string_view digits = name.substr(prefix.size());
    // No leading zero, no sign, at most the ten digits of INT_MAX.
    if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0')) return false;
    std::int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > std::numeric_limits<int>::max()) return false;
    index = static_cast<int>(value);
    return true;
}
