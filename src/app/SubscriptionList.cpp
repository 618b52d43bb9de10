#include "app/SubscriptionList.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string_view>
#include <utility>

#include "ini/IniDocument.h"

namespace {

constexpr std::string_view kPrefix = "Feed ";

// The legacy keys of the one feed in the section "Settings", in the order they are removed.
const char* const kLegacyKeys[] = {"FeedFilePath", "CheckFeedInterval", "LastFeedFileTime",
                                   "FeedCaFile",   "FeedETag",          "FeedLastModified",
                                   "FeedSha256"};

// N of a section named "Feed N" (decimal digits only, at most 9); -1 for any other name.
long SectionNumber(std::string_view name) {
    if (!name.starts_with(kPrefix)) return -1;
    const std::string_view digits = name.substr(kPrefix.size());
    if (digits.empty() || digits.size() > 9) return -1;
    long number = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return -1;
        number = number * 10 + (c - '0');
    }
    return number;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

bool CSubscriptionList::Read(const CIniDocument& document, const std::string& settingsSection) {
    Items.clear();
    std::vector<std::pair<long, std::string>> sections;
    for (std::string& name : document.GetSectionNames()) {
        const long number = SectionNumber(name);
        if (number >= 0) sections.emplace_back(number, std::move(name));
    }
    std::sort(sections.begin(), sections.end());
    for (const auto& [number, section] : sections) {
        CSubscription subscription;
        subscription.Read(document, section);
        if (subscription.Source.empty()) continue;
        if (subscription.Name.empty()) {
            subscription.Name = CSubscription::DefaultName(subscription.Source);
        }
        subscription.Name = UniqueName(subscription.Name);
        Items.push_back(std::move(subscription));
    }
    if (!sections.empty()) return false;

    CSubscription legacy;
    legacy.Source = document.GetString(settingsSection, kLegacyFeedFilePath, "");
    if (legacy.Source.empty()) return false;
    legacy.Name = CSubscription::DefaultName(legacy.Source);
    legacy.Interval =
        document.GetInt(settingsSection, "CheckFeedInterval", CSubscription::kDefaultInterval);
    legacy.LastFeedFileTime =
        document.GetDateTime(settingsSection, "LastFeedFileTime", CDateTime(2000, 1, 1));
    legacy.CaFile = document.GetString(settingsSection, "FeedCaFile", "");
    legacy.ETag = document.GetString(settingsSection, "FeedETag", "");
    legacy.LastModified = document.GetString(settingsSection, "FeedLastModified", "");
    legacy.Sha256 = document.GetString(settingsSection, "FeedSha256", "");
    Items.push_back(std::move(legacy));
    return true;
}

void CSubscriptionList::Write(CIniDocument& document, const std::string& settingsSection) const {
    for (const std::string& name : document.GetSectionNames()) {
        if (SectionNumber(name) >= 0) document.RemoveSection(name);
    }
    for (const char* const key : kLegacyKeys) document.RemoveKey(settingsSection, key);
    for (std::size_t i = 0; i < Items.size(); ++i) {
        Items[i].Write(document, SectionName(i));
    }
}

int CSubscriptionList::IndexOf(const std::string& name) const {
    for (std::size_t i = 0; i < Items.size(); ++i) {
        if (SameName(Items[i].Name, name)) return static_cast<int>(i);
    }
    return -1;
}

int CSubscriptionList::IndexOfSource(const std::string& source) const {
    for (std::size_t i = 0; i < Items.size(); ++i) {
        if (Items[i].Source == source) return static_cast<int>(i);
    }
    return -1;
}

std::string CSubscriptionList::UniqueName(const std::string& wanted, int except) const {
    const auto taken = [this, except](const std::string& name) {
        const int found = IndexOf(name);
        return found >= 0 && found != except;
    };
    std::string name = wanted;
    for (int n = 2; taken(name); ++n) name = wanted + " (" + std::to_string(n) + ")";
    return name;
}

void CSubscriptionList::TakeStateFrom(const CSubscriptionList& running) {
    for (CSubscription& feed : Items) {
        const int found = running.IndexOfSource(feed.Source);
        if (found < 0) continue;
        const CSubscription& state = running.Items[static_cast<std::size_t>(found)];
        feed.LastFeedFileTime = state.LastFeedFileTime;
        feed.ETag = state.ETag;
        feed.LastModified = state.LastModified;
        feed.Sha256 = state.Sha256;
        feed.LastSync = state.LastSync;
        feed.LastStatus = state.LastStatus;
        feed.Imported = state.Imported;
        feed.LeftAlone = state.LeftAlone;
        feed.Applied = state.Applied;
    }
}

int CSubscriptionList::EnabledCount() const {
    return static_cast<int>(std::count_if(Items.begin(), Items.end(),
                                          [](const CSubscription& s) { return s.Enabled; }));
}

std::string CSubscriptionList::ModeNote() const {
    if (Items.size() <= 1) return {};
    return "With " + std::to_string(Items.size()) +
           " subscriptions the calendar syncs in add mode (each replace would wipe the others).";
}

std::string CSubscriptionList::SectionName(std::size_t index) {
    return std::string(kPrefix) + std::to_string(index + 1);
}
