#include "ical/SystemZones.h"

#include <string>

#include "ical/FixedOffsetZone.h"
#include "ical/TzifZone.h"
#include "platform/Platform.h"
#include "platform/TzifText.h"
#include "platform/WindowsZoneNames.h"

namespace {

std::unique_ptr<CTimeZone> Load(CPlatform& platform, std::string_view name) {
    if (!CTzifText::IsZoneName(name)) {
        return nullptr;
    }
    std::string tzif;
    if (!platform.ReadZoneData(std::string(name), tzif)) {
        return nullptr;
    }
    return CTzifZone::Parse(std::string(name), tzif);
}

}  // namespace

std::unique_ptr<CTimeZone> CSystemZones::Find(CPlatform& platform, std::string_view tzid) {
    while (!tzid.empty() && (tzid.front() == '"' || tzid.front() == ' ')) {
        tzid.remove_prefix(1);
    }
    while (!tzid.empty() && (tzid.back() == '"' || tzid.back() == ' ')) {
        tzid.remove_suffix(1);
    }
    if (const char* iana = CWindowsZoneNames::IanaOf(tzid)) {
        return Load(platform, iana);
    }
    // "/prefix/version/Area/Location": try the name, then without its leading parts.
    while (!tzid.empty() && tzid.front() == '/') {
        tzid.remove_prefix(1);
    }
    for (int tries = 0; tries < 4 && !tzid.empty(); ++tries) {
        if (auto zone = Load(platform, tzid)) {
            return zone;
        }
        const size_t slash = tzid.find('/');
        if (slash == std::string_view::npos) {
            break;
        }
        tzid.remove_prefix(slash + 1);
    }
    return nullptr;
}

std::unique_ptr<CTimeZone> CSystemZones::Local(CPlatform& platform) {
    std::string tzif;
    if (platform.ReadLocalZoneData(tzif)) {
        if (auto zone = CTzifZone::Parse("local", tzif)) {
            return zone;
        }
    }
    return std::make_unique<CFixedOffsetZone>(0, "UTC");
}
