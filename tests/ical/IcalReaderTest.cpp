#include "ical/IcalReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ical/IcalDateTime.h"
#include "ical/IcalDuration.h"
#include "ical/IcalText.h"

namespace {

CIcalReader::EResult Read(const std::string& text, std::vector<CIcalComponent>& calendars) {
    std::vector<CIcalFinding> findings;
    return CIcalReader::Read(text, calendars, findings);
}

TEST(IcalReaderTest, UnfoldsQuotesAndKeepsLineNumbers) {
    const std::string text =
        "\xEF\xBB\xBF"
        "BEGIN:VCALENDAR\r\n"
        "begin:vevent\r\n"
        "SUMMARY;LANGUAGE=en:Long\r\n"
        "  summary\r\n"
        "\tcontinued\r\n"
        "ATTENDEE;CN=\"Doe; John: Jr., III\";ROLE=REQ-PARTICIPANT:mailto:j@example.com\n"
        "DTSTART;TZID=\"Europe/Berlin\":20260105T170000\r\n"
        "END:VEVENT\r\n"
        "END:VCALENDAR\r\n";
    std::vector<CIcalComponent> calendars;
    ASSERT_EQ(Read(text, calendars), CIcalReader::kRead);
    ASSERT_EQ(calendars.size(), 1u);
    ASSERT_EQ(calendars[0].children.size(), 1u);
    const CIcalComponent& event = calendars[0].children[0];
    EXPECT_EQ(event.name, "VEVENT");
    ASSERT_NE(event.Find("SUMMARY"), nullptr);
    EXPECT_EQ(event.Find("SUMMARY")->value, "Long summarycontinued");
    EXPECT_EQ(event.Find("SUMMARY")->line, 3);
    const CContentLine* attendee = event.Find("ATTENDEE");
    ASSERT_NE(attendee, nullptr);
    EXPECT_EQ(*attendee->Parameter("CN"), "Doe; John: Jr., III");
    EXPECT_EQ(attendee->value, "mailto:j@example.com");
    EXPECT_EQ(attendee->line, 6);
    EXPECT_EQ(*event.Find("DTSTART")->Parameter("TZID"), "Europe/Berlin");
}

TEST(IcalReaderTest, IncompleteOrUnpairedTextsAreNotCalendars) {
    const struct {
        const char* text;
        CIcalReader::EResult expected;
    } cases[] = {
        {"BEGIN:VCALENDAR\nBEGIN:VEVENT\nEND:VEVENT\n", CIcalReader::kIncomplete},
        {"BEGIN:VCALENDAR\nBEGIN:VEVENT\nEND:VCALENDAR\n", CIcalReader::kIncomplete},
        {"BEGIN:VCALENDAR\nEND:VCALENDAR\nBEGIN:VCALENDAR\nBEGIN:VEVENT\n",
         CIcalReader::kIncomplete},
        {"BEGIN:VCALENDAR\nEND:VCALENDAR\nBEGIN:VCALENDAR\nEND:VCALENDAR\n", CIcalReader::kRead},
        {"[DateEntry 0]\nGUID=x\n", CIcalReader::kNoCalendar},
        {"", CIcalReader::kNoCalendar},
    };
    for (const auto& c : cases) {
        std::vector<CIcalComponent> calendars;
        EXPECT_EQ(Read(c.text, calendars), c.expected) << c.text;
    }
}

TEST(IcalReaderTest, MalformedLinesAreSkippedAndReported) {
    std::vector<CIcalComponent> calendars;
    std::vector<CIcalFinding> findings;
    ASSERT_EQ(CIcalReader::Read("BEGIN:VCALENDAR\nno colon here\nX-OK:1\nEND:VCALENDAR\n",
                                calendars, findings),
              CIcalReader::kRead);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].line, 2);
    EXPECT_NE(calendars[0].Find("X-OK"), nullptr);
}

TEST(IcalReaderTest, ValuesAsPublishersWriteThem) {
    EXPECT_EQ(CIcalText::Unescape("a\\, b\\; c\\\\d\\ne\\Nf\\x"), "a, b; c\\d\ne\nf\\x");
    EXPECT_EQ(CIcalText::SplitList("Work\\, urgent, Home ,,"),
              (std::vector<std::string>{"Work, urgent", "Home"}));

    CIcalDateTime value;
    ASSERT_TRUE(CIcalDateTime::Parse("20260102", value));
    EXPECT_TRUE(value.isDate);
    ASSERT_TRUE(CIcalDateTime::Parse("20261231T235960Z", value));
    EXPECT_TRUE(value.isUtc);
    EXPECT_EQ(value.fields.second, 59);
    EXPECT_FALSE(CIcalDateTime::Parse("20260230", value));
    EXPECT_FALSE(CIcalDateTime::Parse("2026-01-02", value));

    const struct {
        const char* text;
        bool ok;
        long long days;
        long long seconds;
    } durations[] = {
        {"P1W", true, 7, 0},
        {"-PT15M", true, 0, -900},
        {"P1DT2H", true, 1, 7200},
        {"PT0S", true, 0, 0},
        {"P", false, 0, 0},
        {"PT1D", false, 0, 0},
        {"P0DT0H30M0S", true, 0, 1800},
    };
    for (const auto& d : durations) {
        CIcalDuration duration;
        EXPECT_EQ(CIcalDuration::Parse(d.text, duration), d.ok) << d.text;
        if (d.ok) {
            EXPECT_EQ(duration.days, d.days) << d.text;
            EXPECT_EQ(duration.seconds, d.seconds) << d.text;
        }
    }
    int offset = 0;
    ASSERT_TRUE(ParseUtcOffset("-0430", offset));
    EXPECT_EQ(offset, -16200);
    EXPECT_FALSE(ParseUtcOffset("0100", offset));
}

}  // namespace
