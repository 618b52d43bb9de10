#include "sync/ImportChoices.h"

#include <cstdio>

#include "ical/CssColor.h"
#include "store/DateEntry.h"
#include "store/DateEntryCodes.h"

namespace {

constexpr std::int32_t kMinutesPerUnit[] = {1, 60, 24 * 60, 7 * 24 * 60};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::int32_t BgColorOfRgb(std::uint32_t rgb) {
    return static_cast<std::int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
}

void SetReminder(DateEntryProperties& properties, const std::optional<std::int32_t>& minutes) {
    properties.Forewarn = minutes ? 1 : 0;
    if (!minutes) return;
    properties.ForewarnSpan = *minutes;
    properties.ForewarnUnit = kSpanUnitMinutes;
    // The largest unit that holds the span exactly, as the calendar would show it.
    for (int unit = kSpanUnitWeeks; unit > kSpanUnitMinutes; --unit) {
        if (*minutes != 0 && *minutes % kMinutesPerUnit[unit] == 0) {
            properties.ForewarnSpan = *minutes / kMinutesPerUnit[unit];
            properties.ForewarnUnit = unit;
            break;
        }
    }
}

}  // namespace

std::optional<std::int32_t> CImportChoices::ParseColor(const std::string& text) {
    if (text.size() == 7 && text[0] == '#') {
        std::uint32_t rgb = 0;
        for (std::size_t i = 1; i < text.size(); ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0) return std::nullopt;
            rgb = rgb * 16 + static_cast<std::uint32_t>(digit);
        }
        return BgColorOfRgb(rgb);
    }
    std::uint32_t rgb = 0;
    if (text.empty() || !CCssColor::FindByName(text, rgb)) return std::nullopt;
    return BgColorOfRgb(rgb);
}

std::string CImportChoices::FormatColor(std::int32_t bgColor) {
    const auto value = static_cast<std::uint32_t>(bgColor);
    char text[8];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", value & 0xFF, (value >> 8) & 0xFF,
                  (value >> 16) & 0xFF);
    return text;
}

std::optional<std::int32_t> CImportChoices::ReminderMinutes(const DateEntryProperties& properties) {
    if (properties.Forewarn == 0) return std::nullopt;
    const int unit =
        properties.ForewarnUnit >= kSpanUnitMinutes && properties.ForewarnUnit <= kSpanUnitWeeks
            ? properties.ForewarnUnit
            : kSpanUnitMinutes;
    return properties.ForewarnSpan * kMinutesPerUnit[unit];
}

SImportedDefaults CImportChoices::Defaults(const SImportChoices& choices) {
    SImportedDefaults defaults;
    defaults.BgColor = choices.BgColor ? *choices.BgColor : DateEntryProperties().BgColor;
    defaults.Category = choices.Category;
    defaults.Reminder = choices.Reminder;
    defaults.AllDayReminder = choices.AllDayReminder;
    return defaults;
}

void CImportChoices::Apply(CDateEntryArray& feed, const SImportChoices& choices,
                           const SImportChoices& previous) {
    for (CDateEntry& entry : feed) {
        DateEntryProperties properties;
        entry.GetProperties(properties);
        if ((entry.KeepStored & kKeepColors) != 0 && choices.BgColor) {
            properties.BgColor = *choices.BgColor;
        }
        if ((entry.KeepStored & kKeepCategory) != 0 && !choices.Category.empty()) {
            properties.Category = entry.MakeText(choices.Category);
        }
        const bool hadAlarms = (entry.KeepStored & kKeepReminders) == 0;
        if (!hadAlarms || choices.IgnoreAlarms) {
            SetReminder(properties,
                        properties.ShowStartTime == 0 ? choices.AllDayReminder : choices.Reminder);
            // The stored reminder of an event whose alarms were imported until now is the
            // publisher's, not the user's: the default replaces it once.
            if (hadAlarms && previous.IgnoreAlarms) entry.KeepStored |= kKeepReminders;
        }
        if (choices.IgnoreDescription) properties.Notes = entry.MakeText("");
        entry.ApplyProperties(properties);
    }
}
