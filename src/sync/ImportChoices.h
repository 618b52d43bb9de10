// A subscription's own defaults for the events it imports: a colour, a category, a reminder
// for timed and one for whole-day events, and whether to ignore the publisher's alarms and
// descriptions. They fill only what an event leaves open, and a stored entry keeps what the
// user changed in it: an imported default counts as the user's change once it differs from
// the default that the last import gave.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "store/DateEntryArray.h"

struct DateEntryProperties;

struct SImportChoices {
    std::optional<std::int32_t> BgColor;         // 0x00BBGGRR
    std::string Category;                        // ANSI text; empty: none
    std::optional<std::int32_t> Reminder;        // minutes before the start of a timed event
    std::optional<std::int32_t> AllDayReminder;  // minutes before the start of a whole day
    bool IgnoreAlarms = false;
    bool IgnoreDescription = false;

    bool operator==(const SImportChoices&) const = default;
};

// What a stored entry holds where an import gave the subscription's default: a stored
// value equal to it is no choice of the user's and follows the feed entry.
struct SImportedDefaults {
    std::int32_t BgColor = 0;
    std::string Category;
    std::optional<std::int32_t> Reminder;  // minutes; none: no reminder
    std::optional<std::int32_t> AllDayReminder;
};

class CImportChoices {
public:
    // The BgColor of a CSS3 colour name (letter case ignored) or of "#RRGGBB"; none for
    // anything else.
    static std::optional<std::int32_t> ParseColor(const std::string& text);
    // "#RRGGBB" of a BgColor.
    static std::string FormatColor(std::int32_t bgColor);

    // Applies `choices` to the feed entries of one import. An entry whose event had no COLOR
    // (KeepStored has kKeepColors) takes the colour, one without CATEGORIES the category, one
    // without VALARM (or every one, with IgnoreAlarms) the reminder of its kind (whole-day:
    // ShowStartTime 0) or none; IgnoreDescription empties Notes. `previous`: the choices of
    // the subscription's last import; an event whose alarms it did not ignore and now are
    // ignored takes the default over its stored reminder (which was the publisher's).
    static void Apply(CDateEntryArray& feed, const SImportChoices& choices,
                      const SImportChoices& previous);
    // The defaults that an import with `choices` gave to the entries it filled.
    static SImportedDefaults Defaults(const SImportChoices& choices);

    // The reminder of `properties` in minutes; none when it has no reminder.
    static std::optional<std::int32_t> ReminderMinutes(const DateEntryProperties& properties);
};
