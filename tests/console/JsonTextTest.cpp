#include "console/JsonText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/Utf8.h"
#include "store/Agenda.h"
#include "store/EventData.h"
#include "store/ListedRecords.h"

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

class JsonTextTest : public CListedRecordsTest {
protected:
    std::string Json() const {
        std::ostringstream out;
        CJsonText::WriteEventData(m_data, out);
        return out.str();
    }
};

TEST_F(JsonTextTest, EmptyFile) {
    const CEventData empty;
    std::ostringstream json;
    CJsonText::WriteEventData(empty, json);
    SJson parsed;
    ASSERT_TRUE(CJsonReader::Parse(json.str(), parsed)) << json.str();
    EXPECT_EQ(parsed.Keys(), (std::vector<std::string>{"HeaderNumber", "DateEntries1",
                                                       "DateEntries2", "TodoEntries"}));
    EXPECT_EQ(parsed["HeaderNumber"].number, 100);
    EXPECT_EQ(parsed["TodoEntries"].kind, SJson::Array);
    EXPECT_TRUE(parsed["TodoEntries"].items.empty());
}

TEST_F(JsonTextTest, JsonIsValidAndHoldsEveryField) {
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
// Windows systems and of the Linux build; a JSON reader gets back exactly that text.
TEST_F(JsonTextTest, StringsAreEscapedAndShownAsUtf8) {
    const struct {
        std::string stored;
        std::string quoted;   // as the listing writes it
        std::string decoded;  // what a JSON reader gets back
    } cases[] = {
        {"plain", "\"plain\"", "plain"},
        {"", "\"\"", ""},
        {"say \"hi\"", "\"say \\\"hi\\\"\"", "say \"hi\""},
        {"C:\\dir\\", "\"C:\\\\dir\\\\\"", "C:\\dir\\"},
        {"a\nb\r\tc\b\f", "\"a\\nb\\r\\tc\\b\\f\"", "a\nb\r\tc\b\f"},
        {std::string("\x01\x1F\x7F", 3), "\"\\u0001\\u001F\x7F\"", std::string("\x01\x1F\x7F", 3)},
        {std::string(1, '\0'), "\"\\u0000\"", std::string(1, '\0')},
        {"M\xFCller", "\"M\xC3\xBCller\"", "M\xC3\xBCller"},
        {"5\x80 \x96 \x9F\xFF", "\"5\xE2\x82\xAC \xE2\x80\x93 \xC5\xB8\xC3\xBF\"",
         "5\xE2\x82\xAC \xE2\x80\x93 \xC5\xB8\xC3\xBF"},
        // The five bytes the code page leaves undefined keep their values as code points.
        {"\x81\x8D\x8F\x90\x9D", "\"\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\"",
         "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CJsonText::String(c.stored), c.quoted) << c.quoted;
        SetNotes(c.stored);
        SJson root;
        const std::string json = Json();
        ASSERT_TRUE(CJsonReader::Parse(json, root)) << json;
        EXPECT_EQ(root["DateEntries2"].items[0]["Notes"].text, c.decoded) << c.quoted;
    }
}

// The agenda's items, one a line; the description as UTF-8. The items written as they are
// found are the items listed first.
TEST_F(JsonTextTest, AgendaItems) {
    CEventData data;
    CDateEntry holiday = ListedEntry("{Z}", "Caf\xE9 day", CDateTime(2024, 5, 1, 9, 0, 0),
                                     CDateTime(2024, 5, 2, 9, 0, 0));
    holiday.Properties.ShowStartTime = 0;
    data.DateEntries1.Add(holiday);
    data.DateEntries2.Add(ListedEntry("{M}", "Meeting", CDateTime(2024, 5, 1, 9, 30, 0),
                                      CDateTime(2024, 5, 1, 10, 0, 0)));
    data.DateEntries2.Add(ListedEntry("{A}", "Quote \"x\"", CDateTime(2024, 5, 1, 0, 0, 0),
                                      CDateTime(2024, 5, 1, 0, 45, 0)));
    const CDateTime from(2024, 5, 1, 0, 0, 0);
    const CDateTime to(2024, 5, 1, 23, 59, 59);
    const std::vector<CAgenda::SItem> items = CAgenda::List(data, from, to);
    ASSERT_EQ(items.size(), 3u);

    std::ostringstream one;
    CJsonText::WriteAgenda({items[1]}, one);
    EXPECT_EQ(
        one.str(),
        "[\n{\"guid\": \"{Z}\", \"description\": \"Caf\xC3\xA9 day\", \"start\": "
        "\"2024-05-01T00:00:00\", \"end\": \"2024-05-02T23:59:59\", \"wholeDay\": true}\n]\n");
    std::ostringstream none;
    CJsonText::WriteAgenda({}, none);
    EXPECT_EQ(none.str(), "[]\n");
    std::ostringstream noneFound;
    CJsonText::WriteAgenda(data, CDateTime(2025, 1, 1, 0, 0, 0), CDateTime(2025, 1, 2, 0, 0, 0),
                           noneFound);
    EXPECT_EQ(noneFound.str(), "[]\n");

    std::ostringstream listed;
    CJsonText::WriteAgenda(items, listed);
    std::ostringstream streamed;
    CJsonText::WriteAgenda(data, from, to, streamed);
    EXPECT_EQ(streamed.str(), listed.str());
    SJson root;
    ASSERT_TRUE(CJsonReader::Parse(streamed.str(), root)) << streamed.str();
    ASSERT_EQ(root.items.size(), 3u);
    EXPECT_EQ(root.items[0]["description"].text, "Quote \"x\"");
    EXPECT_EQ(root.items[2]["start"].text, "2024-05-01T09:30:00");
    EXPECT_EQ(root.items[2]["wholeDay"].kind, SJson::Bool);
}

}  // namespace
