#include "platform/win32/Win32ZoneData.h"

#include "platform/win32/Win32Api.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/TzifText.h"
#include "platform/WindowsZoneNames.h"

namespace {

// A POSIX offset: hours and minutes west of UTC, as Windows counts its bias.
std::string PosixOffset(long minutesWest) {
    char buffer[24];
    const long minutes = std::labs(minutesWest);
    std::snprintf(buffer, sizeof buffer, "%s%ld:%02ld", minutesWest < 0 ? "-" : "", minutes / 60,
                  minutes % 60);
    return buffer;
}

// "Mm.w.d/hh:mm:ss": Windows writes a yearly change as month, week (5: the last), weekday
// (0 Sunday) and the local time before the change, as POSIX rules do.
std::string RuleDate(const SYSTEMTIME& time) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "M%u.%u.%u/%u:%02u:%02u", time.wMonth, time.wDay,
                  time.wDayOfWeek, time.wHour, time.wMinute, time.wSecond);
    return buffer;
}

std::string RuleOf(const TIME_ZONE_INFORMATION& tzi) {
    std::string rule = "<STD>" + PosixOffset(tzi.Bias + tzi.StandardBias);
    // A change on a fixed date (wYear set) is left out: Windows uses it for no zone's
    // ongoing rule.
    if (tzi.DaylightDate.wMonth == 0 || tzi.StandardDate.wMonth == 0 ||
        tzi.DaylightDate.wYear != 0 || tzi.StandardDate.wYear != 0) {
        return rule;
    }
    return rule + "<DST>" + PosixOffset(tzi.Bias + tzi.DaylightBias) + "," +
           RuleDate(tzi.DaylightDate) + "," + RuleDate(tzi.StandardDate);
}

// Seconds since 1970-01-01 of a date and time of day; false where Windows has no such date.
bool UnixSecondsOf(const SYSTEMTIME& time, std::int64_t& seconds) {
    FILETIME file{};
    if (!::SystemTimeToFileTime(&time, &file)) return false;
    const std::int64_t ticks =
        (static_cast<std::int64_t>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    const std::int64_t unixEpochTicks = 116444736000000000;  // 100 ns steps from 1601
    seconds = (ticks - unixEpochTicks) / 10000000;
    return true;
}

// The local date and time in `year` of a yearly change as Windows writes it: the wDay-th
// wDayOfWeek (5: the last) of wMonth at the time of day given, or, with wYear set, that date.
bool OnsetIn(int year, const SYSTEMTIME& rule, std::int64_t& localSeconds) {
    SYSTEMTIME day{};
    day.wYear = static_cast<WORD>(year);
    day.wMonth = rule.wMonth;
    day.wDay = rule.wYear != 0 ? rule.wDay : 1;
    std::int64_t first = 0;
    if (!UnixSecondsOf(day, first)) return false;
    if (rule.wYear == 0) {
        // Weekday of the 1st: 1970-01-01 was a Thursday (4).
        const std::int64_t days = first / 86400 - (first % 86400 < 0 ? 1 : 0);
        const int weekday = static_cast<int>(((days + 4) % 7 + 7) % 7);
        int date = 1 + (rule.wDayOfWeek - weekday + 7) % 7 + 7 * (rule.wDay - 1);
        SYSTEMTIME probe = day;
        for (; date > 28; date -= 7) {
            probe.wDay = static_cast<WORD>(date);
            std::int64_t unused = 0;
            if (UnixSecondsOf(probe, unused)) break;  // a real date of the month
        }
        first += static_cast<std::int64_t>(date - 1) * 86400;
    }
    localSeconds = first + rule.wHour * 3600 + rule.wMinute * 60 + rule.wSecond;
    return true;
}

// The first year whose rules are listed as changes; before it, the zone keeps that year's
// standard time. Windows itself answers every earlier year with its first rule.
constexpr int kFirstYear = 1970;

bool FromDynamic(DYNAMIC_TIME_ZONE_INFORMATION& dynamic, std::string& tzif) {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    // A year after this one: the registry may already hold next year's rule.
    const int lastYear = now.wYear + 1;
    std::vector<CTzifText::SChange> changes;
    TIME_ZONE_INFORMATION tzi{};
    int initialOffset = 0;
    for (int year = kFirstYear; year <= lastYear; ++year) {
        if (!::GetTimeZoneInformationForYear(static_cast<USHORT>(year), &dynamic, &tzi)) {
            return false;
        }
        const int standard = -60 * static_cast<int>(tzi.Bias + tzi.StandardBias);
        const int daylight = -60 * static_cast<int>(tzi.Bias + tzi.DaylightBias);
        if (year == kFirstYear) initialOffset = standard;
        const int before = changes.empty() ? initialOffset : changes.back().offset;
        if (standard != before && (changes.empty() || !changes.back().daylight)) {
            // A new standard offset from New Year on, in the offset before it.
            SYSTEMTIME newYear{};
            newYear.wYear = static_cast<WORD>(year);
            newYear.wMonth = 1;
            newYear.wDay = 1;
            std::int64_t local = 0;
            if (year > kFirstYear && UnixSecondsOf(newYear, local)) {
                changes.push_back({local - before, standard, false});
            }
        }
        if (tzi.DaylightDate.wMonth == 0 || tzi.StandardDate.wMonth == 0) continue;
        std::int64_t toDaylight = 0;
        std::int64_t toStandard = 0;
        if (!OnsetIn(year, tzi.DaylightDate, toDaylight) ||
            !OnsetIn(year, tzi.StandardDate, toStandard)) {
            continue;
        }
        CTzifText::SChange yearChanges[] = {{toDaylight - standard, daylight, true},
                                            {toStandard - daylight, standard, false}};
        if (yearChanges[1].unixSeconds < yearChanges[0].unixSeconds) {
            std::swap(yearChanges[0], yearChanges[1]);  // southern: standard time first
        }
        for (const CTzifText::SChange& change : yearChanges) {
            if (changes.empty() || change.unixSeconds > changes.back().unixSeconds) {
                changes.push_back(change);
            }
        }
    }
    tzif = CTzifText::FromChanges(initialOffset, changes, RuleOf(tzi));
    return true;
}

}  // namespace

bool CWin32ZoneData::Read(const std::string& name, std::string& tzif) {
    std::string windowsName;
    if (const char* mapped = CWindowsZoneNames::WindowsOf(name)) {
        windowsName = mapped;
    } else if (CWindowsZoneNames::IanaOf(name) != nullptr) {
        windowsName = name;
    } else {
        return false;
    }
    DYNAMIC_TIME_ZONE_INFORMATION dynamic{};
    if (windowsName.size() >= sizeof dynamic.TimeZoneKeyName / sizeof(WCHAR)) {
        return false;
    }
    for (size_t i = 0; i < windowsName.size(); ++i) {
        dynamic.TimeZoneKeyName[i] = static_cast<WCHAR>(windowsName[i]);
    }
    return FromDynamic(dynamic, tzif);
}

bool CWin32ZoneData::ReadLocal(std::string& tzif) {
    DYNAMIC_TIME_ZONE_INFORMATION dynamic{};
    if (::GetDynamicTimeZoneInformation(&dynamic) == TIME_ZONE_ID_INVALID) {
        return false;
    }
    return FromDynamic(dynamic, tzif);
}
