#include "ical/ContentLineReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "line@number" for every logical line of `text`.
std::vector<std::string> Lines(std::string_view text) {
    CContentLineReader reader(text);
    std::vector<std::string> lines;
    std::string_view line;
    int number = 0;
    while (reader.Next(line, number)) {
        lines.push_back(std::string(line) + "@" + std::to_string(number));
    }
    return lines;
}

TEST(ContentLineReaderTest, LineEndsFoldsAndLineNumbers) {
    const struct {
        const char* text;
        std::vector<std::string> expected;
    } cases[] = {
        {"A:1\r\nB:2\r\n", {"A:1@1", "B:2@2"}},
        {"A:1\nB:2", {"A:1@1", "B:2@2"}},
        // A lone CR ends a line as well (old Mac files, some generators).
        {"A:1\rB:2\r\nC:3\n", {"A:1@1", "B:2@2", "C:3@3"}},
        // One fold character is removed, whatever follows it stays.
        {"A:lo\r\n ng\r\n\t tail\r\nB:2\r\n", {"A:long tail@1", "B:2@4"}},
        {"A:x\n  y\n", {"A:x y@1"}},
        // Blank lines (also blank after unfolding) are passed over, but counted.
        {"\r\n\r\nA:1\r\n\r\n \t\r\nB:2\r\n", {"A:1@3", "B:2@6"}},
        // A line of blanks after a content line continues it.
        {"A:1\r\n \t\r\nB:2\r\n", {"A:1\t@1", "B:2@3"}},
        // The byte-order mark is not part of the first line.
        {"\xEF\xBB\xBF"
         "A:1\n",
         {"A:1@1"}},
        // A fold right after a lone CR and a fold at the very end of the text.
        {"A:1\r 2\rB:3\n ", {"A:12@1", "B:3@3"}},
        {"", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Lines(c.text), c.expected) << c.text;
    }
}

TEST(ContentLineReaderTest, LongFoldedLineIsReadWhole) {
    // 200,000 characters folded every 74: one logical line, the unfolding linear in the text.
    std::string text = "DESCRIPTION:";
    std::string expected = text;
    for (int i = 0; i < 200000 / 74; ++i) {
        const std::string chunk(74, static_cast<char>('a' + i % 26));
        text += chunk + "\r\n ";
        expected += chunk;
    }
    text += "end\r\nNEXT:1\r\n";
    expected += "end";
    const std::vector<std::string> lines = Lines(text);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], expected + "@1");
    EXPECT_EQ(lines[1], "NEXT:1@" + std::to_string(200000 / 74 + 2));
}

}  // namespace
