// The text forms of CDateTime: the strftime-like formatter, the storage form and its reader.
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "datetime/DateTime.h"
#include "platform/Platform.h"

namespace {

constexpr std::string_view kStorageFormat = "%Y %m %d %H %M %S";
constexpr std::string_view kDumpFormat = "%d.%m.%Y, %H:%M:%S";
constexpr std::string_view kSeparators = " \t:.,-/\\";

// printf's "%0<width>d"; width 0 is plain "%d".
void AppendNumber(std::string& out, int value, int width) {
    char buffer[32];
    const int length = std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    if (length > 0) out.append(buffer, static_cast<std::size_t>(length));
}

std::string LocaleText(ELocaleText item, int index) {
    return CPlatform::Current().GetLocaleText(item, index);
}

bool IsSeparator(char c) {
    return kSeparators.find(c) != std::string_view::npos;
}

// An optional plus sign, then decimal digits up to the first other character; wraps modulo
// 2^32 like the 32-bit reader it replaces, without signed overflow.
int LeadingNumber(std::string_view token) {
    std::size_t pos = 0;
    if (pos < token.size() && token[pos] == '+') ++pos;
    std::uint32_t value = 0;
    for (; pos < token.size() && token[pos] >= '0' && token[pos] <= '9'; ++pos) {
        value = value * 10u + static_cast<std::uint32_t>(token[pos] - '0');
    }
    return static_cast<int>(static_cast<std::int32_t>(value));
}

}  // namespace

std::string CDateTime::Format(const std::string& format) const {
    const SDate date = GetCalendarDate();
    const int hour24 = GetHour();
    std::string out;
    int width2 = 2;
    int width3 = 3;
    int width4 = 4;
    bool inDirective = false;
    for (const char c : format) {
        if (!inDirective) {
            width2 = 2;
            width3 = 3;
            width4 = 4;
            if (c == '%') {
                inDirective = true;
            } else {
                out += c;
            }
            continue;
        }
        if (c == '#') {
            width2 = width3 = width4 = 0;
            continue;
        }
        inDirective = false;
        switch (c) {
            case 'a':
                out += LocaleText(ELocaleText::AbbrevDayName, GetDayOfWeek());
                break;
            case 'A':
                out += LocaleText(ELocaleText::DayName, GetDayOfWeek());
                break;
            case 'b':
                out += LocaleText(ELocaleText::AbbrevMonthName, date.m_nMonth - 1);
                break;
            case 'B':
                out += LocaleText(ELocaleText::MonthName, date.m_nMonth - 1);
                break;
            case 'd':
                AppendNumber(out, date.m_nDay, width2);
                break;
            case 'H':
                AppendNumber(out, hour24, width2);
                break;
            case 'I': {
                int hour = hour24 > 11 ? hour24 - 12 : hour24;
                if (hour == 0) hour = 12;
                AppendNumber(out, hour, width2);
                break;
            }
            case 'j':
                AppendNumber(out, GetDayOfYear(), width3);
                break;
            case 'm':
                AppendNumber(out, date.m_nMonth, width2);
                break;
            case 'M':
                AppendNumber(out, GetMinute(), width2);
                break;
            case 'p':
                out += hour24 < 12 ? LocaleText(ELocaleText::AmDesignator, 0)
                                   : LocaleText(ELocaleText::PmDesignator, 0);
                break;
            case 'S':
                AppendNumber(out, GetSecond(), width2);
                break;
            case 'w':
                AppendNumber(out, GetDayOfWeek(), 0);
                break;
            case 'W':
                AppendNumber(out, GetWeekOfYear(), width2);
                break;
            case 'y':
                AppendNumber(out, date.m_nYear % 100, width2);
                break;
            case 'Y':
                AppendNumber(out, date.m_nYear, width4);
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

std::string CDateTime::FormatStorage() const {
    return Format(std::string(kStorageFormat));
}

EStorageParse CDateTime::ParseStorage(std::string_view text) {
    int numbers[6] = {0, 0, 0, 0, 0, 0};
    std::string_view rest = text;
    for (int& number : numbers) {
        std::size_t start = 0;
        while (start < rest.size() && IsSeparator(rest[start])) ++start;
        std::size_t end = start;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        if (end == start) break;
        number = LeadingNumber(rest.substr(start, end - start));
        rest.remove_prefix(end);
    }
    if (!SetDate(numbers[0], numbers[1], numbers[2])) return EStorageParse::InvalidDate;
    if (!SetTime(numbers[3], numbers[4], numbers[5])) return EStorageParse::InvalidTime;
    return EStorageParse::Valid;
}

void CDateTime::Dump(std::ostream& out) const {
    out << Format(std::string(kDumpFormat));
}
