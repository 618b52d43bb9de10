#include "feed/ExportRule.h"

#include <algorithm>

namespace {

constexpr const char* kDayNames[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
constexpr std::int64_t kLastYear = 1000000;

void AppendMask(std::string& text, const char* part, std::uint32_t mask, int count, int first) {
    if (mask == 0) return;
    text += ";";
    text += part;
    text += "=";
    bool any = false;
    for (int i = 0; i < count; ++i) {
        if (((mask >> i) & 1u) == 0) continue;
        if (any) text += ",";
        text += std::to_string(i + first);
        any = true;
    }
}

bool HasBit(std::uint32_t mask, int bit) {
    return mask == 0 || ((mask >> bit) & 1u) != 0;
}

std::int64_t DayOfSeconds(IcalSeconds seconds) {
    const std::int64_t days = seconds / CCivilTime::kSecondsPerDay;
    return seconds % CCivilTime::kSecondsPerDay < 0 ? days - 1 : days;
}

}  // namespace

std::string CExportRule::ToText(const std::string& untilText) const {
    static constexpr const char* kFrequencies[] = {"HOURLY", "DAILY", "WEEKLY", "MONTHLY",
                                                   "YEARLY"};
    std::string text = "FREQ=";
    text += kFrequencies[static_cast<int>(Frequency)];
    if (Interval > 1) text += ";INTERVAL=" + std::to_string(Interval);
    AppendMask(text, "BYMONTH", ByMonth, 12, 1);
    if (!ByMonthDay.empty()) {
        text += ";BYMONTHDAY=";
        for (std::size_t i = 0; i < ByMonthDay.size(); ++i) {
            if (i > 0) text += ",";
            text += std::to_string(ByMonthDay[i]);
        }
    }
    if (Ordinal != 0) {
        text += ";BYDAY=" + std::to_string(Ordinal) + kDayNames[OrdinalWeekday];
    } else if (ByDay != 0) {
        text += ";BYDAY=";
        bool any = false;
        for (int day = 0; day < 7; ++day) {
            if (((ByDay >> day) & 1u) == 0) continue;
            if (any) text += ",";
            text += kDayNames[day];
            any = true;
        }
    }
    AppendMask(text, "BYHOUR", ByHour, 24, 0);
    if (BySetPosLast) text += ";BYSETPOS=-1";
    if (Until) text += ";UNTIL=" + untilText;
    return text;
}

bool CExportRule::Expand(IcalSeconds dtstart, IcalSeconds horizon, std::size_t most,
                         std::vector<IcalSeconds>& starts) const {
    IcalSeconds end = horizon;
    if (Until && *Until < end) end = *Until + 1;
    if (Frequency == EFrequency::Monthly || Frequency == EFrequency::Yearly) {
        return ExpandMonths(dtstart, end, most, starts);
    }
    return ExpandFixedStep(dtstart, end, most, starts);
}

bool CExportRule::ExpandFixedStep(IcalSeconds dtstart, IcalSeconds end, std::size_t most,
                                  std::vector<IcalSeconds>& starts) const {
    std::int64_t step = Interval * 3600;
    if (Frequency == EFrequency::Daily) step *= 24;
    if (Frequency == EFrequency::Weekly) step *= 168;
    const bool limited = ByMonth != 0 || ByDay != 0 || ByHour != 0 || !ByMonthDay.empty();
    std::size_t found = 0;
    for (std::size_t looked = 0; looked < most; ++looked) {
        const IcalSeconds t = dtstart + static_cast<std::int64_t>(looked) * step;
        if (t >= end) return true;
        if (!limited) {
            starts.push_back(t);
            if (++found >= most) return false;
            continue;
        }
        const std::int64_t day = DayOfSeconds(t);
        const CCivilFields f = CCivilTime::FromSeconds(t);
        const bool dayListed = ByMonthDay.empty() || std::find(ByMonthDay.begin(), ByMonthDay.end(),
                                                               f.day) != ByMonthDay.end();
        if (HasBit(ByMonth, f.month - 1) && HasBit(ByDay, CCivilTime::DayOfWeek(day)) &&
            HasBit(ByHour, f.hour) && dayListed) {
            starts.push_back(t);
            if (++found >= most) return false;
        }
    }
    return false;
}

bool CExportRule::ExpandMonths(IcalSeconds dtstart, IcalSeconds end, std::size_t most,
                               std::vector<IcalSeconds>& starts) const {
    const CCivilFields first = CCivilTime::FromSeconds(dtstart);
    const IcalSeconds timeOfDay = first.hour * 3600 + first.minute * 60 + first.second;
    const std::int64_t stepMonths = Frequency == EFrequency::Yearly ? Interval * 12 : Interval;
    std::int64_t monthIndex = static_cast<std::int64_t>(first.year) * 12 + first.month - 1;
    std::size_t found = 0;
    for (std::size_t looked = 0; looked < most; ++looked, monthIndex += stepMonths) {
        // Far beyond any horizon, where the year would soon no longer fit.
        if (monthIndex / 12 > kLastYear) return true;
        const int year = static_cast<int>(monthIndex / 12);
        const int month = static_cast<int>(monthIndex % 12) + 1;
        if (CCivilTime::DaysFromCivil(year, month, 1) * CCivilTime::kSecondsPerDay >= end) {
            return true;
        }
        if (!HasBit(ByMonth, month - 1)) continue;
        for (const int day : DaysOfMonth(year, month, first.day)) {
            const IcalSeconds t =
                CCivilTime::DaysFromCivil(year, month, day) * CCivilTime::kSecondsPerDay +
                timeOfDay;
            if (t < dtstart) continue;
            if (t >= end) return true;
            starts.push_back(t);
            if (++found >= most) return false;
        }
    }
    return false;
}

std::vector<int> CExportRule::DaysOfMonth(int year, int month, int dtstartDay) const {
    const int length = CCivilTime::DaysInMonth(year, month);
    std::vector<int> days;
    if (Ordinal != 0) {
        const int firstWeekday = CCivilTime::DayOfWeek(CCivilTime::DaysFromCivil(year, month, 1));
        const int firstDay = 1 + (OrdinalWeekday - firstWeekday + 7) % 7;
        int day = Ordinal > 0 ? firstDay + 7 * (Ordinal - 1) : firstDay + 28;
        if (Ordinal < 0 && day > length) day -= 7;
        if (day <= length) days.push_back(day);
    } else if (ByMonthDay.empty()) {
        if (dtstartDay <= length) days.push_back(dtstartDay);
    } else {
        for (const int listed : ByMonthDay) {
            const int day = listed > 0 ? listed : length + 1 + listed;
            if (day >= 1 && day <= length) days.push_back(day);
        }
        std::sort(days.begin(), days.end());
        days.erase(std::unique(days.begin(), days.end()), days.end());
    }
    if (ByDay != 0 && Ordinal == 0) {
        std::erase_if(days, [&](int day) {
            return !HasBit(ByDay,
                           CCivilTime::DayOfWeek(CCivilTime::DaysFromCivil(year, month, day)));
        });
    }
    if (BySetPosLast && days.size() > 1) days.erase(days.begin(), days.end() - 1);
    return days;
}
