#include "ical/ContentLineWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The physical lines of a written text, CRLF removed; fails on a line ended otherwise.
std::vector<std::string> PhysicalLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t end = text.find("\r\n", begin);
        EXPECT_NE(end, std::string::npos) << "no CRLF after " << text.substr(begin);
        if (end == std::string::npos) break;
        lines.push_back(text.substr(begin, end - begin));
        begin = end + 2;
    }
    return lines;
}

// Joins folded lines again as RFC 5545 section 3.1 unfolds them.
std::string Unfold(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) joined += line[0] == ' ' ? line.substr(1) : line;
    return joined;
}

TEST(ContentLineWriterTest, ShortLineWithParametersIsOneLine) {
    CContentLineWriter writer;
    writer.Param("TZID", "Europe/Berlin").Param("X-NOTE", "a:b;c,d");
    writer.Line("DTSTART", "20240131T100000");
    EXPECT_EQ(writer.Text(), "DTSTART;TZID=Europe/Berlin;X-NOTE=\"a:b;c,d\":20240131T100000\r\n");
    writer.Line("SUMMARY", "x");  // the parameters belonged to the line before
    EXPECT_EQ(PhysicalLines(writer.Text()).back(), "SUMMARY:x");
}

TEST(ContentLineWriterTest, ParameterValueLosesWhatItCannotHold) {
    CContentLineWriter writer;
    writer.Param("CN", "say \"hi\"\tnow").Line("ATTENDEE", "mailto:a@b");
    EXPECT_EQ(writer.Text(), "ATTENDEE;CN=say 'hi' now:mailto:a@b\r\n");
}

TEST(ContentLineWriterTest, FoldsAt75OctetsWithoutSplittingCharacters) {
    // ASCII, two-, three- and four-byte characters, each placed so that some fold would
    // fall inside one if folding counted bytes blindly.
    const std::vector<std::string> pieces = {"a", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};
    for (const std::string& piece : pieces) {
        for (std::size_t prefix = 0; prefix < 4; ++prefix) {
            std::string value(prefix, 'x');
            while (value.size() < 400) value += piece;
            CContentLineWriter writer;
            writer.Line("DESCRIPTION", value);
            const std::vector<std::string> lines = PhysicalLines(writer.Text());
            ASSERT_GT(lines.size(), 5u);
            for (std::size_t i = 0; i < lines.size(); ++i) {
                EXPECT_LE(lines[i].size(), 75u);
                if (i > 0) {
                    EXPECT_EQ(lines[i][0], ' ');
                }
                // A continuation never starts inside a character (after its space).
                const unsigned char lead = static_cast<unsigned char>(lines[i][i > 0 ? 1 : 0]);
                EXPECT_NE(lead & 0xC0, 0x80) << "line " << i << " starts mid-character";
                // A line is cut only where the next character would not fit.
                if (i + 1 < lines.size()) {
                    EXPECT_GT(lines[i].size() + piece.size(), 75u);
                }
            }
            EXPECT_EQ(Unfold(lines), "DESCRIPTION:" + value);
        }
    }
}

TEST(ContentLineWriterTest, ExactlyFullLineIsNotFolded) {
    CContentLineWriter writer;
    writer.Line("SUMMARY", std::string(75 - 8, 'y'));
    EXPECT_EQ(PhysicalLines(writer.Text()).size(), 1u);
    writer.Line("SUMMARY", std::string(75 - 7, 'y'));
    EXPECT_EQ(PhysicalLines(writer.Text()).size(), 3u);
}

TEST(ContentLineWriterTest, EscapesText) {
    const struct {
        const char* text;
        const char* escaped;
    } cases[] = {
        {"plain", "plain"},
        {"a,b;c\\d", "a\\,b\\;c\\\\d"},
        {"one\r\ntwo\nthree\rfour", "one\\ntwo\\nthree\\nfour"},
        {"tab\tkept, bell\x07 dropped", "tab\tkept\\, bell dropped"},
        {"caf\xC3\xA9 \xE2\x82\xAC", "caf\xC3\xA9 \xE2\x82\xAC"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CContentLineWriter::EscapeText(c.text), c.escaped) << c.text;
    }
}

}  // namespace
