#include "ical/RecurrenceIterator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ical/FixedOffsetZone.h"
#include "ical/IcalDateTime.h"

namespace {

std::string Format(IcalSeconds seconds) {
    const CCivilFields f = CCivilTime::FromSeconds(seconds);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d", f.year, f.month, f.day, f.hour,
                  f.minute);
    return buffer;
}

std::vector<std::string> Expand(const std::string& start, const std::string& rule, size_t most) {
    CIcalDateTime dtstart;
    EXPECT_TRUE(CIcalDateTime::Parse(start, dtstart)) << start;
    CRecurrenceRule parsed;
    std::string problem;
    EXPECT_TRUE(CRecurrenceRule::Parse(rule, parsed, &problem)) << rule << ": " << problem;
    CRecurrenceIterator iterator(parsed, dtstart.fields, nullptr);
    std::vector<std::string> starts;
    IcalSeconds at = 0;
    while (starts.size() < most && iterator.Next(at)) {
        starts.push_back(Format(at));
    }
    return starts;
}

struct SCase {
    const char* start;
    const char* rule;
    std::vector<std::string> expected;  // the first occurrences (all when fewer than asked)
    size_t most;
};

// The examples of RFC 5545 section 3.8.5.3 (times floating), and the month ends publishers
// rely on.
const SCase kCases[] = {
    {"19970902T090000",
     "FREQ=DAILY;COUNT=3",
     {"19970902T0900", "19970903T0900", "19970904T0900"},
     10},
    {"19970902T090000",
     "FREQ=WEEKLY;INTERVAL=2;WKST=SU;BYDAY=TU,TH;COUNT=8",
     {"19970902T0900", "19970904T0900", "19970916T0900", "19970918T0900", "19970930T0900",
      "19971002T0900", "19971014T0900", "19971016T0900"},
     20},
    {"19970905T090000",
     "FREQ=MONTHLY;COUNT=4;BYDAY=1FR",
     {"19970905T0900", "19971003T0900", "19971107T0900", "19971205T0900"},
     20},
    {"19970928T090000",
     "FREQ=MONTHLY;BYMONTHDAY=-3",
     {"19970928T0900", "19971029T0900", "19971128T0900", "19971229T0900", "19980129T0900",
      "19980226T0900"},
     6},
    {"19970519T090000",
     "FREQ=YEARLY;BYDAY=20MO",
     {"19970519T0900", "19980518T0900", "19990517T0900"},
     3},
    {"19970512T090000",
     "FREQ=YEARLY;BYWEEKNO=20;BYDAY=MO",
     {"19970512T0900", "19980511T0900", "19990517T0900"},
     3},
    {"19970902T090000",
     "FREQ=MONTHLY;BYDAY=FR;BYMONTHDAY=13",
     {"19980213T0900", "19980313T0900", "19981113T0900", "19990813T0900", "20001013T0900"},
     5},
    {"19970904T090000",
     "FREQ=MONTHLY;COUNT=3;BYDAY=TU,WE,TH;BYSETPOS=3",
     {"19970904T0900", "19971007T0900", "19971106T0900"},
     10},
    {"19970929T090000",
     "FREQ=MONTHLY;BYDAY=MO,TU,WE,TH,FR;BYSETPOS=-2",
     {"19970929T0900", "19971030T0900", "19971127T0900", "19971230T0900", "19980129T0900"},
     5},
    {"19970902T090000",
     "FREQ=HOURLY;INTERVAL=3;UNTIL=19970902T170000",
     {"19970902T0900", "19970902T1200", "19970902T1500"},
     10},
    {"19970902T090000",
     "FREQ=MINUTELY;INTERVAL=20;BYHOUR=9,10",
     {"19970902T0900", "19970902T0920", "19970902T0940", "19970902T1000", "19970902T1020",
      "19970902T1040", "19970903T0900"},
     7},
    {"20070115T090000",
     "FREQ=MONTHLY;BYMONTHDAY=15,30;COUNT=5",
     {"20070115T0900", "20070130T0900", "20070215T0900", "20070315T0900", "20070330T0900"},
     10},
    {"19961105T090000",
     "FREQ=YEARLY;INTERVAL=4;BYMONTH=11;BYDAY=TU;BYMONTHDAY=2,3,4,5,6,7,8",
     {"19961105T0900", "20001107T0900", "20041102T0900"},
     3},
    {"19970805T090000",
     "FREQ=WEEKLY;INTERVAL=2;COUNT=4;BYDAY=TU,SU;WKST=MO",
     {"19970805T0900", "19970810T0900", "19970819T0900", "19970824T0900"},
     10},
    {"19970805T090000",
     "FREQ=WEEKLY;INTERVAL=2;COUNT=4;BYDAY=TU,SU;WKST=SU",
     {"19970805T0900", "19970817T0900", "19970819T0900", "19970831T0900"},
     10},
    {"20260131T100000",
     "FREQ=MONTHLY;COUNT=3",
     {"20260131T1000", "20260331T1000", "20260531T1000"},
     10},
    {"20260131T100000",
     "FREQ=MONTHLY;BYMONTHDAY=-1;COUNT=3",
     {"20260131T1000", "20260228T1000", "20260331T1000"},
     10},
    {"20240229T080000", "FREQ=YEARLY;COUNT=2", {"20240229T0800", "20280229T0800"}, 10},
    {"20260301T000000", "FREQ=YEARLY;BYMONTH=2;BYMONTHDAY=30", {}, 10},
    {"20260105T090000",
     "freq=weekly;byday=mo,we;until=20260114T235959;",
     {"20260105T0900", "20260107T0900", "20260112T0900", "20260114T0900"},
     10},
};

TEST(RecurrenceIteratorTest, ExpandsTheRulesAsTheRfcExamplesList) {
    for (const SCase& c : kCases) {
        EXPECT_EQ(Expand(c.start, c.rule, c.most), c.expected) << c.rule;
    }
}

TEST(RecurrenceIteratorTest, UntilInUtcIsAnInstantForAZonedEvent) {
    // 17:00 UTC is 12:00 at UTC-5: the 12:00 occurrence is the last.
    const CFixedOffsetZone newYork(-5 * 3600, "EST");
    CRecurrenceRule rule;
    ASSERT_TRUE(
        CRecurrenceRule::Parse("FREQ=HOURLY;INTERVAL=3;UNTIL=19970902T170000Z", rule, nullptr));
    CRecurrenceIterator iterator(rule, CCivilFields{1997, 9, 2, 9, 0, 0}, &newYork);
    std::vector<std::string> starts;
    IcalSeconds at = 0;
    while (iterator.Next(at)) {
        starts.push_back(Format(at));
    }
    EXPECT_EQ(starts, (std::vector<std::string>{"19970902T0900", "19970902T1200"}));
}

TEST(RecurrenceIteratorTest, EndlessAndNeverMatchingRulesEndOrSkipAhead) {
    CRecurrenceRule everySecond;
    ASSERT_TRUE(CRecurrenceRule::Parse("FREQ=SECONDLY", everySecond, nullptr));
    CRecurrenceIterator iterator(everySecond, CCivilFields{1970, 1, 1, 0, 0, 0}, nullptr);
    const IcalSeconds from = CCivilTime::ToSeconds(CCivilFields{2026, 6, 1, 12, 0, 0});
    iterator.SeekTo(from);
    IcalSeconds at = 0;
    ASSERT_TRUE(iterator.Next(at));
    EXPECT_LE(at, from);
    EXPECT_GT(at, from - 3);

    // A day the rule refuses is passed over whole, so the empty-period bound is not reached
    // by a minutely rule limited to one month.
    EXPECT_EQ(Expand("20260301T000000", "FREQ=MINUTELY;INTERVAL=30;BYMONTH=2", 1),
              (std::vector<std::string>{"20270201T0000"}));
}

}  // namespace
