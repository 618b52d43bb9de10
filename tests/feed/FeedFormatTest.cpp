#include "feed/FeedFormat.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FeedFormatTest, ICalendarIsToldFromTheFirstLine) {
    const struct {
        std::string head;
        bool iCalendar;
    } cases[] = {
        {"BEGIN:VCALENDAR\r\nVERSION:2.0\r\n", true},
        {"begin:vcalendar\n", true},
        {"\xEF\xBB\xBF"
         "BEGIN:VCALENDAR\r\n",
         true},
        {"\r\n\n  \t\r\nBEGIN:VCALENDAR \r\n", true},
        {"BEGIN:VCALENDAR", true},
        {"[DateEntry 0]\nGUID={A}\n", false},
        {"; BEGIN:VCALENDAR\n", false},
        {"BEGIN:VCALENDARX\n", false},
        {"BEGIN:VEVENT\nBEGIN:VCALENDAR\n", false},
        {"\xEF\xBB\xBF", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(CFeedFormat::IsICalendar(c.head), c.iCalendar) << c.head;
}

}  // namespace
