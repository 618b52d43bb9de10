#include "store/EventDump.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "store/EventData.h"
#include "store/ListedRecords.h"

namespace {

class EventDumpTest : public CListedRecordsTest {
protected:
    std::string Text() const {
        std::ostringstream out;
        CEventDump::WriteText(m_data, out);
        return out.str();
    }
};

TEST_F(EventDumpTest, EmptyFile) {
    const CEventData empty;
    std::ostringstream text;
    CEventDump::WriteText(empty, text);
    EXPECT_EQ(text.str(), "HeaderNumber: 100\nDateEntries1: 0\nDateEntries2: 0\nTodoEntries: 0\n");
}

TEST_F(EventDumpTest, TextNamesEveryStoredFieldInOrder) {
    std::istringstream lines(Text());
    std::vector<std::string> all;
    for (std::string line; std::getline(lines, line);) all.push_back(line);

    // Field lines are indented by four spaces; list values by six.
    std::vector<std::vector<std::string>> entries;
    for (const std::string& line : all) {
        if (line.rfind("  DateEntry ", 0) == 0 || line.rfind("  TodoEntry ", 0) == 0) {
            entries.emplace_back();
        } else if (line.rfind("    ", 0) == 0 && line[4] != ' ') {
            ASSERT_FALSE(entries.empty()) << line;
            entries.back().push_back(line.substr(4, line.find(':') - 4));
        }
    }
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], kDateEntryFields);
    EXPECT_EQ(entries[1], kTodoEntryFields);

    auto lineAfter = [&all](const std::string& line) {
        for (std::size_t i = 0; i + 1 < all.size(); ++i) {
            if (all[i] == line) return all[i + 1];
        }
        return std::string("<no line \"" + line + "\">");
    };
    EXPECT_EQ(all[0], "HeaderNumber: 100");
    EXPECT_EQ(all[1], "DateEntries1: 0");
    EXPECT_EQ(all[2], "DateEntries2: 1");
    EXPECT_EQ(all[3], "  DateEntry 0");
    EXPECT_EQ(all[4], "    GUID: \"{00000000-0000-0000-0000-000000000001}\"");
    EXPECT_EQ(lineAfter("    Notes: \"\""), "    Display: 0");
    EXPECT_EQ(lineAfter("    Display: 0"), "    BgColor: 16744448");
    EXPECT_EQ(lineAfter("    Icon: \"\""), "    StartDate: 2024 06 03 09 00 00");
    EXPECT_EQ(lineAfter("    CondTimeEnable: 0"), "    CondStartTime: 0001 01 01 08 00 00");
    EXPECT_EQ(lineAfter("    DroppedOccurrences: 2"), "      2024 07 03 09 00 00");
    EXPECT_EQ(lineAfter("      2024 07 03 09 00 00"), "      2024 08 03 09 00 05");
    EXPECT_EQ(lineAfter("      2024 08 03 09 00 05"), "TodoEntries: 1");
    EXPECT_EQ(lineAfter("    Text4: \"\""), "    Value13: -7");
}

// Strings are shown in UTF-8 as Windows-1252 reads them: the ANSI code page of Western
// Windows systems and of the Linux build.
TEST_F(EventDumpTest, StringsAreEscapedAndShownAsUtf8) {
    const struct {
        std::string stored;
        std::string text;  // as the text listing quotes it
    } cases[] = {
        {"plain", "\"plain\""},
        {"", "\"\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"C:\\dir\\", "\"C:\\\\dir\\\\\""},
        {"a\nb\r\tc", "\"a\\nb\\r\\tc\""},
        {std::string("\x01\x1F\x7F", 3), "\"\\x01\\x1F\\x7F\""},
        {std::string("\b\f", 2), "\"\\x08\\x0C\""},
        {std::string(1, '\0'), "\"\\x00\""},
        {"M\xFCller", "\"M\xC3\xBCller\""},
        {"5\x80 \x96 \x9F\xFF", "\"5\xE2\x82\xAC \xE2\x80\x93 \xC5\xB8\xC3\xBF\""},
        // The five bytes the code page leaves undefined keep their values as code points.
        {"\x81\x8D\x8F\x90\x9D", "\"\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\""},
    };
    for (const auto& c : cases) {
        SetNotes(c.stored);
        EXPECT_NE(Text().find("\n    Notes: " + c.text + "\n"), std::string::npos) << c.text;
    }
}

}  // namespace
