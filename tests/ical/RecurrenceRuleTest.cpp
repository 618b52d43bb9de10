#include "ical/RecurrenceRule.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct SAccepted {
    const char* text;
    const char* canonical;
    const char* ignoredPart;  // named in the problem text; nullptr: no problem reported
};

TEST(RecurrenceRuleTest, PublishersTextReadsToTheCanonicalText) {
    const SAccepted cases[] = {
        {"freq=weekly;byday=mo,we;", "FREQ=WEEKLY;BYDAY=MO,WE", nullptr},
        {"RRULE:FREQ=DAILY;INTERVAL=1;COUNT=10", "FREQ=DAILY;COUNT=10", nullptr},
        {"FREQ=MONTHLY;BYDAY=-1FR;X-NAME=1", "FREQ=MONTHLY;BYDAY=-1FR", "X-NAME"},
        {"FREQ=YEARLY;RSCALE=GREGORIAN;SKIP=BACKWARD;BYMONTH=2", "FREQ=YEARLY;BYMONTH=2", "SKIP"},
        {"BYMONTH=1;BYDAY=SU;BYMINUTE=30;BYHOUR=8,9;FREQ=YEARLY;INTERVAL=2",
         "FREQ=YEARLY;INTERVAL=2;BYMINUTE=30;BYHOUR=8,9;BYDAY=SU;BYMONTH=1", nullptr},
        {"FREQ=DAILY;UNTIL=19971224T000000Z", "FREQ=DAILY;UNTIL=19971224T000000Z", nullptr},
        {"FREQ=DAILY;UNTIL=20000131", "FREQ=DAILY;UNTIL=20000131", nullptr},
        {"FREQ=DAILY;UNTIL=20000131T090000", "FREQ=DAILY;UNTIL=20000131T090000", nullptr},
        {"FREQ=MONTHLY;BYMONTHDAY=-3,31;BYSETPOS=-1;WKST=su",
         "FREQ=MONTHLY;BYMONTHDAY=-3,31;BYSETPOS=-1;WKST=SU", nullptr},
        {"FREQ=YEARLY;BYYEARDAY=1,-366;BYWEEKNO=-53,20",
         "FREQ=YEARLY;BYYEARDAY=1,-366;BYWEEKNO=-53,20", nullptr},
        {"FREQ=MONTHLY;BYDAY=+2TU,-53SA,FR", "FREQ=MONTHLY;BYDAY=2TU,-53SA,FR", nullptr},
        {"FREQ=SECONDLY;BYSECOND=0,60", "FREQ=SECONDLY;BYSECOND=0,59", nullptr},
        {" FREQ = HOURLY ; INTERVAL = 8 ", "FREQ=HOURLY;INTERVAL=8", nullptr},
        // Both ends, which RFC 5545 forbids: the first one given ends the rule.
        {"FREQ=WEEKLY;COUNT=6;UNTIL=20271231T000000Z", "FREQ=WEEKLY;COUNT=6", "UNTIL"},
        {"FREQ=WEEKLY;UNTIL=20271231T000000Z;COUNT=6", "FREQ=WEEKLY;UNTIL=20271231T000000Z",
         "COUNT"},
    };
    for (const SAccepted& c : cases) {
        CRecurrenceRule rule;
        std::string problem;
        ASSERT_TRUE(CRecurrenceRule::Parse(c.text, rule, &problem)) << c.text << ": " << problem;
        EXPECT_EQ(rule.ToText(), c.canonical) << c.text;
        if (c.ignoredPart == nullptr) {
            EXPECT_EQ(problem, "") << c.text;
        } else {
            EXPECT_NE(problem.find(c.ignoredPart), std::string::npos) << c.text << ": " << problem;
        }
        CRecurrenceRule again;
        ASSERT_TRUE(CRecurrenceRule::Parse(rule.ToText(), again, nullptr)) << c.canonical;
        EXPECT_EQ(again.ToText(), c.canonical);
    }
}

TEST(RecurrenceRuleTest, UntilKeepsItsKind) {
    CRecurrenceRule rule;
    ASSERT_TRUE(CRecurrenceRule::Parse("FREQ=DAILY;UNTIL=20260301", rule, nullptr));
    ASSERT_TRUE(rule.until.has_value());
    EXPECT_TRUE(rule.until->isDate);
    EXPECT_FALSE(rule.until->isUtc);
    EXPECT_EQ(rule.until->fields.day, 1);
    ASSERT_TRUE(CRecurrenceRule::Parse("FREQ=DAILY;UNTIL=20260301T235959Z", rule, nullptr));
    EXPECT_FALSE(rule.until->isDate);
    EXPECT_TRUE(rule.until->isUtc);
    EXPECT_EQ(rule.until->fields.second, 59);
    EXPECT_FALSE(rule.count.has_value());
    EXPECT_EQ(rule.interval, 1);
    EXPECT_EQ(rule.wkst, 0);
}

TEST(RecurrenceRuleTest, OutOfRangeOrMalformedRulesAreRefusedWithAReason) {
    const char* const refused[] = {
        "BYDAY=MO",  // no FREQ
        "",
        "FREQ=FORTNIGHTLY",
        "FREQ=DAILY;INTERVAL=0",
        "FREQ=DAILY;INTERVAL=-2",
        "FREQ=DAILY;COUNT=0",
        "FREQ=DAILY;COUNT",  // part without '='
        "FREQ=DAILY;COUNT=1O",
        "FREQ=DAILY;UNTIL=20260230",  // no such day
        "FREQ=DAILY;UNTIL=2026-03-01",
        "FREQ=DAILY;BYSECOND=61",
        "FREQ=DAILY;BYMINUTE=60",
        "FREQ=DAILY;BYHOUR=24",
        "FREQ=DAILY;BYHOUR=-1",
        "FREQ=MONTHLY;BYMONTHDAY=0",
        "FREQ=MONTHLY;BYMONTHDAY=32",
        "FREQ=MONTHLY;BYMONTHDAY=-32",
        "FREQ=YEARLY;BYYEARDAY=367",
        "FREQ=YEARLY;BYWEEKNO=54",
        "FREQ=YEARLY;BYWEEKNO=0",
        "FREQ=YEARLY;BYMONTH=13",
        "FREQ=YEARLY;BYMONTH=-1",
        "FREQ=MONTHLY;BYSETPOS=0",
        "FREQ=MONTHLY;BYSETPOS=367",
        "FREQ=MONTHLY;BYDAY=0MO",
        "FREQ=MONTHLY;BYDAY=54MO",
        "FREQ=MONTHLY;BYDAY=XX",
        "FREQ=MONTHLY;BYDAY=",
        "FREQ=WEEKLY;WKST=XY",
    };
    for (const char* text : refused) {
        CRecurrenceRule rule;
        std::string problem;
        EXPECT_FALSE(CRecurrenceRule::Parse(text, rule, &problem))
            << text << " -> " << rule.ToText();
        EXPECT_NE(problem, "") << text;
    }
}

TEST(RecurrenceRuleTest, ARefusedRuleLeavesTheTargetAsItWas) {
    CRecurrenceRule rule;
    ASSERT_TRUE(CRecurrenceRule::Parse("FREQ=WEEKLY;COUNT=3", rule, nullptr));
    EXPECT_FALSE(CRecurrenceRule::Parse("FREQ=DAILY;BYHOUR=25", rule, nullptr));
    EXPECT_EQ(rule.ToText(), "FREQ=WEEKLY;COUNT=3");
}

}  // namespace
