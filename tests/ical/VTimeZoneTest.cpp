#include "ical/VTimeZone.h"

#include <gtest/gtest.h>

#include <vector>

#include "ical/IcalReader.h"

namespace {

const char* const kNewYork =
    "BEGIN:VCALENDAR\n"
    "BEGIN:VTIMEZONE\n"
    "TZID:America/New_York\n"
    "BEGIN:DAYLIGHT\n"
    "TZOFFSETFROM:-0500\nTZOFFSETTO:-0400\nDTSTART:19700308T020000\n"
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=2SU\n"
    "END:DAYLIGHT\n"
    "BEGIN:STANDARD\n"
    "TZOFFSETFROM:-0400\nTZOFFSETTO:-0500\nDTSTART:19701101T020000\n"
    "RRULE:FREQ=YEARLY;BYMONTH=11;BYDAY=1SU\n"
    "END:STANDARD\n"
    "END:VTIMEZONE\n"
    "END:VCALENDAR\n";

std::unique_ptr<CVTimeZone> ZoneOf(const char* text) {
    std::vector<CIcalComponent> calendars;
    std::vector<CIcalFinding> findings;
    EXPECT_EQ(CIcalReader::Read(text, calendars, findings), CIcalReader::kRead);
    return CVTimeZone::FromComponent(calendars.at(0).children.at(0), nullptr);
}

IcalSeconds Local(int y, int mo, int d, int h, int mi) {
    return CCivilTime::ToSeconds(CCivilFields{y, mo, d, h, mi, 0});
}

TEST(VTimeZoneTest, OffsetsAndWallClockTimesAcrossBothChanges) {
    const auto zone = ZoneOf(kNewYork);
    ASSERT_NE(zone, nullptr);
    const struct {
        IcalSeconds local;
        IcalSeconds expectedUtc;
    } cases[] = {
        {Local(2026, 1, 15, 12, 0), Local(2026, 1, 15, 17, 0)},
        {Local(2026, 7, 15, 12, 0), Local(2026, 7, 15, 16, 0)},
        // Spring forward on 8 March 2026 at 02:00: 02:30 does not exist and reads as 03:30.
        {Local(2026, 3, 8, 2, 30), Local(2026, 3, 8, 7, 30)},
        {Local(2026, 3, 8, 3, 0), Local(2026, 3, 8, 7, 0)},
        // Fall back on 1 November 2026: 01:30 happens twice; the first is taken.
        {Local(2026, 11, 1, 1, 30), Local(2026, 11, 1, 5, 30)},
        {Local(2026, 11, 1, 2, 30), Local(2026, 11, 1, 7, 30)},
        // Before the first onset: the first observance's offset before it.
        {Local(1960, 7, 1, 12, 0), Local(1960, 7, 1, 17, 0)},
        {Local(2150, 7, 1, 12, 0), Local(2150, 7, 1, 16, 0)},
        // Past the table the rules still hold: 8 March is again the second Sunday 400 and
        // 7,600 years later.
        {Local(2426, 3, 8, 2, 30), Local(2426, 3, 8, 7, 30)},
        {Local(2426, 11, 1, 1, 30), Local(2426, 11, 1, 5, 30)},
        {Local(9626, 3, 8, 1, 59), Local(9626, 3, 8, 6, 59)},
        {Local(9626, 3, 8, 3, 0), Local(9626, 3, 8, 7, 0)},
        {Local(9999, 12, 31, 12, 0), Local(9999, 12, 31, 17, 0)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(zone->UtcFromLocal(c.local), c.expectedUtc)
            << CCivilTime::FromSeconds(c.local).year;
    }
}

TEST(VTimeZoneTest, SouthernZoneFromRdatesOnly) {
    const char* text =
        "BEGIN:VCALENDAR\nBEGIN:VTIMEZONE\nTZID:Custom/South\n"
        "BEGIN:STANDARD\nTZOFFSETFROM:+1100\nTZOFFSETTO:+1000\nDTSTART:20260405T030000\n"
        "END:STANDARD\n"
        "BEGIN:DAYLIGHT\nTZOFFSETFROM:+1000\nTZOFFSETTO:+1100\nDTSTART:20261004T020000\n"
        "RDATE:20271003T020000\nEND:DAYLIGHT\n"
        "END:VTIMEZONE\nEND:VCALENDAR\n";
    const auto zone = ZoneOf(text);
    ASSERT_NE(zone, nullptr);
    EXPECT_EQ(zone->OffsetAtUtc(Local(2026, 1, 1, 0, 0)), 11 * 3600);
    EXPECT_EQ(zone->OffsetAtUtc(Local(2026, 6, 1, 0, 0)), 10 * 3600);
    EXPECT_EQ(zone->OffsetAtUtc(Local(2026, 12, 1, 0, 0)), 11 * 3600);
    EXPECT_EQ(zone->OffsetAtUtc(Local(2028, 1, 1, 0, 0)), 11 * 3600);
}

// A component cut to the years its publisher needed covers only them; outside, the zone
// given for that (the system's of the same name) answers, else its nearest offset.
TEST(VTimeZoneTest, CutComponentCoversItsOnsetsOnly) {
    const char* text =
        "BEGIN:VCALENDAR\nBEGIN:VTIMEZONE\nTZID:Europe/Berlin\n"
        "BEGIN:STANDARD\nTZOFFSETFROM:+0200\nTZOFFSETTO:+0100\nDTSTART:20261025T030000\n"
        "END:STANDARD\n"
        "BEGIN:DAYLIGHT\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0200\nDTSTART:20270328T020000\n"
        "END:DAYLIGHT\n"
        "BEGIN:STANDARD\nTZOFFSETFROM:+0200\nTZOFFSETTO:+0100\nDTSTART:20271031T030000\n"
        "END:STANDARD\n"
        "END:VTIMEZONE\nEND:VCALENDAR\n";
    const auto zone = ZoneOf(text);
    ASSERT_NE(zone, nullptr);
    const IcalSeconds before = Local(2026, 7, 1, 0, 0);
    const IcalSeconds within = Local(2027, 7, 1, 0, 0);
    const IcalSeconds after = Local(2028, 7, 1, 0, 0);
    EXPECT_FALSE(zone->Covers(before));
    EXPECT_TRUE(zone->Covers(within));
    EXPECT_FALSE(zone->Covers(after));
    EXPECT_EQ(zone->OffsetAtUtc(before), 7200);  // the first observance's TZOFFSETFROM
    EXPECT_EQ(zone->OffsetAtUtc(after), 3600);   // the last offset carried on
    EXPECT_FALSE(zone->HasOutsideZone());

    // The rule-based zone covers every instant after its first onset.
    const auto full = ZoneOf(kNewYork);
    EXPECT_TRUE(full->Covers(Local(9000, 1, 1, 0, 0)));
    EXPECT_FALSE(full->Covers(Local(1960, 1, 1, 0, 0)));

    zone->SetOutsideZone(ZoneOf(kNewYork));
    EXPECT_TRUE(zone->HasOutsideZone());
    EXPECT_EQ(zone->OffsetAtUtc(within), 7200);
    EXPECT_EQ(zone->OffsetAtUtc(after), -4 * 3600);
    EXPECT_EQ(zone->OffsetAtUtc(before), -4 * 3600);
}

TEST(VTimeZoneTest, RuleEndingLateAndHostileRuleStayExact) {
    // Daylight saving time ends with UNTIL in 2500; the table reaches 400 years past it.
    const char* text =
        "BEGIN:VCALENDAR\nBEGIN:VTIMEZONE\nTZID:Custom/Until\n"
        "BEGIN:DAYLIGHT\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0200\nDTSTART:20000326T020000\n"
        "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU;UNTIL=25000101T000000Z\nEND:DAYLIGHT\n"
        "BEGIN:STANDARD\nTZOFFSETFROM:+0200\nTZOFFSETTO:+0100\nDTSTART:20001029T030000\n"
        "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\nEND:STANDARD\n"
        "END:VTIMEZONE\nEND:VCALENDAR\n";
    const auto zone = ZoneOf(text);
    ASSERT_NE(zone, nullptr);
    EXPECT_EQ(zone->OffsetAtUtc(Local(2499, 7, 1, 0, 0)), 7200);
    EXPECT_EQ(zone->OffsetAtUtc(Local(2500, 7, 1, 0, 0)), 3600);
    EXPECT_EQ(zone->OffsetAtUtc(Local(9000, 7, 1, 0, 0)), 3600);

    // A rule by seconds without end is cut at the bound and reported, not expanded for ever.
    const char* hostile =
        "BEGIN:VCALENDAR\nBEGIN:VTIMEZONE\nTZID:Custom/Hostile\n"
        "BEGIN:STANDARD\nTZOFFSETFROM:+0100\nTZOFFSETTO:+0200\nDTSTART:20000101T000000\n"
        "RRULE:FREQ=SECONDLY\nEND:STANDARD\nEND:VTIMEZONE\nEND:VCALENDAR\n";
    std::vector<CIcalComponent> calendars;
    std::vector<CIcalFinding> findings;
    ASSERT_EQ(CIcalReader::Read(hostile, calendars, findings), CIcalReader::kRead);
    std::vector<std::string> problems;
    const auto cut = CVTimeZone::FromComponent(calendars.at(0).children.at(0), &problems);
    ASSERT_NE(cut, nullptr);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("cut after"), std::string::npos) << problems[0];
    EXPECT_EQ(cut->OffsetAtUtc(Local(1999, 1, 1, 0, 0)), 3600);
    EXPECT_EQ(cut->OffsetAtUtc(Local(2001, 1, 1, 0, 0)), 7200);
}

}  // namespace
