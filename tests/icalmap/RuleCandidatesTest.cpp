#include "icalmap/RuleCandidates.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using EFrequency = CRuleCandidates::EFrequency;

// A candidate in a few words: "every 2 weeks @wd0", "weekday 5/4 months 0x400", ...
std::string Describe(const std::vector<CExactEntries::SCandidate>& candidates) {
    std::ostringstream out;
    for (const CExactEntries::SCandidate& c : candidates) {
        const DateEntryProperties& r = c.Rule;
        if (r.Repeat == kRepeatEvery) {
            out << "every " << r.RepeatRate << " "
                << "?hdwmy"[r.RepeatUnit];
        } else {
            out << "weekday " << r.RepeatWeekdayCount << "/" << r.RepeatWeekday;
        }
        if (r.CondWeekdays != 127) out << " days 0x" << std::hex << r.CondWeekdays << std::dec;
        if (r.CondMonth != 4095) out << " months 0x" << std::hex << r.CondMonth << std::dec;
        if (c.AnchorWeekday >= 0) out << " @wd" << c.AnchorWeekday;
        if (c.AnchorMonthDay >= 0) out << " @day" << c.AnchorMonthDay;
        out << "; ";
    }
    return out.str();
}

CRuleCandidates::SRule Rule(EFrequency frequency, int interval,
                            std::vector<std::pair<int, int>> byDay = {},
                            std::vector<int> byMonthDay = {}, std::uint32_t byMonth = 0) {
    CRuleCandidates::SRule rule;
    rule.Frequency = frequency;
    rule.Interval = interval;
    rule.ByDay = std::move(byDay);
    rule.ByMonthDay = std::move(byMonthDay);
    rule.ByMonth = byMonth;
    return rule;
}

TEST(RuleCandidatesTest, OneRowPerMapping) {
    const struct {
        const char* rrule;
        CRuleCandidates::SRule rule;
        int dayShift;
        const char* candidates;
    } rows[] = {
        {"FREQ=HOURLY;INTERVAL=6", Rule(EFrequency::Hourly, 6), 0, "every 6 h; "},
        {"FREQ=MINUTELY;INTERVAL=90", Rule(EFrequency::Minutely, 90), 0, ""},
        {"FREQ=MINUTELY;INTERVAL=120", Rule(EFrequency::Minutely, 120), 0, "every 2 h; "},
        {"FREQ=SECONDLY", Rule(EFrequency::Secondly, 1), 0, ""},
        {"FREQ=DAILY;BYDAY=MO,TU,WE,TH,FR",
         Rule(EFrequency::Daily, 1, {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}}), 0,
         "every 1 d days 0x1f; "},
        {"FREQ=DAILY;BYMONTH=6,7", Rule(EFrequency::Daily, 1, {}, {}, 0x60), 0,
         "every 1 d months 0x60; "},
        {"FREQ=WEEKLY (on DTSTART's Wednesday)", Rule(EFrequency::Weekly, 1), 0,
         "every 1 w @wd2; "},
        {"FREQ=WEEKLY;BYDAY=TU,TH", Rule(EFrequency::Weekly, 1, {{0, 1}, {0, 3}}), 0,
         "every 1 d days 0xa; "},
        {"FREQ=WEEKLY;BYDAY=TU,TH seen a day later", Rule(EFrequency::Weekly, 1, {{0, 1}, {0, 3}}),
         1, "every 1 d days 0x14; "},
        {"FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,WE", Rule(EFrequency::Weekly, 2, {{0, 0}, {0, 2}}), 0,
         "every 2 w @wd0; every 2 w @wd2; "},
        {"FREQ=WEEKLY;BYDAY=SU seen a day later", Rule(EFrequency::Weekly, 1, {{0, 6}}), 1,
         "every 1 w @wd0; "},
        {"FREQ=MONTHLY (on DTSTART's 15th)", Rule(EFrequency::Monthly, 1), 0, "every 1 m @day15; "},
        {"FREQ=MONTHLY;INTERVAL=3;BYMONTHDAY=31", Rule(EFrequency::Monthly, 3, {}, {31}), 0,
         "every 3 m @day31; "},
        {"FREQ=MONTHLY;BYMONTHDAY=-1", Rule(EFrequency::Monthly, 1, {}, {-1}), 0,
         "every 1 m @day31; "},
        {"FREQ=MONTHLY;BYMONTHDAY=1,15", Rule(EFrequency::Monthly, 1, {}, {1, 15}), 0,
         "every 1 m @day1; every 1 m @day15; "},
        {"FREQ=MONTHLY;BYDAY=2TU", Rule(EFrequency::Monthly, 1, {{2, 1}}), 0, "weekday 1/1 @wd1; "},
        {"FREQ=MONTHLY;BYDAY=-1FR", Rule(EFrequency::Monthly, 1, {{-1, 4}}), 0,
         "weekday 5/4 @wd4; "},
        {"FREQ=MONTHLY;BYDAY=5FR", Rule(EFrequency::Monthly, 1, {{5, 4}}), 0, "weekday 4/4 @wd4; "},
        {"FREQ=MONTHLY;BYDAY=-2MO", Rule(EFrequency::Monthly, 1, {{-2, 0}}), 0, ""},
        {"FREQ=MONTHLY;BYDAY=1MO,3MO", Rule(EFrequency::Monthly, 1, {{1, 0}, {3, 0}}), 0,
         "weekday 0/0 @wd0; weekday 2/0 @wd0; "},
        {"FREQ=MONTHLY;BYDAY=MO", Rule(EFrequency::Monthly, 1, {{0, 0}}), 0,
         "every 1 d days 0x1; "},
        {"FREQ=YEARLY", Rule(EFrequency::Yearly, 1), 0, "every 1 y; "},
        {"FREQ=YEARLY;INTERVAL=4", Rule(EFrequency::Yearly, 4), 0, "every 4 y; "},
        {"FREQ=YEARLY;BYMONTH=11;BYDAY=4TH", Rule(EFrequency::Yearly, 1, {{4, 3}}, {}, 0x400), 0,
         "weekday 3/3 months 0x400 @wd3; "},
        {"FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU", Rule(EFrequency::Yearly, 1, {{-1, 6}}, {}, 0x4), 0,
         "weekday 5/6 months 0x4 @wd6; "},
        {"FREQ=YEARLY;BYMONTH=1,7", Rule(EFrequency::Yearly, 1, {}, {}, 0x41), 0,
         "every 1 m months 0x41 @day10; "},
        {"FREQ=YEARLY;BYDAY=20MO", Rule(EFrequency::Yearly, 1, {{20, 0}}), 0, ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(
            Describe(CRuleCandidates::Build(
                row.rule, 2, row.rule.Frequency == EFrequency::Monthly ? 15 : 10, row.dayShift)),
            row.candidates)
            << row.rrule;
    }
}

TEST(RuleCandidatesTest, PartsTheCalendarLacksGiveNone) {
    CRuleCandidates::SRule rule =
        Rule(EFrequency::Monthly, 1, {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}});
    rule.OtherParts = true;  // BYSETPOS=2: the second working day
    EXPECT_TRUE(CRuleCandidates::Build(rule, 4, 30, 0).empty());

    // BYSETPOS=-1, the last working day: the month's last day on working days, then the last
    // of each working day.
    rule.OtherParts = false;
    rule.LastOfSet = true;
    EXPECT_EQ(Describe(CRuleCandidates::Build(rule, 4, 30, 0)),
              "every 1 m days 0x1f @day31; weekday 5/0 @wd0; weekday 5/1 @wd1; weekday 5/2 @wd2; "
              "weekday 5/3 @wd3; weekday 5/4 @wd4; ");
    rule.Frequency = EFrequency::Weekly;
    EXPECT_TRUE(CRuleCandidates::Build(rule, 4, 30, 0).empty());
}

// Starts listed in RDATE, as Lotus Notes and some exporters write a series: the rule guessed,
// "FREQ/INTERVAL/BYDAY" in short; "-" for none.
TEST(RuleCandidatesTest, GuessFromListedStarts) {
    auto at = [](int month, int day, int hour = 8) {
        return CCivilTime::ToSeconds({2027, month, day, hour, 0, 0});
    };
    const struct {
        const char* name;
        std::vector<IcalSeconds> starts;
        const char* rule;
    } rows[] = {
        {"weekly on Monday, one week left out", {at(1, 11), at(1, 18), at(2, 1)}, "W/1/"},
        {"every other Thursday", {at(1, 7), at(1, 21), at(2, 18)}, "W/2/"},
        {"Monday, Wednesday, Friday", {at(1, 11), at(1, 13), at(1, 15), at(1, 18)}, "D/1/024"},
        {"the 15th of every month", {at(1, 15), at(2, 15), at(4, 15)}, "M/1/"},
        {"every third day", {at(1, 1), at(1, 4), at(1, 10)}, "D/3/"},
        {"two starts only", {at(1, 11), at(1, 18)}, "-"},
        {"different times of day", {at(1, 11), at(1, 18, 9), at(1, 25)}, "-"},
    };
    for (const auto& row : rows) {
        const std::optional<CRuleCandidates::SRule> rule = CRuleCandidates::Guess(row.starts);
        std::string text = "-";
        if (rule) {
            text = std::string(1, "SNHDWMY"[static_cast<int>(rule->Frequency)]) + "/" +
                   std::to_string(rule->Interval) + "/";
            for (const auto& [ordinal, weekday] : rule->ByDay) text += std::to_string(weekday);
        }
        EXPECT_EQ(text, row.rule) << row.name;
    }
}

}  // namespace
