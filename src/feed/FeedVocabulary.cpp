#include "feed/FeedVocabulary.h"

#include <string>

namespace {

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
    return "DroppedOccurence " + std::to_string(index);
}

std::string CFeedVocabulary::DateEntrySection(int index) {
    return "DateEntry " + std::to_string(index);
}

std::string CFeedVocabulary::RemoveSection(int index) {
    return "Remove " + std::to_string(index);
}
