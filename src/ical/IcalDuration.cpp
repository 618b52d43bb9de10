#include "ical/IcalDuration.h"

bool CIcalDuration::Parse(std::string_view text, CIcalDuration& value) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    size_t pos = 0;
    int sign = 1;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        sign = text[pos] == '-' ? -1 : 1;
        ++pos;
    }
    if (pos >= text.size() || (text[pos] != 'P' && text[pos] != 'p')) {
        return false;
    }
    ++pos;
    CIcalDuration parsed;
    bool inTime = false;
    bool any = false;
    while (pos < text.size()) {
        char c = text[pos];
        if (c == 'T' || c == 't') {
            if (inTime) {
                return false;
            }
            inTime = true;
            ++pos;
            continue;
        }
        std::int64_t number = 0;
        size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            if (++digits > 9) {
                return false;
            }
            number = number * 10 + (text[pos] - '0');
            ++pos;
        }
        if (digits == 0 || pos >= text.size()) {
            return false;
        }
        c = static_cast<char>(text[pos] & ~0x20);
        ++pos;
        any = true;
        if (!inTime && c == 'W') {
            parsed.days += number * 7;
        } else if (!inTime && c == 'D') {
            parsed.days += number;
        } else if (inTime && c == 'H') {
            parsed.seconds += number * 3600;
        } else if (inTime && c == 'M') {
            parsed.seconds += number * 60;
        } else if (inTime && c == 'S') {
            parsed.seconds += number;
        } else {
            return false;
        }
    }
    if (!any) {
        return false;
    }
    parsed.days *= sign;
    parsed.seconds *= sign;
    value = parsed;
    return true;
}

bool ParseUtcOffset(std::string_view text, int& seconds) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    if ((text.size() != 5 && text.size() != 7) || (text[0] != '+' && text[0] != '-')) {
        return false;
    }
    int fields[3] = {0, 0, 0};
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        fields[(i - 1) / 2] = fields[(i - 1) / 2] * 10 + (text[i] - '0');
    }
    if (fields[1] > 59 || fields[2] > 59) {
        return false;
    }
    const int value = fields[0] * 3600 + fields[1] * 60 + fields[2];
    seconds = text[0] == '-' ? -value : value;
    return true;
}
