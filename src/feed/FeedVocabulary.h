// The keys of a date entry section of the feed: their order, value form and the property
// each one fills.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "datetime/DateTime.h"
#include "store/DateEntryProperties.h"

enum class EFeedForm {
    Text,      // GetString, un-escaped
    Integer,   // GetInt: flags, codes, counts and bit sets alike
    Color,     // GetColor: "red,green,blue"
    DateTime,  // GetDateTime: "%Y %m %d %H %M %S" or any ParseStorage form
};

// One key; exactly one of the member pointers matching `form` is set (Color uses
// `integer`).
struct CFeedKey {
    const char* name;
    EFeedForm form;
    CRecordText DateEntryProperties::*text;
    std::int32_t DateEntryProperties::*integer;
    CPackedDateTime DateEntryProperties::*dateTime;
};

class CFeedVocabulary {
public:
    // The key that names the entry, in date entry and removal sections alike.
    static constexpr std::string_view kGuidKey = "GUID";

#define ZF_COUNT_KEY(name, type, initial, form, firstSchema) +1
    // The number of keys, one per property.
    static constexpr std::size_t kKeyCount = 0 ZF_DATE_ENTRY_PROPERTIES(ZF_COUNT_KEY);
#undef ZF_COUNT_KEY

    // One key per property of ZF_DATE_ENTRY_PROPERTIES, named after it and in its order,
    // which is the order in which a section is read.
    static std::span<const CFeedKey> GetKeys();
    // The names of GetKeys(), in the same order.
    static std::span<const std::string> GetKeyNames();
    // The position in GetKeys() of the key with exactly this name; -1 when none. Constant
    // time: a small hash table over the names.
    static int FindKeyIndex(std::string_view name);
    // The key with exactly this name; nullptr when none.
    static const CFeedKey* FindKey(std::string_view name);
    // "DroppedOccurence %d" for `index` (the misspelling is the key as feeds write it).
    static std::string DroppedOccurrenceKey(int index);
    // The section names "DateEntry %d" and "Remove %d".
    static std::string DateEntrySection(int index);
    static std::string RemoveSection(int index);

    // The readers of those names: true, with the number in `index`, for exactly a name that
    // the writer above makes of a number from 0 to INT_MAX.
    static bool ParseDroppedOccurrenceKey(std::string_view key, int& index);
    static bool ParseDateEntrySection(std::string_view name, int& index);
    static bool ParseRemoveSection(std::string_view name, int& index);
    // The same for `prefix` followed by the number as "%d" writes it.
    static bool ParseNumbered(std::string_view name, std::string_view prefix, int& index);
};
