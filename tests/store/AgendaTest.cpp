#include "store/Agenda.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "store/DateEntryCodes.h"
#include "store/EventData.h"
#include "store/ListedRecords.h"
#include "store/OccurrenceTestSupport.h"
#include "support/FakePlatform.h"

namespace {

class AgendaTest : public ::testing::Test {
protected:
    static std::vector<std::string> Starts(const std::vector<CAgenda::SItem>& items) {
        std::vector<std::string> starts;
        for (const CAgenda::SItem& item : items) starts.push_back(Text(item.Start));
        return starts;
    }

    CFakePlatform m_platform;
};

// The queries of one window end at the first month without a fifth Monday; the agenda
// still lists the fifth Mondays of the later months, as a month view shows them.
TEST_F(AgendaTest, FifthWeekdayAfterAMonthWithoutOne) {
    CEventData data;
    CDateEntry entry = ListedEntry("{A}", "Fifth Monday", Dt(2024, 1, 29, 10), Dt(2024, 1, 29, 11));
    entry.Properties.Repeat = kRepeatMonthlyWeekday;
    entry.Properties.RepeatWeekdayCount = kRepeatWeekdayFifth;
    entry.Properties.RepeatWeekday = 0;
    data.DateEntries2.Add(entry);
    EXPECT_EQ(Starts(CAgenda::List(data, Dt(2024, 1, 1), Dt(2024, 12, 31, 23, 59, 59))),
              (std::vector<std::string>{"2024-01-29 10:00:00", "2024-04-29 10:00:00",
                                        "2024-07-29 10:00:00", "2024-09-30 10:00:00",
                                        "2024-12-30 10:00:00"}));
}

// Only starts within the window count, both bounds included; a count ends the series also
// when the window begins in its middle.
TEST_F(AgendaTest, StartsWithinTheWindowOfACountedSeries) {
    CEventData data;
    CDateEntry daily = ListedEntry("{B}", "Daily", Dt(2024, 3, 1, 22), Dt(2024, 3, 2, 2));
    daily.Properties.Repeat = kRepeatEvery;
    daily.Properties.RepeatRate = 1;
    daily.Properties.RepeatUnit = kRepeatUnitDays;
    daily.Properties.RepeatEnd = kRepeatEndAfterCount;
    daily.Properties.RepeatEndCount = 5;
    data.DateEntries2.Add(daily);
    data.DateEntries2.Add(
        ListedEntry("{C}", "At the last second", Dt(2024, 3, 4, 23, 59, 59), Dt(2024, 3, 5, 1)));
    EXPECT_EQ(Starts(CAgenda::List(data, Dt(2024, 3, 3), Dt(2024, 3, 4, 23, 59, 59))),
              (std::vector<std::string>{"2024-03-03 22:00:00", "2024-03-04 22:00:00",
                                        "2024-03-04 23:59:59"}));
    EXPECT_EQ(Starts(CAgenda::List(data, Dt(2024, 3, 5), Dt(2024, 3, 31, 23, 59, 59))),
              (std::vector<std::string>{"2024-03-05 22:00:00"}));
}

// Sorted by start, then GUID, over both lists; whole-day items end at 23:59:59 of their last
// day; the text shows the description as UTF-8.
TEST_F(AgendaTest, BothListsSortedAndWritten) {
    CEventData data;
    CDateEntry holiday = ListedEntry("{Z}", "Caf\xE9 day", Dt(2024, 5, 1, 9), Dt(2024, 5, 2, 9));
    holiday.Properties.ShowStartTime = 0;
    data.DateEntries1.Add(holiday);
    data.DateEntries2.Add(ListedEntry("{M}", "Meeting", Dt(2024, 5, 1, 9, 30), Dt(2024, 5, 1, 10)));
    data.DateEntries2.Add(ListedEntry("{A}", "Quote \"x\"", Dt(2024, 5, 1), Dt(2024, 5, 1, 0, 45)));
    const std::vector<CAgenda::SItem> items =
        CAgenda::List(data, Dt(2024, 5, 1), Dt(2024, 5, 1, 23, 59, 59));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].Guid, "{A}");
    EXPECT_EQ(items[1].Guid, "{Z}");
    EXPECT_EQ(Text(items[1].End), "2024-05-02 23:59:59");
    EXPECT_EQ(items[2].Guid, "{M}");

    std::ostringstream text;
    CAgenda::WriteText(items, text);
    EXPECT_EQ(text.str(),
              "2024-05-01 00:00\xE2\x80\x93"
              "00:45  Quote \"x\"\n"
              "2024-05-01  all day  Caf\xC3\xA9 day\n"
              "2024-05-01 09:30\xE2\x80\x93"
              "10:00  Meeting\n");
}

}  // namespace
