#include "ical/SystemZones.h"

#include <gtest/gtest.h>

#include "platform/Platform.h"
#include "platform/WindowsZoneNames.h"

namespace {

IcalSeconds Utc(int y, int mo, int d, int h) {
    return CCivilTime::ToSeconds(CCivilFields{y, mo, d, h, 0, 0});
}

TEST(SystemZonesTest, FindsZonesByTheNamesPublishersWrite) {
    CPlatform& platform = CPlatform::Default();
    const struct {
        const char* tzid;
        int winterOffset;
        int summerOffset;
    } cases[] = {
        {"Europe/Berlin", 3600, 7200},
        {"\"Europe/Berlin\"", 3600, 7200},
        {"/mozilla.org/20050126_1/Europe/Berlin", 3600, 7200},
        {"W. Europe Standard Time", 3600, 7200},
        {"America/New_York", -5 * 3600, -4 * 3600},
        {"Eastern Standard Time", -5 * 3600, -4 * 3600},
        {"Australia/Sydney", 11 * 3600, 10 * 3600},
        {"Asia/Kolkata", 19800, 19800},
        {"UTC", 0, 0},
    };
    for (const auto& c : cases) {
        const auto zone = CSystemZones::Find(platform, c.tzid);
        ASSERT_NE(zone, nullptr) << c.tzid;
        EXPECT_EQ(zone->OffsetAtUtc(Utc(2026, 1, 15, 12)), c.winterOffset) << c.tzid;
        EXPECT_EQ(zone->OffsetAtUtc(Utc(2026, 7, 15, 12)), c.summerOffset) << c.tzid;
        // Far beyond the zone table: the yearly rule still holds.
        EXPECT_EQ(zone->OffsetAtUtc(Utc(2045, 7, 15, 12)), c.summerOffset) << c.tzid;
    }
}

TEST(SystemZonesTest, NamesThatAreNoZonesFindNothing) {
    CPlatform& platform = CPlatform::Default();
    for (const char* tzid : {"../../etc/passwd", "/etc/passwd", "Europe/../../etc/passwd",
                             "Not/A_Zone", "", "Custom Zone From Some Program"}) {
        EXPECT_EQ(CSystemZones::Find(platform, tzid), nullptr) << tzid;
    }
}

TEST(SystemZonesTest, WindowsAndIanaNamesMapBothWays) {
    EXPECT_STREQ(CWindowsZoneNames::WindowsOf("Europe/Berlin"), "W. Europe Standard Time");
    EXPECT_STREQ(CWindowsZoneNames::WindowsOf("America/New_York"), "Eastern Standard Time");
    EXPECT_STREQ(CWindowsZoneNames::IanaOf("Pacific Standard Time"), "America/Los_Angeles");
    EXPECT_EQ(CWindowsZoneNames::WindowsOf("Nowhere/Special"), nullptr);
}

TEST(SystemZonesTest, LocalZoneIsTheMachines) {
    // The tests run with the machine's zone, whatever it is: the local zone must at least
    // agree with itself across a round trip of wall-clock times outside any change.
    const auto local = CSystemZones::Local(CPlatform::Default());
    ASSERT_NE(local, nullptr);
    const IcalSeconds noon = Utc(2026, 5, 20, 12);
    EXPECT_EQ(local->UtcFromLocal(local->LocalFromUtc(noon)), noon);
}

}  // namespace
