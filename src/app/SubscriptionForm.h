// One subscription's choices as a user enters them, as texts: the fields of the window's
// subscription dialog and of the console's `feed add|set` options. Checks them and puts them
// into a CSubscription; both front-ends use the same checks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

class CSubscription;
class CSubscriptionList;

// The field that a check refused; None when every field passed.
enum class ESubscriptionField {
    None,
    Name,
    Source,
    Interval,
    Color,
    Reminder,
    AllDayReminder,
};

class CSubscriptionForm {
public:
    std::string Name;
    std::string Source;  // a file path or an http/https/webcal/webcals address
    bool Enabled = true;
    std::string Interval;  // whole seconds
    std::string CaFile;
    std::string Color;  // a CSS3 colour name or "#RRGGBB"; empty or "none": no colour
    std::string Category;
    std::string Reminder;        // minutes; empty or "none": no reminder
    std::string AllDayReminder;  // minutes; empty or "none": no reminder
    bool IgnoreAlarms = false;
    bool IgnoreDescription = false;

    // The form of an existing subscription, as the dialog shows it for a change.
    static CSubscriptionForm Of(const CSubscription& feed);

    // Checks every field on its own, in the order of the fields above; returns the first one
    // refused with the reason in `message` (CheckField's), or None.
    ESubscriptionField Check(std::string& message) const;
    // Check, then what the list demands of the subscription that is to take the place
    // `index` of `list` (-1: a new one at its end): a name that no other has (letter case
    // ignored) and a source that no other subscribes to.
    ESubscriptionField Check(const CSubscriptionList& list, int index, std::string& message) const;
    // Puts the fields into `feed`. An interval below the least for the source is raised to
    // it (the result says so). A changed source or changed choices for the events make the
    // next check import the feed again, whatever its time or validators, so that the change
    // reaches the calendar then. REQUIRES: Check passed.
    bool ApplyTo(CSubscription& feed) const;

    // Why `text` is no value of `field`, without the field's name (each front-end names its
    // fields its own way: "--interval", "Interval:"); empty when it is one. Name and Source
    // refuse an empty text only.
    static std::string CheckField(ESubscriptionField field, const std::string& text);

    // A number of minutes (0 or more), or none for "" and "none". False for anything else.
    static bool ParseMinutes(const std::string& text, std::optional<std::int32_t>& minutes);
    // A whole number of seconds (optionally signed) that fits an int32. False otherwise.
    static bool ParseSeconds(const std::string& text, std::int32_t& seconds);
    // A CSS3 colour name (letter case ignored), "#RRGGBB", or "" or "none" for no colour.
    static bool IsColor(const std::string& text);
};
