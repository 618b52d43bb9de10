#include "platform/win32/Win32ZoneData.h"

#include "platform/win32/Win32Api.h"

#include <cstdio>
#include <cstdlib>

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

bool FromDynamic(DYNAMIC_TIME_ZONE_INFORMATION& dynamic, std::string& tzif) {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    TIME_ZONE_INFORMATION tzi{};
    if (!::GetTimeZoneInformationForYear(now.wYear, &dynamic, &tzi)) {
        return false;
    }
    tzif = CTzifText::FromPosixRule(RuleOf(tzi));
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
