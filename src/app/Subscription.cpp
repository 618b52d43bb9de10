#include "app/Subscription.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "ini/IniDocument.h"
#include "sync/FeedAddress.h"

namespace {

const std::string kName = "Name";
const std::string kSource = CSubscription::kSourceKey;
const std::string kSourcePassword = CSubscription::kSourcePassword;
const std::string kEnabled = "Enabled";
const std::string kInterval = "Interval";
const std::string kCaFile = "CaFile";
const std::string kColor = "Color";
const std::string kCategory = "Category";
const std::string kReminder = "Reminder";
const std::string kAllDayReminder = "AllDayReminder";
const std::string kIgnoreAlarms = "IgnoreAlarms";
const std::string kIgnoreDescription = "IgnoreDescription";
const std::string kLastFeedFileTime = "LastFeedFileTime";
const std::string kETag = "ETag";
const std::string kLastModified = "LastModified";
const std::string kSha256 = "Sha256";
const std::string kLastSync = "LastSync";
const std::string kLastStatus = "LastStatus";
const std::string kImported = "Imported";
const std::string kApplied = "Applied";
const std::string kLeftAlone = "LeftAlone";

const std::array<const std::string*, 21> kKnownKeys = {
    &kLeftAlone,        &kName,           &kSource,       &kEnabled,
    &kInterval,         &kCaFile,         &kColor,        &kCategory,
    &kReminder,         &kAllDayReminder, &kIgnoreAlarms, &kIgnoreDescription,
    &kLastFeedFileTime, &kETag,           &kLastModified, &kSha256,
    &kLastSync,         &kLastStatus,     &kImported,     &kApplied,
    &kSourcePassword};

bool IsKnownKey(std::string_view key) {
    return std::any_of(kKnownKeys.begin(), kKnownKeys.end(),
                       [key](const std::string* known) { return *known == key; });
}

// A number of minutes, or none for an empty value or one without digits.
std::optional<std::int32_t> ReadMinutes(const std::string& text) {
    bool hasDigits = false;
    const std::int32_t value = CIniDocument::ConvertInt(text, &hasDigits);
    if (!hasDigits || value < 0) return std::nullopt;
    return value;
}

std::string FormatMinutes(const std::optional<std::int32_t>& minutes) {
    return minutes ? std::to_string(*minutes) : std::string();
}

}  // namespace

void CSubscription::Read(const CIniDocument& document, const std::string& section) {
    *this = CSubscription();
    Name = document.GetString(section, kName, "");
    Source = document.GetString(section, kSource, "");
    Enabled = document.GetInt(section, kEnabled, 1) != 0;
    Interval = document.GetInt(section, kInterval, kDefaultInterval);
    CaFile = document.GetString(section, kCaFile, "");
    Color = document.GetString(section, kColor, "");
    Category = document.GetString(section, kCategory, "");
    Reminder = ReadMinutes(document.GetString(section, kReminder, ""));
    AllDayReminder = ReadMinutes(document.GetString(section, kAllDayReminder, ""));
    IgnoreAlarms = document.GetInt(section, kIgnoreAlarms, 0) != 0;
    IgnoreDescription = document.GetInt(section, kIgnoreDescription, 0) != 0;
    LastFeedFileTime = document.GetDateTime(section, kLastFeedFileTime, CDateTime(2000, 1, 1));
    ETag = document.GetString(section, kETag, "");
    LastModified = document.GetString(section, kLastModified, "");
    Sha256 = document.GetString(section, kSha256, "");
    if (!document.GetString(section, kLastSync, "").empty()) {
        LastSync = document.GetDateTime(section, kLastSync, CDateTime());
    }
    LastStatus = document.GetString(section, kLastStatus, "");
    Imported = ReadMinutes(document.GetString(section, kImported, ""));
    Applied = ParseApplied(document.GetString(section, kApplied, ""));
    LeftAlone = document.GetInt(section, kLeftAlone, 0);

    const std::size_t index = document.FindSection(section);
    if (index == CIniDocument::kNoSection) return;
    document.ForEachKeyLine(index, [this](std::string_view key, std::string_view stored) {
        if (IsKnownKey(key)) return;
        const auto same = std::find_if(OtherKeys.begin(), OtherKeys.end(),
                                       [key](const auto& other) { return other.first == key; });
        if (same != OtherKeys.end()) {
            same->second = stored;
        } else {
            OtherKeys.emplace_back(key, stored);
        }
    });
}

void CSubscription::Write(CIniDocument& document, const std::string& section) const {
    document.SetString(section, kName, Name);
    document.SetString(section, kSource, Source);
    document.SetInt(section, kEnabled, Enabled ? 1 : 0);
    document.SetInt(section, kInterval, Interval);
    document.SetString(section, kCaFile, CaFile);
    document.SetString(section, kColor, Color);
    document.SetString(section, kCategory, Category);
    document.SetString(section, kReminder, FormatMinutes(Reminder));
    document.SetString(section, kAllDayReminder, FormatMinutes(AllDayReminder));
    document.SetInt(section, kIgnoreAlarms, IgnoreAlarms ? 1 : 0);
    document.SetInt(section, kIgnoreDescription, IgnoreDescription ? 1 : 0);
    document.SetDateTime(section, kLastFeedFileTime, LastFeedFileTime);
    document.SetString(section, kETag, ETag);
    document.SetString(section, kLastModified, LastModified);
    document.SetString(section, kSha256, Sha256);
    document.SetString(section, kLastSync, LastSync ? LastSync->FormatStorage() : std::string());
    document.SetString(section, kLastStatus, LastStatus);
    document.SetString(section, kImported, FormatMinutes(Imported));
    document.SetString(section, kApplied, FormatApplied(Applied));
    document.SetInt(section, kLeftAlone, LeftAlone);
    for (const auto& [key, stored] : OtherKeys) {
        document.SetString(section, key, CIniDocument::Unescape(stored));
    }
}

SImportChoices CSubscription::Choices() const {
    SImportChoices choices;
    choices.BgColor = CImportChoices::ParseColor(Color);
    choices.Category = Category;
    choices.Reminder = Reminder;
    choices.AllDayReminder = AllDayReminder;
    choices.IgnoreAlarms = IgnoreAlarms;
    choices.IgnoreDescription = IgnoreDescription;
    return choices;
}

std::int32_t CSubscription::MinimumInterval(const std::string& source) {
    return CFeedAddress::IsAddress(source) ? kMinimumAddressInterval : kMinimumFileInterval;
}

std::int32_t CSubscription::EffectiveInterval() const {
    return std::max(Interval, MinimumInterval(Source));
}

std::string CSubscription::DefaultName(const std::string& source) {
    std::string name;
    if (CFeedAddress::IsAddress(source)) {
        std::size_t begin = source.find("://");
        begin = begin == std::string::npos ? 0 : begin + 3;
        std::size_t end = source.find_first_of("/?#", begin);
        if (end == std::string::npos) end = source.size();
        const std::size_t at = source.rfind('@', end - 1);
        if (at != std::string::npos && at >= begin) begin = at + 1;
        name = source.substr(begin, end - begin);
        const std::size_t port = name.rfind(':');
        if (port != std::string::npos && name.find(']') == std::string::npos) name.resize(port);
    } else {
        const std::size_t slash = source.find_last_of("/\\");
        name = slash == std::string::npos ? source : source.substr(slash + 1);
        const std::size_t dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0) name.resize(dot);
    }
    return name.empty() ? std::string("Feed") : name;
}

SSubscriptionRow CSubscription::Row() const {
    SSubscriptionRow row;
    row.Name = Name;
    row.Source = CFeedAddress::Masked(Source);
    row.Status = LastStatus;
    if (!Enabled) row.Status = LastStatus.empty() ? "Disabled" : "Disabled; last: " + LastStatus;
    row.LastSync = LastSync ? LastSync->Format("%Y-%m-%d %H:%M:%S") : "never";
    return row;
}

void CSubscription::ForgetValidators() {
    ETag.clear();
    LastModified.clear();
    Sha256.clear();
}

std::string CSubscription::FormatApplied(const SImportChoices& choices) {
    std::string text = choices.BgColor ? CImportChoices::FormatColor(*choices.BgColor) : "";
    text += "|" + FormatMinutes(choices.Reminder) + "|" + FormatMinutes(choices.AllDayReminder) +
            "|" + (choices.IgnoreAlarms ? "a" : "") + (choices.IgnoreDescription ? "d" : "") + "|" +
            choices.Category;
    return text;
}

SImportChoices CSubscription::ParseApplied(const std::string& text) {
    SImportChoices choices;
    std::string parts[4];
    std::size_t at = 0;
    for (std::string& part : parts) {
        const std::size_t bar = text.find('|', at);
        if (bar == std::string::npos) return SImportChoices();
        part = text.substr(at, bar - at);
        at = bar + 1;
    }
    choices.BgColor = CImportChoices::ParseColor(parts[0]);
    choices.Reminder = ReadMinutes(parts[1]);
    choices.AllDayReminder = ReadMinutes(parts[2]);
    choices.IgnoreAlarms = parts[3].find('a') != std::string::npos;
    choices.IgnoreDescription = parts[3].find('d') != std::string::npos;
    choices.Category = text.substr(at);
    return choices;
}
