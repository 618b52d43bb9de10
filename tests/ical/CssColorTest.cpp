#include "ical/CssColor.h"

#include <gtest/gtest.h>

namespace {

TEST(CssColorTest, NearestName) {
    const struct {
        std::uint32_t rgb;
        const char* name;
    } cases[] = {
        {0xFF0000, "red"},         // exact
        {0x008000, "green"},       // CSS green, not X11's 00FF00 (that is lime)
        {0xE00000, "red"},         // the calendar's default colour, 224/0/0
        {0x808080, "gray"},        // gray and grey are equal: the first alphabetically
        {0x1E90FE, "dodgerblue"},  // one off
        {0x000001, "black"},      {0xFFFFFF, "white"},
    };
    for (const auto& c : cases) EXPECT_EQ(CCssColor::NearestName(c.rgb), c.name) << c.rgb;
}

TEST(CssColorTest, FindByNameIgnoresCaseAndRefusesUnknownNames) {
    std::uint32_t rgb = 0;
    ASSERT_TRUE(CCssColor::FindByName("DodgerBlue", rgb));
    EXPECT_EQ(rgb, 0x1E90FFu);
    EXPECT_FALSE(CCssColor::FindByName("dodgerblu", rgb));
    EXPECT_FALSE(CCssColor::FindByName("", rgb));
}

}  // namespace
