// CDateEntry::LoadFromFeed: one feed section into a date entry.
#include <cstdint>
#include <string>
#include <vector>

#include "datetime/DateTime.h"
#include "feed/FeedReporter.h"
#include "feed/FeedVocabulary.h"
#include "feed/IniDocument.h"
#include "store/DateEntry.h"

namespace {

const std::vector<std::string>& KeyNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> result;
        for (const CFeedKey& key : CFeedVocabulary::GetKeys()) result.emplace_back(key.name);
        return result;
    }();
    return names;
}

// Every getter gets the current value as its default, so a missing key (and an empty
// integer, colour or date-time value) leaves the property unchanged.
void ReadKey(const CIniDocument& document, const std::string& section, const CFeedKey& key,
             const std::string& name, DateEntryProperties& p, CIniReporter* reporter) {
    switch (key.form) {
        case EFeedForm::Text:
            // An absent text key leaves the text as it is; handing the current text to
            // GetString as its default would un-escape it and lose its backslashes.
            document.LookupString(section, name, p.*key.text);
            break;
        case EFeedForm::Integer:
            p.*key.integer = document.GetInt(section, name, p.*key.integer, reporter);
            break;
        case EFeedForm::Color:
            p.*key.integer = static_cast<std::int32_t>(document.GetColor(
                section, name, static_cast<std::uint32_t>(p.*key.integer), reporter));
            break;
        case EFeedForm::DateTime:
            p.*key.dateTime = document.GetDateTime(section, name, p.*key.dateTime, reporter);
            break;
    }
}

}  // namespace

void CDateEntry::LoadFromFeed(const CIniDocument& document, const std::string& section,
                              CFeedReporter* reporter) {
    DateEntryProperties properties;
    GetProperties(properties);
    const std::vector<std::string>& names = KeyNames();
    const auto keys = CFeedVocabulary::GetKeys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        ReadKey(document, section, keys[i], names[i], properties, reporter);
    }

    // Brought up to now under the properties this entry had before the section.
    UpdateReminders(CDateTime::Now());
    ApplyProperties(properties);

    const CDateTime droppedDefault(1970, 1, 1);
    int k = 0;
    for (;; ++k) {
        const std::string key = CFeedVocabulary::DroppedOccurrenceKey(k);
        if (!document.HasKey(section, key)) break;
        if (reporter != nullptr && document.GetString(section, key, std::string()).empty()) {
            reporter->OnEmptyDroppedOccurrence(section, key, droppedDefault);
        }
        DropOccurrence(document.GetDateTime(section, key, droppedDefault, reporter));
    }
    if (reporter != nullptr) reporter->OnDroppedOccurrencesRead(section, k);
}
