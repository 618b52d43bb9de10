#include "ini/LineSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

using NumberedLine = std::pair<std::size_t, std::string>;

std::vector<NumberedLine> AllLines(std::string_view text) {
    CLineSplitter lines(text);
    std::vector<NumberedLine> result;
    std::string_view line;
    while (lines.Next(line)) result.emplace_back(lines.GetLineNumber(), std::string(line));
    return result;
}

TEST(LineSplitterTest, EachKindOfLineEndEndsOneLine) {
    const struct {
        const char* name;
        std::string text;
        std::vector<NumberedLine> lines;
    } cases[] = {
        {"empty text", "", {}},
        {"one line without an end", "a", {{1, "a"}}},
        {"the end after the last line opens none", "a\r\n", {{1, "a"}}},
        {"CR LF", "a\r\nb", {{1, "a"}, {2, "b"}}},
        {"LF", "a\nb\n", {{1, "a"}, {2, "b"}}},
        {"lone CR", "a\rb\r", {{1, "a"}, {2, "b"}}},
        {"LF CR is two ends", "a\n\rb", {{1, "a"}, {2, ""}, {3, "b"}}},
        {"blank lines count", "\r\n\n\rx", {{1, ""}, {2, ""}, {3, ""}, {4, "x"}}},
        {"a lone CR alone", "\r", {{1, ""}}},
        {"lone CRs before an LF",
         "a\rb\nc\r\n\nd\re",
         {{1, "a"}, {2, "b"}, {3, "c"}, {4, ""}, {5, "d"}, {6, "e"}}},
        {"white space stays", " [S] \t\n", {{1, " [S] \t"}}},
    };
    for (const auto& c : cases) EXPECT_EQ(AllLines(c.text), c.lines) << c.name;
}

}  // namespace
