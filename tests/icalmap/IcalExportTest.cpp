#include "icalmap/IcalExport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ical/TimeZone.h"
#include "store/EventData.h"
#include "support/FakePlatform.h"

namespace {

CDateTime Dt(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    return CDateTime(year, month, day, hour, minute, second);
}

// The content lines of a text, unfolded, CRLF removed.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find("\r\n", begin);
        const std::string line = text.substr(begin, end - begin);
        if (!line.empty() && line[0] == ' ') {
            lines.back() += line.substr(1);
        } else {
            lines.push_back(line);
        }
        begin = end + 2;
    }
    return lines;
}

class IcalExportTest : public ::testing::Test {
protected:
    void SetUp() override { m_platform.Install(); }

    CDateEntry& Add(const CDateTime& start, const CDateTime& end) {
        CDateEntry entry;
        entry.Properties.StartDate = start;
        entry.Properties.EndDate = end;
        entry.Properties.RepeatEndDate = start;
        m_data.DateEntries2.Add(entry);
        return m_data.DateEntries2[m_data.DateEntries2.GetSize() - 1];
    }

    // The lines of the one VEVENT of `entry`, BEGIN and END excluded.
    std::vector<std::string> Event(const CDateEntry& entry) {
        const std::vector<std::string> lines = Lines(Write());
        const auto uid =
            std::find(lines.begin(), lines.end(), "UID:" + std::string(entry.GetGuid()));
        EXPECT_NE(uid, lines.end());
        if (uid == lines.end()) return {};
        const auto end = std::find(uid, lines.end(), "END:VEVENT");
        return std::vector<std::string>(uid, end);
    }

    // Lines of `event` that start with one of the names, in their order.
    static std::vector<std::string> Only(const std::vector<std::string>& event,
                                         std::vector<std::string> names) {
        std::vector<std::string> kept;
        for (const std::string& line : event) {
            for (const std::string& name : names) {
                if (line.rfind(name, 0) == 0 &&
                    (line[name.size()] == ':' || line[name.size()] == ';')) {
                    kept.push_back(line);
                }
            }
        }
        return kept;
    }

    std::string Write() {
        CIcalExport exporter(Dt(2026, 12, 10, 23, 0), {2026, 12, 10, 22, 0, 5}, "9.9");
        std::string text = exporter.Write(m_data);
        m_notes = exporter.Notes();
        return text;
    }

    CFakePlatform m_platform;
    CEventData m_data;
    std::vector<std::string> m_notes;
};

TEST_F(IcalExportTest, CalendarAndFields) {
    CDateEntry& entry = Add(Dt(2024, 5, 1, 9), Dt(2024, 5, 1, 10, 30));
    entry.Properties.Description = entry.MakeText("Caf\xE9, talk; plan");  // Windows-1252
    entry.Properties.Notes = entry.MakeText("one\r\ntwo");
    entry.Properties.Category = entry.MakeText("Work");
    entry.Properties.BgColor = 0x00FF901E;  // red 30, green 144, blue 255
    entry.Properties.Forewarn = 1;
    entry.Properties.ForewarnSpan = 2;
    entry.Properties.ForewarnUnit = kSpanUnitHours;
    const std::string text = Write();
    const std::vector<std::string> lines = Lines(text);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 4),
              (std::vector<std::string>{"BEGIN:VCALENDAR", "VERSION:2.0",
                                        "PRODID:-//ZelvaroFeed//ZelvaroFeed 9.9//EN",
                                        "CALSCALE:GREGORIAN"}));
    EXPECT_EQ(lines.back(), "END:VCALENDAR");
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    EXPECT_EQ(Event(entry),
              (std::vector<std::string>{
                  "UID:" + std::string(entry.GetGuid()), "DTSTAMP:20261210T220005Z",
                  "SUMMARY:Caf\xC3\xA9\\, talk\\; plan", "DESCRIPTION:one\\ntwo", "CATEGORIES:Work",
                  "COLOR:dodgerblue", "DTSTART:20240501T090000", "DTEND:20240501T103000",
                  "BEGIN:VALARM", "ACTION:DISPLAY", "DESCRIPTION:Caf\xC3\xA9\\, talk\\; plan",
                  "TRIGGER:-PT2H", "END:VALARM"}));
    EXPECT_TRUE(m_notes.empty());
}

// COLOR only where the user chose a colour: the default red says nothing of the event.
TEST_F(IcalExportTest, ColorOnlyForAColourOtherThanTheDefault) {
    const struct {
        std::int32_t bgColor;
        std::vector<std::string> color;
    } cases[] = {{DateEntryProperties().BgColor, {}},
                 {0x0000E1, {"COLOR:red"}},  // a step from the default is a choice
                 {0x00FF901E, {"COLOR:dodgerblue"}}};
    for (const auto& c : cases) {
        m_data = CEventData();
        CDateEntry& entry = Add(Dt(2024, 5, 1, 9), Dt(2024, 5, 1, 9));
        entry.Properties.BgColor = c.bgColor;
        EXPECT_EQ(Only(Event(entry), {"COLOR"}), c.color) << c.bgColor;
    }
}

TEST_F(IcalExportTest, Triggers) {
    const struct {
        int span;
        int unit;
        const char* trigger;
    } cases[] = {{15, kSpanUnitMinutes, "TRIGGER:-PT15M"}, {3, kSpanUnitDays, "TRIGGER:-P3D"},
                 {1, kSpanUnitWeeks, "TRIGGER:-P1W"},      {-5, kSpanUnitMinutes, "TRIGGER:PT5M"},
                 {0, kSpanUnitHours, "TRIGGER:PT0S"},      {4, 9, "TRIGGER:PT0S"}};
    for (const auto& c : cases) {
        m_data = CEventData();
        CDateEntry& entry = Add(Dt(2024, 5, 1, 9), Dt(2024, 5, 1, 9));
        entry.Properties.Forewarn = 1;
        entry.Properties.ForewarnSpan = c.span;
        entry.Properties.ForewarnUnit = c.unit;
        EXPECT_EQ(Only(Event(entry), {"TRIGGER"}), std::vector<std::string>{c.trigger});
    }
}

TEST_F(IcalExportTest, MonthEndSeriesWithCountAndDrop) {
    // From 31 January 2024: 29 February, 31 March, 30 April (dropped, so it does not count),
    // 31 May as the fourth.
    CDateEntry& entry = Add(Dt(2024, 1, 31, 10), Dt(2024, 1, 31, 11));
    entry.Properties.Repeat = kRepeatEvery;
    entry.Properties.RepeatRate = 1;
    entry.Properties.RepeatUnit = kRepeatUnitMonths;
    entry.Properties.RepeatEnd = kRepeatEndAfterCount;
    entry.Properties.RepeatEndCount = 4;
    entry.DropOccurrence(Dt(2024, 4, 30, 10));
    entry.DropOccurrence(Dt(2024, 4, 29, 10));  // no occurrence: no EXDATE
    EXPECT_EQ(Only(Event(entry), {"DTSTART", "DTEND", "RRULE", "EXDATE", "RDATE"}),
              (std::vector<std::string>{"DTSTART:20240131T100000", "DTEND:20240131T110000",
                                        "RRULE:FREQ=MONTHLY;UNTIL=20240531T100000;BYMONTHDAY=-1",
                                        "EXDATE:20240430T100000"}));
}

TEST_F(IcalExportTest, RuleShapes) {
    const struct {
        const char* name;
        int repeat, rate, unit, weekdayCount, weekday;
        CDateTime start;
        int showStartTime;
        int condWeekdays;
        std::vector<std::string> expected;
    } cases[] = {
        // clang-format off
        {"last Friday, whole days", kRepeatMonthlyWeekday, 0, 0, kRepeatWeekdayLast, 4,
         Dt(2024, 1, 1), 0, 127,
         {"DTSTART;VALUE=DATE:20240126", "DTEND;VALUE=DATE:20240127",
          "RRULE:FREQ=MONTHLY;BYDAY=-1FR"}},
        {"monthly from the 30th", kRepeatEvery, 1, kRepeatUnitMonths, 0, 0,
         Dt(2023, 1, 30, 10), 1, 127,
         {"DTSTART:20230130T100000", "RRULE:FREQ=MONTHLY;BYMONTHDAY=28,29,30;BYSETPOS=-1"}},
        {"every 2 months from 30 March meets no February", kRepeatEvery, 2, kRepeatUnitMonths,
         0, 0, Dt(2023, 3, 30, 10), 1, 31,
         {"DTSTART:20230330T100000",
          "RRULE:FREQ=MONTHLY;INTERVAL=2;BYDAY=MO,TU,WE,TH,FR;BYMONTHDAY=30"}},
        {"yearly leap day", kRepeatEvery, 1, kRepeatUnitYears, 0, 0, Dt(2024, 2, 29, 10), 1,
         127, {"DTSTART:20240229T100000", "RRULE:FREQ=YEARLY;BYMONTHDAY=-1;BYMONTH=2"}},
        {"every 36 hours on weekends from Saturday", kRepeatEvery, 36, kRepeatUnitHours, 0, 0,
         Dt(2024, 6, 1, 8), 1, 96,
         {"DTSTART:20240601T080000", "RRULE:FREQ=HOURLY;INTERVAL=36;BYDAY=SA,SU"}},
        {"fortnightly", kRepeatEvery, 2, kRepeatUnitWeeks, 0, 0, Dt(2024, 6, 3, 8), 1, 127,
         {"DTSTART:20240603T080000", "RRULE:FREQ=WEEKLY;INTERVAL=2"}},
        {"weekly from beyond the horizon", kRepeatEvery, 1, kRepeatUnitWeeks, 0, 0,
         Dt(2040, 1, 3, 8), 1, 127, {"DTSTART:20400103T080000", "RRULE:FREQ=WEEKLY"}},
        {"daily with the fifth-weekday check", kRepeatEvery, 1, kRepeatUnitDays,
         kRepeatWeekdayFifth, 0, Dt(2024, 6, 3, 8), 1, 127,
         {"DTSTART:20240629T080000", "RRULE:FREQ=DAILY;BYMONTHDAY=29,30,31"}},
        {"every 5 hours, whole days: times of day", kRepeatEvery, 5, kRepeatUnitHours, 0, 0,
         Dt(2024, 6, 3, 8), 0, 127,
         {"DTSTART:20240603T000000", "DTEND:20240603T235959", "RRULE:FREQ=HOURLY;INTERVAL=5"}},
        // clang-format on
    };
    for (const auto& c : cases) {
        m_data = CEventData();
        CDateEntry& entry = Add(c.start, c.start);
        entry.Properties.Repeat = c.repeat;
        entry.Properties.RepeatRate = c.rate;
        entry.Properties.RepeatUnit = c.unit;
        entry.Properties.RepeatWeekdayCount = c.weekdayCount;
        entry.Properties.RepeatWeekday = c.weekday;
        entry.Properties.ShowStartTime = c.showStartTime;
        entry.Properties.CondWeekdays = c.condWeekdays;
        EXPECT_EQ(Only(Event(entry), {"DTSTART", "DTEND", "RRULE", "EXDATE", "RDATE"}), c.expected)
            << c.name;
        EXPECT_TRUE(m_notes.empty()) << c.name;
    }
}

TEST_F(IcalExportTest, LongHourlySeriesKeepsItsFirstOccurrence) {
    // Some 700,000 hours up to the horizon: more than are checked, so the check looks at the
    // last ones only, and DTSTART still comes from the series' first year.
    CDateEntry& entry = Add(Dt(1950, 1, 1, 6, 30), Dt(1950, 1, 1, 6, 30));
    entry.Properties.Repeat = kRepeatEvery;
    entry.Properties.RepeatRate = 1;
    entry.Properties.RepeatUnit = kRepeatUnitHours;
    entry.Properties.CondMonth = 0x2;  // February only: the first occurrence is a month later
    EXPECT_EQ(Only(Event(entry), {"DTSTART", "RRULE", "RDATE"}),
              (std::vector<std::string>{"DTSTART:19500201T003000", "RRULE:FREQ=HOURLY;BYMONTH=2"}));
    EXPECT_TRUE(m_notes.empty());
}

TEST_F(IcalExportTest, NoSingleRuleListsTheOccurrencesUpToTheHorizon) {
    // Monthly from the 30th on weekdays: in February the calendar refuses the 28th or 29th
    // when it is a weekend day, where a rule's BYDAY would pick an earlier day.
    CDateEntry& entry = Add(Dt(2026, 1, 30, 10), Dt(2026, 1, 30, 10));
    entry.Properties.Repeat = kRepeatEvery;
    entry.Properties.RepeatRate = 1;
    entry.Properties.RepeatUnit = kRepeatUnitMonths;
    entry.Properties.CondWeekdays = 0x1F;
    const std::vector<std::string> event = Event(entry);
    EXPECT_TRUE(Only(event, {"RRULE"}).empty());
    const std::vector<std::string> listed = Only(event, {"RDATE"});
    ASSERT_FALSE(listed.empty());
    EXPECT_EQ(listed.front(), "RDATE:20260330T100000");  // 28 February 2026 is a Saturday
    EXPECT_EQ(listed.back(), "RDATE:20291130T100000");   // 30 December 2029 is a Sunday
    EXPECT_EQ(CIcalExport::Horizon(Dt(2026, 12, 10)).Format("%Y-%m-%d"), "2030-01-01");
    ASSERT_EQ(m_notes.size(), 1u);
    EXPECT_NE(m_notes[0].find(entry.GetGuid()), std::string::npos);
    EXPECT_NE(m_notes[0].find("up to 2030-01-01"), std::string::npos);
}

TEST_F(IcalExportTest, EntriesWithoutOccurrenceOrWithNegativeLength) {
    CDateEntry& none = Add(Dt(2024, 5, 1, 9), Dt(2024, 5, 1, 10));
    none.Properties.Repeat = kRepeatEvery;
    none.Properties.RepeatRate = 1;
    none.Properties.RepeatUnit = kRepeatUnitDays;
    none.Properties.CondWeekdays = 0;
    EXPECT_EQ(Only(Event(none), {"DTSTART", "DTEND", "RRULE", "EXDATE"}),
              (std::vector<std::string>{"DTSTART:20240501T090000", "DTEND:20240501T100000",
                                        "EXDATE:20240501T090000"}));
    m_data = CEventData();
    CDateEntry& backwards = Add(Dt(2024, 5, 1, 9), Dt(2024, 5, 1, 8));
    EXPECT_EQ(Only(Event(backwards), {"DTSTART", "DTEND"}),
              std::vector<std::string>{"DTSTART:20240501T090000"});
    ASSERT_EQ(m_notes.size(), 1u);
    EXPECT_NE(m_notes[0].find("end before they start"), std::string::npos);
}

}  // namespace

// A zone one hour east of UTC all year, standing in for a zone of the system's data.
class CPlusOneZone : public CTimeZone {
public:
    int OffsetAtUtc(IcalSeconds) const override { return 3600; }
    std::string Name() const override { return "Test/Plus One"; }
};

TEST_F(IcalExportTest, TimesInAZone) {
    CDateEntry& entry = Add(Dt(2024, 5, 1, 9), Dt(2024, 5, 1, 10));
    entry.Properties.Repeat = kRepeatEvery;
    entry.Properties.RepeatRate = 1;
    entry.Properties.RepeatUnit = kRepeatUnitDays;
    entry.Properties.RepeatEnd = kRepeatEndAfterCount;
    entry.Properties.RepeatEndCount = 3;
    entry.DropOccurrence(Dt(2024, 5, 2, 9));
    CDateEntry& wholeDay = Add(Dt(2024, 6, 1), Dt(2024, 6, 1));
    wholeDay.Properties.ShowStartTime = 0;
    Add(Dt(2024, 7, 1, 22, 0), Dt(2024, 7, 3, 0, 30, 15));

    const CPlusOneZone zone;
    CIcalExport exporter(Dt(2026, 12, 10, 23, 0), {2026, 12, 10, 22, 0, 5}, "9.9");
    exporter.SetTimeZone(zone, "BEGIN:VTIMEZONE\r\nTZID:Test/Plus One\r\nEND:VTIMEZONE\r\n");
    const std::vector<std::string> lines = Lines(exporter.Write(m_data));
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 4, lines.begin() + 7),
              (std::vector<std::string>{"BEGIN:VTIMEZONE", "TZID:Test/Plus One", "END:VTIMEZONE"}));
    // Local times with TZID, UNTIL in UTC.
    EXPECT_EQ(
        Only(lines, {"DTSTART", "DTEND", "DURATION", "RRULE", "EXDATE"}),
        (std::vector<std::string>{
            "DTSTART;TZID=Test/Plus One:20240501T090000",
            "DTEND;TZID=Test/Plus One:20240501T100000", "RRULE:FREQ=DAILY;UNTIL=20240504T080000Z",
            "EXDATE;TZID=Test/Plus One:20240502T090000",
            // Whole days stay DATE values, which no zone changes.
            "DTSTART;VALUE=DATE:20240601", "DTEND;VALUE=DATE:20240602",
            // A day or more: its days are calendar days, whatever the offset does.
            "DTSTART;TZID=Test/Plus One:20240701T220000", "DURATION:P1DT2H30M15S"}));
}
