#include "icalmap/EventMapper.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ical/TimeZone.h"
#include "icalmap/EventGuid.h"
#include "store/Agenda.h"
#include "store/EventData.h"
#include "store/OccurrenceTestSupport.h"
#include "support/FakePlatform.h"

namespace {

IcalSeconds Wall(int year, int month, int day, int hour = 0, int minute = 0) {
    return CCivilTime::ToSeconds({year, month, day, hour, minute, 0});
}

// Summer time between two UTC instants of each year, given by the day of the month a rule
// picks, as the EU and the US set their clocks.
class CRuleZone : public CTimeZone {
public:
    using Pick = int (*)(int year);  // a day of the month
    CRuleZone(int standard, int startMonth, Pick startDay, int startHourUtc, int endMonth,
              Pick endDay, int endHourUtc)
        : m_standard(standard),
          m_startMonth(startMonth),
          m_startDay(startDay),
          m_startHour(startHourUtc),
          m_endMonth(endMonth),
          m_endDay(endDay),
          m_endHour(endHourUtc) {}
    int OffsetAtUtc(IcalSeconds utc) const override {
        const int year = CCivilTime::FromSeconds(utc).year;
        const IcalSeconds begin = Wall(year, m_startMonth, m_startDay(year), m_startHour);
        const IcalSeconds end = Wall(year, m_endMonth, m_endDay(year), m_endHour);
        return utc >= begin && utc < end ? m_standard + 3600 : m_standard;
    }
    std::string Name() const override { return "rule zone"; }

private:
    int m_standard;
    int m_startMonth;
    Pick m_startDay;
    int m_startHour;
    int m_endMonth;
    Pick m_endDay;
    int m_endHour;
};

int SundayOnOrBefore(int year, int month, int day) {
    const std::int64_t days = CCivilTime::DaysFromCivil(year, month, day);
    return day - (CCivilTime::DayOfWeek(days) + 1) % 7;
}
int LastSundayOfMarch(int year) {
    return SundayOnOrBefore(year, 3, 31);
}
int LastSundayOfOctober(int year) {
    return SundayOnOrBefore(year, 10, 31);
}
int SecondSundayOfMarch(int year) {
    return SundayOnOrBefore(year, 3, 14);
}
int FirstSundayOfNovember(int year) {
    return SundayOnOrBefore(year, 11, 7);
}

const CRuleZone kBerlin(3600, 3, LastSundayOfMarch, 1, 10, LastSundayOfOctober, 1);
const CRuleZone kNewYork(-5 * 3600, 3, SecondSundayOfMarch, 7, 11, FirstSundayOfNovember, 6);

class EventMapperTest : public ::testing::Test {
protected:
    // The calendar's occurrences of the entries, as the agenda lists them.
    static std::vector<std::string> Agenda(const CDateEntryArray& entries) {
        CEventData data;
        for (const CDateEntry& entry : entries) data.DateEntries2.Add(entry);
        std::vector<std::string> lines;
        for (const CAgenda::SItem& item :
             CAgenda::List(data, Dt(2000, 1, 1), Dt(2029, 12, 31, 23, 59, 59))) {
            lines.push_back(Text(item.Start) + " " + Text(item.End));
        }
        return lines;
    }

    CFakePlatform m_platform;
    const CDateTime m_now = Dt(2026, 12, 1, 12);
};

// The stand-up at 09:30 New York time on Tuesdays and Thursdays, seen from Berlin: 15:30,
// but 14:30 in the weeks when only one of the zones keeps summer time.
TEST_F(EventMapperTest, ZonesThatChangeOnDifferentDatesStayExact) {
    CIcalEvent event;
    event.GuidName = "standup-2026@example.org";
    event.Summary = "Team stand-up";
    event.Zone = &kNewYork;
    event.HasEnd = true;
    event.Length = 15 * 60;
    CRuleCandidates::SRule rule;
    rule.Frequency = CRuleCandidates::EFrequency::Weekly;
    rule.ByDay = {{0, 1}, {0, 3}};
    event.Rule = rule;
    std::vector<std::string> expected;
    for (IcalSeconds day = Wall(2026, 10, 6); day < Wall(2027, 4, 2); day += 86400) {
        const int weekday = CCivilTime::DayOfWeek(day / 86400);
        if (weekday != 1 && weekday != 3) continue;
        const IcalSeconds wall = day + 9 * 3600 + 30 * 60;
        event.Starts.push_back(wall);
        const IcalSeconds utc = wall - kNewYork.OffsetAtUtc(wall - kNewYork.OffsetAtUtc(wall));
        const IcalSeconds local = kBerlin.LocalFromUtc(utc);
        const CCivilFields s = CCivilTime::FromSeconds(local);
        const CCivilFields e = CCivilTime::FromSeconds(local + 15 * 60);
        expected.push_back(Text(Dt(s.year, s.month, s.day, s.hour, s.minute)) + " " +
                           Text(Dt(e.year, e.month, e.day, e.hour, e.minute)));
    }
    event.LastStart = event.Starts.back();

    CDateEntryArray entries;
    const CEventMapper::SResult result =
        CEventMapper::Map(event, kBerlin, m_now, m_platform, entries);
    EXPECT_EQ(result.Entries, entries.GetSize());
    EXPECT_EQ(Agenda(entries), expected);
    EXPECT_EQ(entries[0].GetGuid(), CEventGuid::FromUid("standup-2026@example.org"));
    EXPECT_EQ(entries[0].Properties.Repeat, kRepeatEvery);
    EXPECT_LT(entries.GetSize(), 10);  // a series and the few odd weeks, not a list
    for (const CDateEntry& entry : entries) {
        EXPECT_EQ(entry.KeepStored, kKeepReminders | kKeepColors | kKeepCategory);
        EXPECT_EQ(&entry.GetStore(), &entries.GetStore());
    }
}

TEST_F(EventMapperTest, FieldsOfAWholeDayEvent) {
    CIcalEvent event;
    event.GuidName = "conference@holidays.example";
    event.Summary = "Caf\xC3\xA9 \xE2\x98\x95";  // "Café ☕": the cup is not in Windows-1252
    event.Location = "Hall 3";
    event.Description = "Three days";
    event.Category = "Travel";
    event.Color = "teal";
    event.WholeDay = true;
    event.HasEnd = true;
    event.Length = 3 * 86400;
    event.Starts = {Wall(2027, 3, 15)};
    event.HasAlarms = true;
    event.AlarmLeads = {86400, -60};

    CDateEntryArray entries;
    const CEventMapper::SResult result =
        CEventMapper::Map(event, kBerlin, m_now, m_platform, entries);
    ASSERT_EQ(entries.GetSize(), 1);
    const CDateEntry& entry = entries[0];
    EXPECT_EQ(Agenda(entries), std::vector<std::string>{"2027-03-15 00:00:00 2027-03-17 23:59:59"});
    EXPECT_EQ(entry.Properties.Description, "Caf\xE9 ?");
    EXPECT_EQ(entry.Properties.Notes, "Hall 3\r\nThree days");
    EXPECT_EQ(entry.Properties.Category, "Travel");
    EXPECT_EQ(entry.Properties.BgColor, 0x808000);
    EXPECT_EQ(entry.Properties.ShowStartTime, 0);
    EXPECT_EQ(entry.Properties.Forewarn, 1);
    EXPECT_EQ(entry.Properties.ForewarnSpan, 1);
    EXPECT_EQ(entry.Properties.ForewarnUnit, kSpanUnitDays);
    EXPECT_EQ(entry.GetStorageType(), kStorageTypeProperties);
    EXPECT_EQ(entry.KeepStored, 0u);
    EXPECT_TRUE(result.Findings.empty());
}

TEST_F(EventMapperTest, CancelledNoUidAndNoEnd) {
    CIcalEvent event;
    event.Summary = "Referee meeting";
    event.Starts = {Wall(2026, 9, 20, 10)};
    // Mapped twice into one list: the second event's entry follows the first, which stays.
    CDateEntryArray entries;
    const CEventMapper::SResult result =
        CEventMapper::Map(event, kBerlin, m_now, m_platform, entries);
    ASSERT_EQ(entries.GetSize(), 1);
    EXPECT_EQ(Agenda(entries), std::vector<std::string>{"2026-09-20 10:00:00 2026-09-20 10:00:00"});
    EXPECT_EQ(entries[0].Properties.ShowEnd, 0);
    ASSERT_EQ(result.Findings.size(), 1u);
    EXPECT_EQ(CEventMapper::Map(event, kBerlin, m_now, m_platform, entries).Entries, 1);
    ASSERT_EQ(entries.GetSize(), 2);
    EXPECT_EQ(entries[0].GetGuid(), entries[1].GetGuid());
    EXPECT_EQ(entries[0].Properties.Description, "Referee meeting");

    event.Cancelled = true;
    EXPECT_EQ(CEventMapper::Map(event, kBerlin, m_now, m_platform, entries).Entries, 0);
    EXPECT_EQ(entries.GetSize(), 2);
}

TEST_F(EventMapperTest, HorizonIsTheFourthNewYearAhead) {
    EXPECT_EQ(Text(CEventMapper::Horizon(Dt(2026, 12, 10, 23))), "2030-01-01 00:00:00");
}

}  // namespace
