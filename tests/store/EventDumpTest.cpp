#include "store/EventDump.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/Utf8.h"
#include "store/EventData.h"
#include "support/FakePlatform.h"

namespace {

// A strict JSON reader, enough to show that the listing is valid JSON and to read it back.
struct SJson {
    enum EKind { Null, Bool, Number, String, Array, Object } kind = Null;
    long long number = 0;
    std::string text;
    std::vector<SJson> items;
    std::vector<std::pair<std::string, SJson>> members;

    const SJson& operator[](const std::string& name) const {
        for (const auto& [key, value] : members) {
            if (key == name) return value;
        }
        static const SJson missing;
        return missing;
    }
    std::vector<std::string> Keys() const {
        std::vector<std::string> keys;
        for (const auto& member : members) keys.push_back(member.first);
        return keys;
    }
};

class CJsonReader {
public:
    // False for anything that is not exactly one JSON value (surrounded by white space).
    static bool Parse(const std::string& input, SJson& value) {
        CJsonReader reader(input);
        if (!reader.Value(value)) return false;
        reader.Space();
        return reader.m_pos == input.size();
    }

private:
    explicit CJsonReader(const std::string& input) : m_in(input) {}

    void Space() {
        while (m_pos < m_in.size() &&
               std::string(" \t\r\n").find(m_in[m_pos]) != std::string::npos) {
            ++m_pos;
        }
    }
    bool Take(char c) {
        Space();
        if (m_pos < m_in.size() && m_in[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool Value(SJson& v) {
        Space();
        if (m_pos >= m_in.size()) return false;
        const char c = m_in[m_pos];
        if (c == '{') return ObjectValue(v);
        if (c == '[') return ArrayValue(v);
        if (c == '"') {
            v.kind = SJson::String;
            return StringValue(v.text);
        }
        if (c == '-' || (c >= '0' && c <= '9')) return NumberValue(v);
        for (const char* word : {"null", "true", "false"}) {
            if (m_in.compare(m_pos, std::string(word).size(), word) == 0) {
                v.kind = word[0] == 'n' ? SJson::Null : SJson::Bool;
                m_pos += std::string(word).size();
                return true;
            }
        }
        return false;
    }
    bool ObjectValue(SJson& v) {
        v.kind = SJson::Object;
        ++m_pos;
        if (Take('}')) return true;
        do {
            Space();
            std::string key;
            SJson member;
            if (m_pos >= m_in.size() || m_in[m_pos] != '"' || !StringValue(key) || !Take(':') ||
                !Value(member)) {
                return false;
            }
            v.members.emplace_back(std::move(key), std::move(member));
        } while (Take(','));
        return Take('}');
    }
    bool ArrayValue(SJson& v) {
        v.kind = SJson::Array;
        ++m_pos;
        if (Take(']')) return true;
        do {
            SJson item;
            if (!Value(item)) return false;
            v.items.push_back(std::move(item));
        } while (Take(','));
        return Take(']');
    }
    bool NumberValue(SJson& v) {
        v.kind = SJson::Number;
        const std::size_t start = m_pos;
        if (m_in[m_pos] == '-') ++m_pos;
        const std::size_t digits = m_pos;
        while (m_pos < m_in.size() && m_in[m_pos] >= '0' && m_in[m_pos] <= '9') ++m_pos;
        if (m_pos == digits || (m_in[digits] == '0' && m_pos - digits > 1)) return false;
        v.number = std::stoll(m_in.substr(start, m_pos - start));
        return true;
    }
    // Raw bytes must be valid UTF-8 without control characters.
    bool StringValue(std::string& out) {
        ++m_pos;
        while (m_pos < m_in.size()) {
            const auto c = static_cast<unsigned char>(m_in[m_pos++]);
            if (c == '"') return true;
            if (c < 0x20) return false;
            if (c == '\\') {
                if (m_pos >= m_in.size()) return false;
                const char e = m_in[m_pos++];
                const std::string simple = "\"\\/bfnrt";
                const std::string meaning = "\"\\/\b\f\n\r\t";
                if (simple.find(e) != std::string::npos) {
                    out += meaning[simple.find(e)];
                } else if (e == 'u' && m_pos + 4 <= m_in.size()) {
                    const unsigned code = std::stoul(m_in.substr(m_pos, 4), nullptr, 16);
                    m_pos += 4;
                    AppendUtf8(out, code);
                } else {
                    return false;
                }
            } else if (c < 0x80) {
                out += static_cast<char>(c);
            } else {
                char32_t codePoint = 0;
                const std::size_t length = CUtf8::Decode(m_in, m_pos - 1, codePoint);
                if (length == 0) return false;
                out.append(m_in, m_pos - 1, length);
                m_pos += length - 1;
            }
        }
        return false;
    }
    static void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    const std::string& m_in;
    std::size_t m_pos = 0;
};

const std::vector<std::string> kDateEntryFields = {"GUID",
                                                   "StorageType",
                                                   "Category",
                                                   "Description",
                                                   "Notes",
                                                   "Display",
                                                   "BgColor",
                                                   "TextColor",
                                                   "Icon",
                                                   "StartDate",
                                                   "EndDate",
                                                   "ShowStartTime",
                                                   "ShowEnd",
                                                   "Repeat",
                                                   "RepeatRate",
                                                   "RepeatUnit",
                                                   "RepeatWeekdayCount",
                                                   "RepeatWeekday",
                                                   "RepeatEnd",
                                                   "RepeatEndCount",
                                                   "RepeatEndDate",
                                                   "CondTimeEnable",
                                                   "CondStartTime",
                                                   "CondEndTime",
                                                   "CondWeekdays",
                                                   "CondMonth",
                                                   "Forewarn",
                                                   "ForewarnSpan",
                                                   "ForewarnUnit",
                                                   "ForewarnSilent",
                                                   "SnoozeSpan",
                                                   "SnoozeUnit",
                                                   "SnoozeType",
                                                   "OverdueAction",
                                                   "ExecuteSpan",
                                                   "ExecuteUnit",
                                                   "Action",
                                                   "Sound",
                                                   "SoundFile",
                                                   "SoundRepeatEndless",
                                                   "SoundRepeatCount",
                                                   "DocumentFile",
                                                   "AckOpen",
                                                   "CmdLine",
                                                   "Parameter",
                                                   "AckExecute",
                                                   "LastCheckTime",
                                                   "SeriesEnd",
                                                   "SeriesEndKnown",
                                                   "Spare",
                                                   "DueOccurrences",
                                                   "AcknowledgedOccurrences",
                                                   "SnoozedOccurrences",
                                                   "SnoozeUntil",
                                                   "DroppedOccurrences"};

const std::vector<std::string> kTodoEntryFields = {
    "GUID",    "Value1",  "Text1",   "Text2",  "Text3",   "Value2", "Value3",
    "Value4",  "Value5",  "Date1",   "Value6", "Value7",  "Value8", "Value9",
    "Value10", "Value11", "Value12", "Text4",  "Value13", "Date2"};

class EventDumpTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_platform.SetLocalTime({2024, 5, 17, 8, 30, 45});
        m_platform.Install();

        CDateEntry e;
        e.Properties.Description = e.MakeText("Dentist");
        e.Properties.BgColor = 0x00FF8000;
        e.Properties.StartDate = CDateTime(2024, 6, 3, 9, 0, 0);
        e.SeriesEndKnown = 1;
        e.DroppedOccurrences.Add(CDateTime(2024, 7, 3, 9, 0, 0));
        e.DroppedOccurrences.Add(CDateTime(2024, 8, 3, 9, 0, 5));
        m_data.DateEntries2.Add(e);
        CTodoEntry t;
        t.Text1 = "Call back";
        t.Value13 = -7;
        m_data.TodoEntries.Add(t);
    }

    std::string Text() const {
        std::ostringstream out;
        CEventDump::WriteText(m_data, out);
        return out.str();
    }
    std::string Json() const {
        std::ostringstream out;
        CEventDump::WriteJson(m_data, out);
        return out.str();
    }

    CFakePlatform m_platform;
    CEventData m_data;
};

TEST_F(EventDumpTest, EmptyFile) {
    const CEventData empty;
    std::ostringstream text;
    CEventDump::WriteText(empty, text);
    EXPECT_EQ(text.str(), "HeaderNumber: 100\nDateEntries1: 0\nDateEntries2: 0\nTodoEntries: 0\n");
    std::ostringstream json;
    CEventDump::WriteJson(empty, json);
    SJson parsed;
    ASSERT_TRUE(CJsonReader::Parse(json.str(), parsed)) << json.str();
    EXPECT_EQ(parsed.Keys(), (std::vector<std::string>{"HeaderNumber", "DateEntries1",
                                                       "DateEntries2", "TodoEntries"}));
    EXPECT_EQ(parsed["HeaderNumber"].number, 100);
    EXPECT_EQ(parsed["TodoEntries"].kind, SJson::Array);
    EXPECT_TRUE(parsed["TodoEntries"].items.empty());
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

TEST_F(EventDumpTest, JsonIsValidAndHoldsEveryField) {
    const std::string json = Json();
    SJson root;
    ASSERT_TRUE(CJsonReader::Parse(json, root)) << json;
    EXPECT_EQ(root["HeaderNumber"].number, 100);
    EXPECT_TRUE(root["DateEntries1"].items.empty());
    ASSERT_EQ(root["DateEntries2"].items.size(), 1u);
    ASSERT_EQ(root["TodoEntries"].items.size(), 1u);

    const SJson& entry = root["DateEntries2"].items[0];
    EXPECT_EQ(entry.Keys(), kDateEntryFields);
    EXPECT_EQ(entry["Description"].text, "Dentist");
    EXPECT_EQ(entry["BgColor"].number, 0x00FF8000);
    EXPECT_EQ(entry["StartDate"].text, "2024 06 03 09 00 00");
    EXPECT_EQ(entry["SeriesEndKnown"].number, 1);
    EXPECT_EQ(entry["DueOccurrences"].kind, SJson::Array);
    EXPECT_TRUE(entry["DueOccurrences"].items.empty());
    ASSERT_EQ(entry["DroppedOccurrences"].items.size(), 2u);
    EXPECT_EQ(entry["DroppedOccurrences"].items[1].text, "2024 08 03 09 00 05");

    const SJson& todo = root["TodoEntries"].items[0];
    EXPECT_EQ(todo.Keys(), kTodoEntryFields);
    EXPECT_EQ(todo["Text1"].text, "Call back");
    EXPECT_EQ(todo["Value13"].number, -7);
    EXPECT_EQ(todo["Date2"].text, "0001 01 01 00 00 00");
}

// Strings are shown in UTF-8 as Windows-1252 reads them: the ANSI code page of Western
// Windows systems and of the Linux build.
TEST_F(EventDumpTest, StringsAreEscapedAndShownAsUtf8) {
    const struct {
        std::string stored;
        std::string text;     // as the text listing quotes it
        std::string decoded;  // what a JSON reader gets back
    } cases[] = {
        {"plain", "\"plain\"", "plain"},
        {"", "\"\"", ""},
        {"say \"hi\"", "\"say \\\"hi\\\"\"", "say \"hi\""},
        {"C:\\dir\\", "\"C:\\\\dir\\\\\"", "C:\\dir\\"},
        {"a\nb\r\tc", "\"a\\nb\\r\\tc\"", "a\nb\r\tc"},
        {std::string("\x01\x1F\x7F", 3), "\"\\x01\\x1F\\x7F\"", std::string("\x01\x1F\x7F", 3)},
        {std::string(1, '\0'), "\"\\x00\"", std::string(1, '\0')},
        {"M\xFCller", "\"M\xC3\xBCller\"", "M\xC3\xBCller"},
        {"5\x80 \x96 \x9F\xFF", "\"5\xE2\x82\xAC \xE2\x80\x93 \xC5\xB8\xC3\xBF\"",
         "5\xE2\x82\xAC \xE2\x80\x93 \xC5\xB8\xC3\xBF"},
        // The five bytes the code page leaves undefined keep their values as code points.
        {"\x81\x8D\x8F\x90\x9D", "\"\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\"",
         "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
    };
    for (const auto& c : cases) {
        m_data.DateEntries2[0].Properties.Notes = m_data.DateEntries2[0].MakeText(c.stored);
        const std::string text = Text();
        EXPECT_NE(text.find("\n    Notes: " + c.text + "\n"), std::string::npos) << c.text;

        SJson root;
        const std::string json = Json();
        ASSERT_TRUE(CJsonReader::Parse(json, root)) << json;
        EXPECT_EQ(root["DateEntries2"].items[0]["Notes"].text, c.decoded) << c.text;
    }
}

}  // namespace
