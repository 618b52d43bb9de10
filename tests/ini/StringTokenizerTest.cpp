#include "ini/StringTokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> AllTokens(const std::string& text, const std::string& delimiters) {
    CStringTokenizer tokenizer(text, delimiters);
    std::vector<std::string> tokens;
    while (tokenizer.HasMoreTokens()) tokens.push_back(tokenizer.NextToken());
    return tokens;
}

struct TokenCase {
    const char* name;
    std::string text;
    std::string delimiters;
    std::vector<std::string> tokens;
};

TEST(StringTokenizerTest, SplitsAtRunsOfDelimiters) {
    const TokenCase cases[] = {
        {"empty text", "", ",", {}},
        {"delimiters only", ",,,", ",", {}},
        {"no delimiter", "abc", ",", {"abc"}},
        {"single separators", "a,b,c", ",", {"a", "b", "c"}},
        {"runs and ends", ",,a,,,b,", ",", {"a", "b"}},
        {"spaces are characters", " a , b ", ",", {" a ", " b "}},
        {"CR LF line ends", "x\r\ny\r\n", "\r\n", {"x", "y"}},
        {"LF CR and lone CR", "x\n\ry\rz", "\r\n", {"x", "y", "z"}},
        {"blank lines vanish", "\r\n\r\n\nx\n\n\n", "\r\n", {"x"}},
        {"no delimiter set", "a,b", "", {"a,b"}},
        {"several delimiters", "1;2|3", ";|", {"1", "2", "3"}},
    };
    for (const TokenCase& c : cases) {
        EXPECT_EQ(AllTokens(c.text, c.delimiters), c.tokens) << c.name;
    }
}

TEST(StringTokenizerTest, NextTokenWithoutAnotherTokenIsEmpty) {
    CStringTokenizer tokenizer("a,,", ",");
    EXPECT_EQ(tokenizer.NextToken(), "a");
    EXPECT_FALSE(tokenizer.HasMoreTokens());
    EXPECT_EQ(tokenizer.NextToken(), "");
    EXPECT_FALSE(tokenizer.HasMoreTokens());
}

TEST(StringTokenizerTest, NextTokenSkipsDelimitersWithoutHasMoreTokens) {
    CStringTokenizer tokenizer(",,a,b", ",");
    EXPECT_EQ(tokenizer.NextToken(), "a");
    EXPECT_EQ(tokenizer.NextTokenView(), "b");
}

TEST(StringTokenizerTest, WorksOnItsOwnCopy) {
    std::string text = "a,b";
    CStringTokenizer tokenizer(text, ",");
    text = "x,y";
    EXPECT_EQ(tokenizer.NextToken(), "a");
    EXPECT_EQ(tokenizer.NextToken(), "b");
}

TEST(StringTokenizerTest, HighBytesAreOrdinaryCharacters) {
    EXPECT_EQ(AllTokens("\xE9,\xFF\x80", ","), (std::vector<std::string>{"\xE9", "\xFF\x80"}));
}

}  // namespace
