#include "platform/Utf8.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Utf8Test, DecodesWellFormedSequencesAndRefusesTheRest) {
    const struct {
        const char* name;
        std::string text;
        std::size_t length;  // 0: no well-formed sequence at the start
        char32_t codePoint;
    } cases[] = {
        {"ASCII", "A", 1, U'A'},
        {"NUL", std::string(1, '\0'), 1, 0},
        {"two bytes, lowest", "\xC2\x80", 2, 0x80},
        {"two bytes, highest", "\xDF\xBF", 2, 0x7FF},
        {"three bytes", "\xE2\x80\x93", 3, 0x2013},
        {"three bytes, last before the surrogates", "\xED\x9F\xBF", 3, 0xD7FF},
        {"four bytes", "\xF0\x9F\x98\x80", 4, 0x1F600},
        {"four bytes, highest", "\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
        {"stray continuation byte", "\x80!", 0, 0},
        {"over-long two bytes", "\xC0\xAF", 0, 0},
        {"over-long three bytes", "\xE0\x80\xAF", 0, 0},
        {"surrogate", "\xED\xA0\x80", 0, 0},
        {"above U+10FFFF", "\xF4\x90\x80\x80", 0, 0},
        {"no lead byte at all", "\xFF", 0, 0},
        {"cut off", "\xE2\x80", 0, 0},
        {"continuation missing", "\xE2!\x93", 0, 0},
    };
    for (const auto& c : cases) {
        char32_t codePoint = 0xFFFFFFFF;
        EXPECT_EQ(CUtf8::Decode(c.text, 0, codePoint), c.length) << c.name;
        if (c.length > 0) {
            EXPECT_EQ(codePoint, c.codePoint) << c.name;
        }
    }
}

TEST(Utf8Test, DecodesFromTheGivenPosition) {
    const std::string text = "a\xC3\xA9";
    char32_t codePoint = 0;
    EXPECT_EQ(CUtf8::Decode(text, 1, codePoint), 2u);
    EXPECT_EQ(codePoint, 0xE9u);
    EXPECT_EQ(CUtf8::Decode(text, 2, codePoint), 0u);
}

TEST(Utf8Test, AppendIsTheInverseOfDecode) {
    const char32_t codePoints[] = {0,      0x7F,   0x80,   0x7FF,   0x800,
                                   0xD7FF, 0xE000, 0xFFFF, 0x10000, 0x10FFFF};
    for (const char32_t expected : codePoints) {
        std::string text = "x";
        CUtf8::Append(text, expected);
        char32_t decoded = 0;
        EXPECT_EQ(CUtf8::Decode(text, 1, decoded), text.size() - 1)
            << static_cast<unsigned int>(expected);
        EXPECT_EQ(decoded, expected);
    }
    std::string euro;
    CUtf8::Append(euro, 0x20AC);
    EXPECT_EQ(euro, "\xE2\x82\xAC");
}

}  // namespace
