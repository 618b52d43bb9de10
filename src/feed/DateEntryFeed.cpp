// CDateEntry::LoadFromFeed: one feed section into a date entry.
#include <cstdint>
#include <string>
#include <string_view>

#include "datetime/DateTime.h"
#include "feed/FeedReporter.h"
#include "feed/FeedSection.h"
#include "feed/FeedVocabulary.h"
#include "ini/IniDocument.h"
#include "store/DateEntry.h"

namespace {

// The section's value of one key into its property, a text into `entry`'s store. Every
// conversion gets the current value as its default, so an empty integer, colour or date-time
// value leaves the property unchanged, while an empty text empties it.
void AssignKey(const CFeedKey& key, std::string_view stored, CDateEntry& entry,
               DateEntryProperties& p, CIniReporter* reporter, const std::string& section,
               const std::string& name) {
    switch (key.form) {
        case EFeedForm::Text: {
            std::string unescaped;
            const std::string_view text = CIniDocument::Unescaped(stored, unescaped);
            // An unchanged text keeps its stored copy.
            if (p.*key.text != text) p.*key.text = entry.MakeText(text);
            break;
        }
        case EFeedForm::Integer:
            p.*key.integer =
                CIniDocument::ConvertStoredInt(stored, p.*key.integer, reporter, section, name);
            break;
        case EFeedForm::Color:
            p.*key.integer = static_cast<std::int32_t>(CIniDocument::ConvertStoredColor(
                stored, static_cast<std::uint32_t>(p.*key.integer), reporter, section, name));
            break;
        case EFeedForm::DateTime:
            p.*key.dateTime = CIniDocument::ConvertStoredDateTime(stored, p.*key.dateTime, reporter,
                                                                  section, name);
            break;
    }
}

}  // namespace

void CDateEntry::LoadFromFeed(const CFeedSection& values, const std::string& section,
                              CFeedReporter* reporter) {
    DateEntryProperties properties;
    GetProperties(properties);
    const auto names = CFeedVocabulary::GetKeyNames();
    const auto keys = CFeedVocabulary::GetKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (const std::string_view* const stored = values.Find(i)) {
            AssignKey(keys[i], *stored, *this, properties, reporter, section, names[i]);
        }
    }

    // Brought up to now under the properties this entry had before the section.
    UpdateReminders(CDateTime::Now());
    ApplyProperties(properties);

    const CDateTime droppedDefault(1970, 1, 1);
    const auto dropped = values.GetDroppedOccurrences();
    std::string key;
    for (std::size_t k = 0; k < dropped.size(); ++k) {
        if (reporter != nullptr) {
            key = CFeedVocabulary::DroppedOccurrenceKey(static_cast<int>(k));
            if (CIniDocument::Unescape(dropped[k]).empty()) {
                reporter->OnEmptyDroppedOccurrence(section, key, droppedDefault);
            }
        }
        DropOccurrence(CIniDocument::ConvertStoredDateTime(dropped[k], droppedDefault, reporter,
                                                           section, key));
    }
    if (reporter != nullptr) {
        reporter->OnDroppedOccurrencesRead(section, static_cast<int>(dropped.size()));
    }
}
