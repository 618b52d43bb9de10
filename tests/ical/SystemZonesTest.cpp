#include "ical/SystemZones.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/Platform.h"
#include "platform/WindowsZoneNames.h"

#ifndef _WIN32
#include <sys/stat.h>

#include "support/TempFolder.h"
#endif

namespace {

IcalSeconds Utc(int y, int mo, int d, int h, int mi = 0, int s = 0) {
    return CCivilTime::ToSeconds(CCivilFields{y, mo, d, h, mi, s});
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

// Offsets on both sides of real changes and in both directions of wall-clock reading. The
// zones and years are those both systems' data hold: Wine's registry lists the rules of each
// year from 2000 on (earlier years take the rule of 2000) and knows nothing of Greenland's
// daylight time from 2024 or of Israel's rule before its last Sunday of March.
TEST(SystemZonesTest, OffsetsAroundTheChangesOfRealZones) {
    CPlatform& platform = CPlatform::Default();
    const struct {
        const char* tzid;
        IcalSeconds utc;
        int offset;
    } cases[] = {
        {"Europe/Berlin", Utc(2026, 3, 29, 0, 59, 59), 3600},
        {"Europe/Berlin", Utc(2026, 3, 29, 1), 7200},
        {"Europe/Berlin", Utc(2026, 10, 25, 0, 59, 59), 7200},
        {"Europe/Berlin", Utc(2026, 10, 25, 1), 3600},
        // The United States' rule before 2007: first Sunday of April, last of October.
        {"America/New_York", Utc(2005, 4, 3, 6, 59, 59), -5 * 3600},
        {"America/New_York", Utc(2005, 4, 3, 7), -4 * 3600},
        {"America/New_York", Utc(2005, 10, 30, 5, 59, 59), -4 * 3600},
        {"America/New_York", Utc(2005, 10, 30, 6), -5 * 3600},
        {"America/New_York", Utc(2026, 3, 8, 6, 59, 59), -5 * 3600},
        {"America/New_York", Utc(2026, 3, 8, 7), -4 * 3600},
        {"America/New_York", Utc(2026, 11, 1, 5, 59, 59), -4 * 3600},
        {"America/New_York", Utc(2026, 11, 1, 6), -5 * 3600},
        // Southern summer: daylight time from October to April.
        {"Australia/Sydney", Utc(2026, 4, 4, 15, 59, 59), 11 * 3600},
        {"Australia/Sydney", Utc(2026, 4, 4, 16), 10 * 3600},
        {"Australia/Sydney", Utc(2026, 10, 3, 15, 59, 59), 10 * 3600},
        {"Australia/Sydney", Utc(2026, 10, 3, 16), 11 * 3600},
        {"Asia/Tokyo", Utc(2026, 7, 1, 0), 9 * 3600},
        {"Asia/Kolkata", Utc(2026, 7, 1, 0), 5 * 3600 + 1800},
        // Beyond 2037, where the 32-bit tables end: the rule of the footer.
        {"Europe/Berlin", Utc(2040, 3, 25, 0, 59, 59), 3600},
        {"Europe/Berlin", Utc(2040, 3, 25, 1), 7200},
        {"America/New_York", Utc(2099, 11, 1, 5, 59, 59), -4 * 3600},
        {"America/New_York", Utc(2099, 11, 1, 6), -5 * 3600},
        {"America/New_York", Utc(2300, 3, 11, 6, 59, 59), -5 * 3600},
        {"America/New_York", Utc(2300, 3, 11, 7), -4 * 3600},
        {"Australia/Sydney", Utc(2050, 4, 2, 16), 10 * 3600},
    };
    for (const auto& c : cases) {
        const auto zone = CSystemZones::Find(platform, c.tzid);
        ASSERT_NE(zone, nullptr) << c.tzid;
        EXPECT_EQ(zone->OffsetAtUtc(c.utc), c.offset) << c.tzid << " " << c.utc;
    }
}

TEST(SystemZonesTest, WallClockTimesInGapsAndOverlaps) {
    CPlatform& platform = CPlatform::Default();
    const struct {
        const char* tzid;
        IcalSeconds local;
        IcalSeconds utc;
    } cases[] = {
        // Spring gap: read with the offset before it.
        {"Europe/Berlin", Utc(2026, 3, 29, 2, 30), Utc(2026, 3, 29, 1, 30)},
        {"America/New_York", Utc(2026, 3, 8, 2, 30), Utc(2026, 3, 8, 7, 30)},
        {"Australia/Sydney", Utc(2026, 10, 4, 2, 30), Utc(2026, 10, 3, 16, 30)},
        // Autumn overlap: the first of the two.
        {"Europe/Berlin", Utc(2026, 10, 25, 2, 30), Utc(2026, 10, 25, 0, 30)},
        {"America/New_York", Utc(2026, 11, 1, 1, 30), Utc(2026, 11, 1, 5, 30)},
        {"Australia/Sydney", Utc(2026, 4, 5, 2, 30), Utc(2026, 4, 4, 15, 30)},
        // Just outside them.
        {"Europe/Berlin", Utc(2026, 3, 29, 3, 0), Utc(2026, 3, 29, 1, 0)},
        {"America/New_York", Utc(2026, 11, 1, 2, 0), Utc(2026, 11, 1, 7, 0)},
    };
    for (const auto& c : cases) {
        const auto zone = CSystemZones::Find(platform, c.tzid);
        ASSERT_NE(zone, nullptr) << c.tzid;
        EXPECT_EQ(zone->UtcFromLocal(c.local), c.utc) << c.tzid << " " << c.local;
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
    // CLDR keeps the old names; today's names of the same zones map as well.
    EXPECT_STREQ(CWindowsZoneNames::WindowsOf("Asia/Calcutta"), "India Standard Time");
    EXPECT_STREQ(CWindowsZoneNames::WindowsOf("Asia/Kolkata"), "India Standard Time");
    EXPECT_STREQ(CWindowsZoneNames::WindowsOf("Europe/Kyiv"), "FLE Standard Time");
    EXPECT_STREQ(CWindowsZoneNames::WindowsOf("Etc/UTC"), "UTC");
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

// The tests run under TZ=Europe/Berlin and TZ=America/New_York; Wine, too, takes the machine's
// zone from TZ. Where TZ names a zone, the local zone keeps its offsets.
TEST(SystemZonesTest, LocalZoneIsTheOneTzNames) {
    const char* tz = std::getenv("TZ");
    const auto named = tz == nullptr ? nullptr : CSystemZones::Find(CPlatform::Default(), tz);
    if (named == nullptr) {
        GTEST_SKIP() << "TZ names no zone";
    }
    const auto local = CSystemZones::Local(CPlatform::Default());
    for (const IcalSeconds utc : {Utc(2026, 1, 15, 12), Utc(2026, 7, 15, 12), Utc(2040, 7, 1, 0)}) {
        EXPECT_EQ(local->OffsetAtUtc(utc), named->OffsetAtUtc(utc)) << tz << " " << utc;
    }
}

#ifndef _WIN32
// Sets an environment variable for one scope and puts the old value back.
class CScopedEnv {
public:
    CScopedEnv(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        Set(value);
    }
    ~CScopedEnv() { Set(m_old ? m_old->c_str() : nullptr); }
    CScopedEnv(const CScopedEnv&) = delete;
    CScopedEnv& operator=(const CScopedEnv&) = delete;

private:
    void Set(const char* value) {
        if (value == nullptr) {
            unsetenv(m_name);
        } else {
            setenv(m_name, value, 1);
        }
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

// The local zone is what localtime would use: TZ as a zone name (with or without ':'), as a
// POSIX rule, or empty for UTC.
TEST(SystemZonesTest, LocalZoneFollowsTheTzVariable) {
    const struct {
        const char* tz;
        IcalSeconds utc;
        int offset;
    } cases[] = {
        {"Europe/Berlin", Utc(2026, 7, 1, 0), 7200},
        {":Europe/Berlin", Utc(2026, 1, 1, 0), 3600},
        {":America/New_York", Utc(1880, 1, 1, 0), -(4 * 3600 + 56 * 60 + 2)},  // local mean time
        {"Europe/Berlin", Utc(1890, 1, 1, 0), 53 * 60 + 28},
        {"EST5EDT,M3.2.0,M11.1.0", Utc(2026, 3, 8, 7), -4 * 3600},
        {"EST5EDT,M3.2.0,M11.1.0", Utc(2026, 3, 8, 6, 59, 59), -5 * 3600},
        // Southern daylight time with half-hour offsets: from the first Sunday of October
        // (02:00 at +10:30) to the first Sunday of April (02:00 at +11).
        {"<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", Utc(2026, 10, 3, 15, 29, 59), 37800},
        {"<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", Utc(2026, 10, 3, 15, 30), 39600},
        {"<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", Utc(2026, 4, 4, 14, 59, 59), 39600},
        {"<+1030>-10:30<+11>-11,M10.1.0,M4.1.0", Utc(2026, 4, 4, 15), 37800},
        // A rule holds for every year, before the first listed and after the last.
        {"EST5EDT,M3.2.0,M11.1.0", Utc(1850, 7, 1, 12), -4 * 3600},
        {"EST5EDT,M3.2.0,M11.1.0", Utc(1850, 12, 1, 12), -5 * 3600},
        {"EST5EDT,M3.2.0,M11.1.0", Utc(2250, 7, 1, 12), -4 * 3600},
        {"EST5EDT,M3.2.0,M11.1.0", Utc(2250, 12, 1, 12), -5 * 3600},
        // Changes at hours outside their day: 26:00 of the fourth Thursday of March
        {"IST-2IDT,M3.4.4/26,M10.5.0", Utc(2026, 3, 26, 23, 59, 59), 7200},
        {"IST-2IDT,M3.4.4/26,M10.5.0", Utc(2026, 3, 27, 0), 10800},
        // and -1:00 of the last Sunday of March.
        {"<-02>2<-01>,M3.5.0/-1,M10.5.0/0", Utc(2026, 3, 29, 0, 59, 59), -7200},
        {"<-02>2<-01>,M3.5.0/-1,M10.5.0/0", Utc(2026, 3, 29, 1), -3600},
        {"<-02>2<-01>,M3.5.0/-1,M10.5.0/0", Utc(2026, 10, 25, 0, 59, 59), -3600},
        {"<-02>2<-01>,M3.5.0/-1,M10.5.0/0", Utc(2026, 10, 25, 1), -7200},
        {"JST-9", Utc(2026, 7, 1, 0), 9 * 3600},
        {"", Utc(2026, 7, 1, 0), 0},
    };
    for (const auto& c : cases) {
        const CScopedEnv tz("TZ", c.tz);
        const auto local = CSystemZones::Local(CPlatform::Default());
        ASSERT_NE(local, nullptr) << c.tz;
        EXPECT_EQ(local->OffsetAtUtc(c.utc), c.offset) << c.tz << " " << c.utc;
    }
}

// A TZID comes from a file: a FIFO, a folder or a link out of the zone folder named by it
// is no zone, and looking it up never blocks.
TEST(SystemZonesTest, ZoneFolderEntriesThatAreNoFilesFindNothing) {
    const CTempFolder folder;
    ASSERT_FALSE(folder.GetPath().empty());
    ASSERT_EQ(mkfifo(folder.File("Fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(folder.File("Area").c_str(), 0700), 0);
    ASSERT_TRUE(
        CTempFolder::WriteBytes(folder.File("Garbage"), {'n', 'o', 't', 'z', 'o', 'n', 'e'}));
    const CScopedEnv tzdir("TZDIR", folder.GetPath().c_str());
    for (const char* tzid : {"Fifo", "Area", "Garbage", "Europe/Berlin"}) {
        EXPECT_EQ(CSystemZones::Find(CPlatform::Default(), tzid), nullptr) << tzid;
    }
}
#endif

}  // namespace
