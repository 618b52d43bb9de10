#include "ical/RecurrenceSet.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ical/IcalDateTime.h"

namespace {

IcalSeconds At(const char* text) {
    CIcalDateTime value;
    EXPECT_TRUE(CIcalDateTime::Parse(text, value)) << text;
    return value.Seconds();
}

CRecurrenceRule Rule(const char* text) {
    CRecurrenceRule rule;
    EXPECT_TRUE(CRecurrenceRule::Parse(text, rule, nullptr)) << text;
    return rule;
}

struct SCase {
    const char* name;
    std::vector<const char*> rules, rdates, exdates;
    std::vector<const char*> expected;  // within 2026, DTSTART 20260101T090000 (a Thursday)
};

TEST(RecurrenceSetTest, RulesAndDatesMergeInOrderLessTheExcludedOnes) {
    const SCase cases[] = {
        {"DTSTART off the rule still counts, COUNT only what the rule yields",
         {"FREQ=WEEKLY;BYDAY=MO;COUNT=2"},
         {},
         {},
         {"20260101T090000", "20260105T090000", "20260112T090000"}},
        {"an RDATE on a rule occurrence and overlapping rules give one occurrence",
         {"FREQ=DAILY;COUNT=3", "FREQ=DAILY;INTERVAL=2;COUNT=2"},
         {"20260102T090000", "20251231T090000", "20260110T120000"},
         {},
         {"20260101T090000", "20260102T090000", "20260103T090000", "20260110T120000"}},
        {"EXDATE takes out DTSTART, a rule occurrence and an RDATE; an unmatched one nothing",
         {"FREQ=DAILY;COUNT=4"},
         {"20260201T000000"},
         {"20260101T090000", "20260103T090000", "20260201T000000", "20260104T090001"},
         {"20260102T090000", "20260104T090000"}},
    };
    for (const SCase& c : cases) {
        CRecurrenceSet set;
        set.dtstart = CCivilTime::FromSeconds(At("20260101T090000"));
        for (const char* rule : c.rules) {
            set.rules.push_back(Rule(rule));
        }
        for (const char* rdate : c.rdates) {
            set.rdates.push_back(At(rdate));
        }
        for (const char* exdate : c.exdates) {
            set.exdates.push_back(At(exdate));
        }
        bool truncated = true;
        const std::vector<IcalSeconds> starts =
            set.Expand(At("20260101T000000"), At("20270101T000000"), 100, truncated);
        std::vector<IcalSeconds> expected;
        for (const char* text : c.expected) {
            expected.push_back(At(text));
        }
        EXPECT_EQ(starts, expected) << c.name;
        EXPECT_FALSE(truncated) << c.name;
        EXPECT_TRUE(set.IsFinite()) << c.name;
    }
}

TEST(RecurrenceSetTest, WindowAndMaximumBoundAnEndlessSet) {
    CRecurrenceSet set;
    set.dtstart = CCivilTime::FromSeconds(At("19700101T000000"));
    set.rules.push_back(Rule("FREQ=SECONDLY"));
    EXPECT_FALSE(set.IsFinite());
    bool truncated = false;
    std::vector<IcalSeconds> starts =
        set.Expand(At("20260101T000000"), At("20260101T000005"), 100, truncated);
    EXPECT_EQ(starts.size(), 5u);
    EXPECT_FALSE(truncated);
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(starts.front(), At("20260101T000000"));
    starts = set.Expand(At("20260101T000000"), At("20270101T000000"), 1000, truncated);
    EXPECT_EQ(starts.size(), 1000u);
    EXPECT_TRUE(truncated);
    ASSERT_FALSE(starts.empty());
    EXPECT_EQ(starts.back(), At("20260101T001639"));
}

}  // namespace
