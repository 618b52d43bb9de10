#include "feed/FeedVocabulary.h"

#include <cstdint>
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

constexpr CFeedKey Text(const char* name, std::string P::*member) {
    return {name, EFeedForm::Text, member, nullptr, nullptr};
}
constexpr CFeedKey Integer(const char* name, std::int32_t P::*member) {
    return {name, EFeedForm::Integer, nullptr, member, nullptr};
}
constexpr CFeedKey Color(const char* name, std::int32_t P::*member) {
    return {name, EFeedForm::Color, nullptr, member, nullptr};
}
constexpr CFeedKey DateTime(const char* name, CDateTime P::*member) {
    return {name, EFeedForm::DateTime, nullptr, nullptr, member};
}

// Text, Integer, Color and DateTime above are the feed forms that the table names; each
// takes only a member of its type.
#define ZF_FEED_KEY(name, type, initial, form, firstSchema) form(#name, &P::name),
const CFeedKey g_keys[] = {ZF_DATE_ENTRY_PROPERTIES(ZF_FEED_KEY)};
#undef ZF_FEED_KEY

}  // namespace

std::span<const CFeedKey> CFeedVocabulary::GetKeys() {
    return g_keys;
}

const CFeedKey* CFeedVocabulary::FindKey(const std::string& name) {
    for (const CFeedKey& key : g_keys) {
        if (name == key.name) return &key;
    }
    return nullptr;
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
