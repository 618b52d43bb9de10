#include "app/SubscriptionForm.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

#include "app/Subscription.h"
#include "app/SubscriptionList.h"
#include "sync/FeedAddress.h"
#include "sync/ImportChoices.h"

namespace {

std::string MinutesText(const std::optional<std::int32_t>& minutes) {
    return minutes ? std::to_string(*minutes) : std::string();
}

// A whole number in [least, INT32_MAX] written in decimal digits, optionally signed.
bool ParseWhole(const std::string& text, long least, std::int32_t& value) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || parsed < least || parsed > INT32_MAX) return false;
    value = static_cast<std::int32_t>(parsed);
    return true;
}

}  // namespace

CSubscriptionForm CSubscriptionForm::Of(const CSubscription& feed) {
    CSubscriptionForm form;
    form.Name = feed.Name;
    form.Source = feed.Source;
    form.Enabled = feed.Enabled;
    form.Interval = std::to_string(feed.Interval);
    form.CaFile = feed.CaFile;
    form.Color = feed.Color;
    form.Category = feed.Category;
    form.Reminder = MinutesText(feed.Reminder);
    form.AllDayReminder = MinutesText(feed.AllDayReminder);
    form.IgnoreAlarms = feed.IgnoreAlarms;
    form.IgnoreDescription = feed.IgnoreDescription;
    return form;
}

std::string CSubscriptionForm::CheckField(ESubscriptionField field, const std::string& text) {
    std::int32_t seconds = 0;
    std::optional<std::int32_t> minutes;
    switch (field) {
        case ESubscriptionField::None:
            return {};
        case ESubscriptionField::Name:
            return text.empty() ? "a subscription needs a name" : "";
        case ESubscriptionField::Source:
            return text.empty() ? "expected a feed file or an address" : "";
        case ESubscriptionField::Interval:
            if (ParseSeconds(text, seconds)) return {};
            return "expected a whole number of seconds, got '" + text + "'";
        case ESubscriptionField::Color:
            if (IsColor(text)) return {};
            return "expected a CSS3 colour name, #RRGGBB or none, got '" + text + "'";
        case ESubscriptionField::Reminder:
        case ESubscriptionField::AllDayReminder:
            if (ParseMinutes(text, minutes)) return {};
            return "expected a number of minutes or none, got '" + text + "'";
    }
    return {};
}

ESubscriptionField CSubscriptionForm::Check(std::string& message) const {
    const std::pair<ESubscriptionField, const std::string*> fields[] = {
        {ESubscriptionField::Name, &Name},
        {ESubscriptionField::Source, &Source},
        {ESubscriptionField::Interval, &Interval},
        {ESubscriptionField::Color, &Color},
        {ESubscriptionField::Reminder, &Reminder},
        {ESubscriptionField::AllDayReminder, &AllDayReminder},
    };
    for (const auto& [field, text] : fields) {
        message = CheckField(field, *text);
        if (!message.empty()) return field;
    }
    return ESubscriptionField::None;
}

ESubscriptionField CSubscriptionForm::Check(const CSubscriptionList& list, int index,
                                            std::string& message) const {
    const ESubscriptionField field = Check(message);
    if (field != ESubscriptionField::None) return field;
    const int named = list.IndexOf(Name);
    if (named >= 0 && named != index) {
        message = "a subscription named '" + list.Items[static_cast<std::size_t>(named)].Name +
                  "' exists already";
        return ESubscriptionField::Name;
    }
    const int same = list.IndexOfSource(Source);
    if (same >= 0 && same != index) {
        message = "'" + list.Items[static_cast<std::size_t>(same)].Name + "' subscribes to " +
                  CFeedAddress::Masked(Source) + " already";
        return ESubscriptionField::Source;
    }
    return ESubscriptionField::None;
}

bool CSubscriptionForm::ApplyTo(CSubscription& feed) const {
    const std::string oldSource = feed.Source;
    const SImportChoices oldChoices = feed.Choices();
    feed.Name = Name;
    feed.Source = Source;
    feed.Enabled = Enabled;
    ParseSeconds(Interval, feed.Interval);
    feed.CaFile = CaFile;
    feed.Color = Color == "none" ? std::string() : Color;
    feed.Category = Category;
    ParseMinutes(Reminder, feed.Reminder);
    ParseMinutes(AllDayReminder, feed.AllDayReminder);
    feed.IgnoreAlarms = IgnoreAlarms;
    feed.IgnoreDescription = IgnoreDescription;
    if (feed.Source != oldSource || !(feed.Choices() == oldChoices)) {
        feed.LastFeedFileTime = CSubscription().LastFeedFileTime;
        feed.ForgetValidators();
    }
    const std::int32_t least = CSubscription::MinimumInterval(feed.Source);
    if (feed.Interval >= least) return false;
    feed.Interval = least;
    return true;
}

bool CSubscriptionForm::ParseMinutes(const std::string& text,
                                     std::optional<std::int32_t>& minutes) {
    if (text.empty() || text == "none") {
        minutes.reset();
        return true;
    }
    std::int32_t value = 0;
    if (!ParseWhole(text, 0, value)) return false;
    minutes = value;
    return true;
}

bool CSubscriptionForm::ParseSeconds(const std::string& text, std::int32_t& seconds) {
    return ParseWhole(text, INT32_MIN, seconds);
}

bool CSubscriptionForm::IsColor(const std::string& text) {
    return text.empty() || text == "none" || CImportChoices::ParseColor(text).has_value();
}
