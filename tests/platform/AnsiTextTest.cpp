// The code-page conversions of the platform of this build. Event files and feeds come from
// Western Windows systems, whose ANSI code page is Windows-1252: the Linux build uses it, and
// a Windows (or Wine) system set up for a Western language has it.
#include <gtest/gtest.h>

#include <string>

#include "platform/Platform.h"
#include "platform/Utf8.h"

namespace {

CPlatform& Os() {
    return CPlatform::Default();
}

TEST(AnsiTextTest, WideTextTakesTheWindows1252Bytes) {
    const struct {
        std::u16string wide;
        std::string ansi;
    } cases[] = {
        {u"", ""},
        {u"plain {ABC} 2024", "plain {ABC} 2024"},
        {u"\u2013 \u20AC \u2122 \u0178", "\x96 \x80 \x99 \x9F"},
        {u"Caf\u00E9 \u00FF\u00A0", "Caf\xE9 \xFF\xA0"},
        {u"\u0100 \u2603.", "? ?."},  // the code page lacks these
    };
    for (const auto& c : cases) EXPECT_EQ(Os().WideToAnsi(c.wide), c.ansi) << c.ansi;
}

// Outside the Basic Multilingual Plane, how many '?' a character becomes differs between
// systems (one on Linux, one per surrogate under Wine), but '?' it is.
TEST(AnsiTextTest, CharactersBeyondTheBasicPlaneBecomeQuestionMarks) {
    const std::string fromWide = Os().WideToAnsi(u"\U0001F600");
    const std::string fromUtf8 = Os().Utf8ToAnsi("\xF0\x9F\x98\x80");
    for (const std::string& ansi : {fromWide, fromUtf8}) {
        EXPECT_FALSE(ansi.empty());
        EXPECT_EQ(ansi.find_first_not_of('?'), std::string::npos) << ansi;
    }
}

TEST(AnsiTextTest, Utf8TextTakesTheWindows1252Bytes) {
    const struct {
        std::string utf8;
        std::string ansi;
    } cases[] = {
        {"", ""},
        {"[DateEntry 0]\r\nGUID={AB}\r\n", "[DateEntry 0]\r\nGUID={AB}\r\n"},
        {"\xE2\x80\x93 \xE2\x82\xAC \xC3\xA9 \xC5\xB8", "\x96 \x80 \xE9 \x9F"},
        {"\xC4\x80 \xE2\x98\x83.", "? ?."},
        {"bad \xFF byte", "bad ? byte"},
    };
    for (const auto& c : cases) EXPECT_EQ(Os().Utf8ToAnsi(c.utf8), c.ansi) << c.utf8;
}

TEST(AnsiTextTest, AnsiTextShowsAsUtf8) {
    EXPECT_EQ(Os().AnsiToUtf8(""), "");
    EXPECT_EQ(Os().AnsiToUtf8("\x80\x96 M\xFCller"), "\xE2\x82\xAC\xE2\x80\x93 M\xC3\xBCller");
    // The five bytes that the code page leaves undefined stand for the code point of the
    // same value.
    EXPECT_EQ(Os().AnsiToUtf8("\x81\x8D\x8F\x90\x9D"), "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
}

TEST(AnsiTextTest, EveryByteSurvivesTheWayThroughUtf8) {
    std::string all;
    for (int c = 0; c < 256; ++c) all += static_cast<char>(c);
    const std::string utf8 = Os().AnsiToUtf8(all);
    EXPECT_EQ(Os().Utf8ToAnsi(utf8), all);
    // Every character of the way is in the Basic Multilingual Plane: one UTF-16 unit.
    std::u16string wide;
    for (std::size_t i = 0; i < utf8.size();) {
        char32_t codePoint = 0;
        const std::size_t length = CUtf8::Decode(utf8, i, codePoint);
        ASSERT_GT(length, 0u) << i;
        wide += static_cast<char16_t>(codePoint);
        i += length;
    }
    ASSERT_EQ(wide.size(), 256u);
    EXPECT_EQ(Os().WideToAnsi(wide), all);
}

}  // namespace
