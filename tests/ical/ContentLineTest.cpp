#include "ical/ContentLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(ContentLineTest, NamesParametersAndValues) {
    const struct {
        const char* text;
        const char* name;
        // "NAME=v1|v2;NAME2=v" in upper-case names, values as kept.
        const char* parameters;
        const char* value;
    } cases[] = {
        {"summary:Hello", "SUMMARY", "", "Hello"},
        {"DTSTART;tzid=Europe/Berlin:20260105T170000", "DTSTART", "TZID=Europe/Berlin",
         "20260105T170000"},
        // Quoted values hold ';', ':' and ','; the value starts after the first ':' outside
        // quotes and keeps later colons.
        {"ATTENDEE;CN=\"Doe; J: Jr., III\":mailto:j@x.org", "ATTENDEE", "CN=Doe; J: Jr., III",
         "mailto:j@x.org"},
        {"ATTENDEE;MEMBER=\"mailto:a@x.org\",\"mailto:b@x.org\";RSVP=TRUE:mailto:c@x.org",
         "ATTENDEE", "MEMBER=mailto:a@x.org|mailto:b@x.org;RSVP=TRUE", "mailto:c@x.org"},
        {"CATEGORIES;X-A=one,two:a,b", "CATEGORIES", "X-A=one|two", "a,b"},
        {"DTSTART;TZID=\"/mozilla.org/20050126_1/Europe/Berlin\":20260105T170000", "DTSTART",
         "TZID=/mozilla.org/20050126_1/Europe/Berlin", "20260105T170000"},
        // Trailing blanks are the publisher's, not the value's; an empty value is a value.
        {"LOCATION:Room 1 \t", "LOCATION", "", "Room 1"},
        {"DESCRIPTION:", "DESCRIPTION", "", ""},
        {"X-EMPTY;X-P=:v", "X-EMPTY", "X-P=", "v"},
        {"SUMMARY;:stray semicolon", "SUMMARY", "", "stray semicolon"},
    };
    for (const auto& c : cases) {
        CContentLine line;
        ASSERT_TRUE(CContentLine::Parse(c.text, line)) << c.text;
        EXPECT_EQ(line.name, c.name) << c.text;
        std::string parameters;
        for (const CContentParameter& parameter : line.parameters) {
            parameters += (parameters.empty() ? "" : ";") + parameter.name + "=";
            for (size_t i = 0; i < parameter.values.size(); ++i) {
                parameters += (i == 0 ? "" : "|") + parameter.values[i];
            }
        }
        EXPECT_EQ(parameters, c.parameters) << c.text;
        EXPECT_EQ(line.value, c.value) << c.text;
    }
}

TEST(ContentLineTest, MalformedLinesAreRefused) {
    const char* const cases[] = {
        "no colon here",
        ":value without name",
        ";X=1:value",
        "NAME;PARAM:value",             // parameter without '='
        "NAME;P=\"unterminated:value",  // the quote never closes
        "NAME;P=1",                     // no value part
        "NA<ME:value",
        "",
    };
    for (const char* text : cases) {
        CContentLine line;
        EXPECT_FALSE(CContentLine::Parse(text, line)) << text;
    }
}

TEST(ContentLineTest, ParameterLooksUpTheFirstValue) {
    CContentLine line;
    ASSERT_TRUE(CContentLine::Parse("RDATE;VALUE=PERIOD;X=a,b:19970101T180000Z/PT5H30M", line));
    ASSERT_NE(line.Parameter("VALUE"), nullptr);
    EXPECT_EQ(*line.Parameter("VALUE"), "PERIOD");
    EXPECT_EQ(*line.Parameter("X"), "a");
    EXPECT_EQ(line.Parameter("TZID"), nullptr);
}

}  // namespace
