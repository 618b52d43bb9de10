#include "ical/RecurrenceRule.h"

#include <cstdio>

#include "ical/IcalDateTime.h"

namespace {

constexpr const char* kDays[] = {"MO", "TU", "WE", "TH", "FR", "SA", "SU"};
constexpr const char* kFreqs[] = {"SECONDLY", "MINUTELY", "HOURLY", "DAILY",
                                  "WEEKLY",   "MONTHLY",  "YEARLY"};

std::string Upper(std::string_view text) {
    std::string result;
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            continue;
        }
        result.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
    }
    return result;
}

bool ParseInt(std::string_view text, long long& value) {
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos >= text.size() || text.size() - pos > 12) {
        return false;
    }
    value = 0;
    for (; pos < text.size(); ++pos) {
        if (text[pos] < '0' || text[pos] > '9') {
            return false;
        }
        value = value * 10 + (text[pos] - '0');
    }
    if (negative) {
        value = -value;
    }
    return true;
}

int WeekdayOf(std::string_view text) {
    for (int i = 0; i < 7; ++i) {
        if (text == kDays[i]) {
            return i;
        }
    }
    return -1;
}

// A comma list of integers within ±[low, high] (zero refused when `signedRange`).
bool ParseIntList(std::string_view text, int low, int high, bool signedRange,
                  std::vector<int>& out) {
    out.clear();
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (item.empty()) {
            continue;
        }
        long long value = 0;
        if (!ParseInt(item, value)) {
            return false;
        }
        const long long magnitude = value < 0 ? -value : value;
        if ((value < 0 && !signedRange) || magnitude < low || magnitude > high ||
            (signedRange && value == 0)) {
            return false;
        }
        out.push_back(static_cast<int>(value));
    }
    return !out.empty();
}

bool ParseByDay(std::string_view text, std::vector<CWeekdayNum>& out) {
    out.clear();
    while (!text.empty()) {
        const size_t comma = text.find(',');
        std::string_view item = text.substr(0, comma);
        text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
        if (item.empty()) {
            continue;
        }
        if (item.size() < 2) {
            return false;
        }
        CWeekdayNum day;
        day.weekday = WeekdayOf(item.substr(item.size() - 2));
        if (day.weekday < 0) {
            return false;
        }
        item.remove_suffix(2);
        if (!item.empty()) {
            long long ordinal = 0;
            if (!ParseInt(item, ordinal) || ordinal == 0 || ordinal > 53 || ordinal < -53) {
                return false;
            }
            day.ordinal = static_cast<int>(ordinal);
        }
        out.push_back(day);
    }
    return !out.empty();
}

bool ParseUntil(std::string_view text, CRuleUntil& until) {
    CIcalDateTime value;
    if (!CIcalDateTime::Parse(text, value)) {
        return false;
    }
    until.fields = value.fields;
    until.isDate = value.isDate;
    until.isUtc = value.isUtc;
    return true;
}

void AppendList(std::string& text, const char* name, const std::vector<int>& values) {
    if (values.empty()) {
        return;
    }
    text += ';';
    text += name;
    text += '=';
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) {
            text += ',';
        }
        text += std::to_string(values[i]);
    }
}

}  // namespace

bool CRecurrenceRule::Parse(std::string_view text, CRecurrenceRule& rule, std::string* problem) {
    CRecurrenceRule parsed;
    bool hasFreq = false;
    auto fail = [&](const std::string& why) {
        if (problem != nullptr) {
            *problem = why;
        }
        return false;
    };
    const std::string upper = Upper(text);
    std::string_view rest = upper;
    if (rest.substr(0, 6) == "RRULE:") {
        rest.remove_prefix(6);
    }
    while (!rest.empty()) {
        const size_t semi = rest.find(';');
        const std::string_view part = rest.substr(0, semi);
        rest = semi == std::string_view::npos ? std::string_view() : rest.substr(semi + 1);
        if (part.empty()) {
            continue;
        }
        const size_t eq = part.find('=');
        if (eq == std::string_view::npos) {
            return fail("RRULE part without '=': " + std::string(part));
        }
        const std::string_view name = part.substr(0, eq);
        const std::string_view value = part.substr(eq + 1);
        bool ok = true;
        if (name == "FREQ") {
            ok = false;
            for (int i = 0; i < 7; ++i) {
                if (value == kFreqs[i]) {
                    parsed.freq = static_cast<EFrequency>(i);
                    ok = hasFreq = true;
                }
            }
        } else if (name == "INTERVAL") {
            long long v = 0;
            ok = ParseInt(value, v) && v >= 1 && v <= 1000000;
            parsed.interval = static_cast<int>(v);
        } else if ((name == "COUNT" && parsed.until) || (name == "UNTIL" && parsed.count)) {
            // RFC 5545 forbids both; publishers write both now and then. The first one given
            // ends the rule, as the lenient clients read it.
            if (problem != nullptr) {
                *problem = "RRULE with both COUNT and UNTIL: " + std::string(name) + " ignored";
            }
        } else if (name == "COUNT") {
            long long v = 0;
            ok = ParseInt(value, v) && v >= 1;
            parsed.count = v;
        } else if (name == "UNTIL") {
            CRuleUntil until;
            ok = ParseUntil(value, until);
            parsed.until = until;
        } else if (name == "BYSECOND") {
            ok = ParseIntList(value, 0, 60, false, parsed.bySecond);
        } else if (name == "BYMINUTE") {
            ok = ParseIntList(value, 0, 59, false, parsed.byMinute);
        } else if (name == "BYHOUR") {
            ok = ParseIntList(value, 0, 23, false, parsed.byHour);
        } else if (name == "BYDAY") {
            ok = ParseByDay(value, parsed.byDay);
        } else if (name == "BYMONTHDAY") {
            ok = ParseIntList(value, 1, 31, true, parsed.byMonthDay);
        } else if (name == "BYYEARDAY") {
            ok = ParseIntList(value, 1, 366, true, parsed.byYearDay);
        } else if (name == "BYWEEKNO") {
            ok = ParseIntList(value, 1, 53, true, parsed.byWeekNo);
        } else if (name == "BYMONTH") {
            ok = ParseIntList(value, 1, 12, false, parsed.byMonth);
        } else if (name == "BYSETPOS") {
            ok = ParseIntList(value, 1, 366, true, parsed.bySetPos);
        } else if (name == "WKST") {
            parsed.wkst = WeekdayOf(value);
            ok = parsed.wkst >= 0;
        } else if (problem != nullptr) {
            *problem = "RRULE part " + std::string(name) + " ignored";
        }
        if (!ok) {
            return fail("RRULE " + std::string(name) +
                        " value not understood: " + std::string(value));
        }
    }
    if (!hasFreq) {
        return fail("RRULE without FREQ");
    }
    for (int& second : parsed.bySecond) {
        if (second == 60) {
            second = 59;
        }
    }
    rule = parsed;
    return true;
}

std::string CRecurrenceRule::ToText() const {
    std::string text = "FREQ=";
    text += kFreqs[static_cast<int>(freq)];
    if (interval != 1) {
        text += ";INTERVAL=" + std::to_string(interval);
    }
    if (count) {
        text += ";COUNT=" + std::to_string(*count);
    } else if (until) {
        char buffer[32];
        const CCivilFields& f = until->fields;
        if (until->isDate) {
            std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", f.year, f.month, f.day);
        } else {
            std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02d%s", f.year, f.month,
                          f.day, f.hour, f.minute, f.second, until->isUtc ? "Z" : "");
        }
        text += ";UNTIL=";
        text += buffer;
    }
    AppendList(text, "BYSECOND", bySecond);
    AppendList(text, "BYMINUTE", byMinute);
    AppendList(text, "BYHOUR", byHour);
    if (!byDay.empty()) {
        text += ";BYDAY=";
        for (size_t i = 0; i < byDay.size(); ++i) {
            if (i > 0) {
                text += ',';
            }
            if (byDay[i].ordinal != 0) {
                text += std::to_string(byDay[i].ordinal);
            }
            text += kDays[byDay[i].weekday];
        }
    }
    AppendList(text, "BYMONTHDAY", byMonthDay);
    AppendList(text, "BYYEARDAY", byYearDay);
    AppendList(text, "BYWEEKNO", byWeekNo);
    AppendList(text, "BYMONTH", byMonth);
    AppendList(text, "BYSETPOS", bySetPos);
    if (wkst != 0) {
        text += ";WKST=";
        text += kDays[wkst];
    }
    return text;
}
