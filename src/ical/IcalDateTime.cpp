#include "ical/IcalDateTime.h"

namespace {

bool Digits(std::string_view text, size_t pos, size_t count, int& value) {
    if (pos + count > text.size()) {
        return false;
    }
    value = 0;
    for (size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

bool CIcalDateTime::Parse(std::string_view text, CIcalDateTime& value) {
    text = Trim(text);
    CIcalDateTime parsed;
    CCivilFields& f = parsed.fields;
    if (!Digits(text, 0, 4, f.year) || !Digits(text, 4, 2, f.month) || !Digits(text, 6, 2, f.day)) {
        return false;
    }
    if (text.size() == 8) {
        parsed.isDate = true;
    } else {
        if (text.size() < 15 || (text[8] != 'T' && text[8] != 't') || !Digits(text, 9, 2, f.hour) ||
            !Digits(text, 11, 2, f.minute) || !Digits(text, 13, 2, f.second)) {
            return false;
        }
        if (text.size() == 16 && (text[15] == 'Z' || text[15] == 'z')) {
            parsed.isUtc = true;
        } else if (text.size() != 15) {
            return false;
        }
        if (f.second == 60) {
            f.second = 59;
        }
    }
    if (f.year < 1 || !CCivilTime::IsValid(f)) {
        return false;
    }
    value = parsed;
    return true;
}

std::vector<CIcalDateTime> CIcalDateTime::ParseList(const CContentLine& line, int& bad) {
    std::vector<CIcalDateTime> values;
    const std::string* tzid = line.Parameter("TZID");
    std::string_view rest = line.value;
    while (!rest.empty()) {
        const size_t comma = rest.find(',');
        std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        const size_t slash = item.find('/');
        if (slash != std::string_view::npos) {
            item = item.substr(0, slash);  // a PERIOD: its start
        }
        if (Trim(item).empty()) {
            continue;
        }
        CIcalDateTime value;
        if (!Parse(item, value)) {
            ++bad;
            continue;
        }
        if (!value.isUtc && !value.isDate && tzid != nullptr) {
            value.tzid = *tzid;
        }
        values.push_back(value);
    }
    return values;
}
