#include "icalmap/EventFields.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

TEST(EventFieldsTest, LocationAndUrlStandBeforeTheDescription) {
    EXPECT_EQ(CEventFields::Notes("Room 4, second floor", "https://example.org/x", "Bring one."),
              "Room 4, second floor\r\nhttps://example.org/x\r\nBring one.");
    EXPECT_EQ(CEventFields::Notes("", "https://example.org/x", ""), "https://example.org/x\r\n");
    EXPECT_EQ(CEventFields::Notes("", "", "Only text"), "Only text");
}

TEST(EventFieldsTest, CssColourNamesBecomeWindowsColours) {
    EXPECT_EQ(CEventFields::BgColor("teal"), 0x808000);    // rgb 0,128,128
    EXPECT_EQ(CEventFields::BgColor("Orange"), 0x00A5FF);  // rgb 255,165,0
    EXPECT_EQ(CEventFields::BgColor("#ff0000"), std::nullopt);
    EXPECT_EQ(CEventFields::BgColor("not-a-colour"), std::nullopt);
}

TEST(EventFieldsTest, TheEarliestAlarmInTheLargestExactUnit) {
    const struct {
        std::vector<std::int64_t> leads;
        std::optional<int> span;
        int unit;
    } cases[] = {
        {{900}, 15, 0},
        {{5400}, 90, 0},
        {{7200}, 2, 1},
        {{86400}, 1, 2},
        {{2 * 604800}, 2, 3},
        {{10 * 86400}, 10, 2},
        {{0}, 0, 0},
        {{600, 86400, 1800}, 1, 2},
        {{-300}, std::nullopt, 0},
        {{30}, std::nullopt, 0},
        {{30, 300}, 5, 0},
        {{}, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        const std::optional<CEventFields::SForewarn> forewarn = CEventFields::Forewarn(c.leads);
        ASSERT_EQ(forewarn.has_value(), c.span.has_value()) << c.leads.size();
        if (!forewarn) continue;
        EXPECT_EQ(forewarn->Span, *c.span);
        EXPECT_EQ(forewarn->Unit, c.unit) << forewarn->Span;
    }
}

}  // namespace
