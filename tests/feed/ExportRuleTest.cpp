#include "feed/ExportRule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

IcalSeconds At(int year, int month, int day, int hour = 0, int minute = 0) {
    return CCivilTime::ToSeconds({year, month, day, hour, minute, 0});
}

std::string Text(IcalSeconds seconds) {
    const CCivilFields f = CCivilTime::FromSeconds(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", f.year, f.month, f.day, f.hour,
                  f.minute);
    return text;
}

std::vector<std::string> Expand(const CExportRule& rule, IcalSeconds dtstart,
                                IcalSeconds horizon = At(2100, 1, 1)) {
    std::vector<IcalSeconds> starts;
    EXPECT_TRUE(rule.Expand(dtstart, horizon, 100000, starts));
    std::vector<std::string> texts;
    for (const IcalSeconds t : starts) texts.push_back(Text(t));
    return texts;
}

CExportRule Rule(CExportRule::EFrequency frequency, std::int64_t interval = 1) {
    CExportRule rule;
    rule.Frequency = frequency;
    rule.Interval = interval;
    return rule;
}

using F = CExportRule::EFrequency;

// Examples of RFC 5545 section 3.8.5.3 that fall within the forms, COUNT given as UNTIL.
TEST(ExportRuleTest, RfcExamples) {
    {
        // Every 3 hours from 9:00 AM to 5:00 PM on a specific day.
        CExportRule rule = Rule(F::Hourly, 3);
        rule.Until = At(1997, 9, 2, 17);
        EXPECT_EQ(rule.ToText("19970902T170000Z"), "FREQ=HOURLY;INTERVAL=3;UNTIL=19970902T170000Z");
        EXPECT_EQ(
            Expand(rule, At(1997, 9, 2, 9)),
            (std::vector<std::string>{"1997-09-02 09:00", "1997-09-02 12:00", "1997-09-02 15:00"}));
    }
    {
        // Every day in January, for 3 years.
        CExportRule rule = Rule(F::Daily);
        rule.ByMonth = 1;
        rule.Until = At(2000, 1, 31, 14);
        const std::vector<std::string> days = Expand(rule, At(1998, 1, 1, 9));
        ASSERT_EQ(days.size(), 93u);
        EXPECT_EQ(days[31], "1999-01-01 09:00");
        EXPECT_EQ(days.back(), "2000-01-31 09:00");
    }
    {
        // Monthly on the first and last day of the month for 10 occurrences.
        CExportRule rule = Rule(F::Monthly);
        rule.ByMonthDay = {1, -1};
        rule.Until = At(1998, 2, 1, 9);
        EXPECT_EQ(rule.ToText("19980201T090000"),
                  "FREQ=MONTHLY;BYMONTHDAY=1,-1;UNTIL=19980201T090000");
        EXPECT_EQ(
            Expand(rule, At(1997, 9, 30, 9)),
            (std::vector<std::string>{"1997-09-30 09:00", "1997-10-01 09:00", "1997-10-31 09:00",
                                      "1997-11-01 09:00", "1997-11-30 09:00", "1997-12-01 09:00",
                                      "1997-12-31 09:00", "1998-01-01 09:00", "1998-01-31 09:00",
                                      "1998-02-01 09:00"}));
    }
    {
        // Monthly on the first Friday until December 24, 1997.
        CExportRule rule = Rule(F::Monthly);
        rule.Ordinal = 1;
        rule.OrdinalWeekday = 4;
        rule.Until = At(1997, 12, 24);
        EXPECT_EQ(Expand(rule, At(1997, 9, 5, 9)),
                  (std::vector<std::string>{"1997-09-05 09:00", "1997-10-03 09:00",
                                            "1997-11-07 09:00", "1997-12-05 09:00"}));
    }
    {
        // Every Friday the 13th (the first five).
        CExportRule rule = Rule(F::Monthly);
        rule.ByMonthDay = {13};
        rule.ByDay = 1u << 4;
        rule.Until = At(2000, 12, 31);
        EXPECT_EQ(rule.ToText(""), "FREQ=MONTHLY;BYMONTHDAY=13;BYDAY=FR;UNTIL=");
        EXPECT_EQ(
            Expand(rule, At(1997, 9, 2, 9)),
            (std::vector<std::string>{"1998-02-13 09:00", "1998-03-13 09:00", "1998-11-13 09:00",
                                      "1999-08-13 09:00", "2000-10-13 09:00"}));
    }
}

TEST(ExportRuleTest, LastDayOfShorterMonths) {
    // The calendar's monthly series from the 31st, 30th and 29th, and the yearly leap day.
    const struct {
        CExportRule::EFrequency frequency;
        std::vector<int> days;
        bool setPos;
        IcalSeconds dtstart;
        IcalSeconds horizon;
        std::vector<std::string> expected;
    } cases[] = {
        {F::Monthly,
         {28, 29, 30, 31},
         true,
         At(2023, 1, 31, 10),
         At(2023, 5, 1),
         {"2023-01-31 10:00", "2023-02-28 10:00", "2023-03-31 10:00", "2023-04-30 10:00"}},
        {F::Monthly,
         {-1},
         false,
         At(2024, 1, 31, 10),
         At(2024, 5, 1),
         {"2024-01-31 10:00", "2024-02-29 10:00", "2024-03-31 10:00", "2024-04-30 10:00"}},
        {F::Monthly,
         {28, 29, 30},
         true,
         At(2023, 1, 30, 10),
         At(2023, 5, 1),
         {"2023-01-30 10:00", "2023-02-28 10:00", "2023-03-30 10:00", "2023-04-30 10:00"}},
        // Under the fifth-weekday check: February has no 29th or 30th in 2023.
        {F::Monthly,
         {29, 30},
         true,
         At(2023, 1, 30, 10),
         At(2023, 5, 1),
         {"2023-01-30 10:00", "2023-03-30 10:00", "2023-04-30 10:00"}},
    };
    for (const auto& c : cases) {
        CExportRule rule = Rule(c.frequency);
        rule.ByMonthDay = c.days;
        rule.BySetPosLast = c.setPos;
        EXPECT_EQ(Expand(rule, c.dtstart, c.horizon), c.expected) << rule.ToText("");
    }
    CExportRule leapDay = Rule(F::Yearly);
    leapDay.ByMonth = 1u << 1;
    leapDay.ByMonthDay = {-1};
    EXPECT_EQ(leapDay.ToText(""), "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=-1");
    EXPECT_EQ(
        Expand(leapDay, At(2000, 2, 29, 9), At(2003, 1, 1)),
        (std::vector<std::string>{"2000-02-29 09:00", "2001-02-28 09:00", "2002-02-28 09:00"}));
}

TEST(ExportRuleTest, OrdinalWeekdays) {
    // February 2024 has five Thursdays; March 2024 does not.
    CExportRule fifth = Rule(F::Monthly);
    fifth.Ordinal = 5;
    fifth.OrdinalWeekday = 3;
    EXPECT_EQ(fifth.ToText(""), "FREQ=MONTHLY;BYDAY=5TH");
    EXPECT_EQ(
        Expand(fifth, At(2024, 2, 29, 8), At(2024, 9, 1)),
        (std::vector<std::string>{"2024-02-29 08:00", "2024-05-30 08:00", "2024-08-29 08:00"}));
    CExportRule last = fifth;
    last.Ordinal = -1;
    EXPECT_EQ(
        Expand(last, At(2024, 2, 29, 8), At(2024, 5, 1)),
        (std::vector<std::string>{"2024-02-29 08:00", "2024-03-28 08:00", "2024-04-25 08:00"}));
}

TEST(ExportRuleTest, HourlyLimits) {
    // Every 5 hours on weekdays between 8 and 17 o'clock, in March.
    CExportRule rule = Rule(F::Hourly, 5);
    rule.ByDay = 0x1F;
    rule.ByHour = (1u << 8) | (1u << 13);
    rule.ByMonth = 1u << 2;
    EXPECT_EQ(rule.ToText(""), "FREQ=HOURLY;INTERVAL=5;BYMONTH=3;BYDAY=MO,TU,WE,TH,FR;BYHOUR=8,13");
    // From Friday 2024-03-01 03:00 the grid meets 08 and 13 on Friday, passes the weekend,
    // meets neither on Monday (01, 06, 11, 16, 21) nor Tuesday (02, 07, ...) and both again
    // on Wednesday.
    const std::vector<std::string> starts = Expand(rule, At(2024, 3, 1, 3), At(2024, 3, 7));
    EXPECT_EQ(starts, (std::vector<std::string>{"2024-03-01 08:00", "2024-03-01 13:00",
                                                "2024-03-06 08:00", "2024-03-06 13:00"}));
}

TEST(ExportRuleTest, ExpansionStopsAtItsBound) {
    CExportRule rule = Rule(F::Hourly);
    std::vector<IcalSeconds> starts;
    EXPECT_FALSE(rule.Expand(At(2024, 1, 1), At(2025, 1, 1), 10, starts));
    EXPECT_EQ(starts.size(), 10u);
}

}  // namespace
