#include "store/EventDump.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Platform.h"
#include "store/EventData.h"

namespace {

// Receives the fields of one record in stored order; the two listings differ only here.
class CFieldWriter {
public:
    virtual ~CFieldWriter() = default;
    virtual void Int(const char* name, std::int32_t value) = 0;
    virtual void String(const char* name, std::string_view value) = 0;
    virtual void DateTime(const char* name, const CDateTime& value) = 0;
    virtual void DateTimeList(const char* name, const CDateTimeList& list) = 0;
};

// One field in the writer's form for its type.
void Visit(CFieldWriter& w, const char* name, std::int32_t value) {
    w.Int(name, value);
}
void Visit(CFieldWriter& w, const char* name, CRecordText value) {
    w.String(name, value.View());
}
void Visit(CFieldWriter& w, const char* name, const CDateTime& value) {
    w.DateTime(name, value);
}

void VisitFields(const CDateEntry& entry, CFieldWriter& w) {
    const DateEntryProperties& p = entry.Properties;
#define ZF_VISIT_PROPERTY(name, type, initial, form, firstSchema) Visit(w, #name, p.name);
    ZF_DATE_ENTRY_PROPERTIES(ZF_VISIT_PROPERTY)
#undef ZF_VISIT_PROPERTY
    w.DateTime("LastCheckTime", entry.LastCheckTime);
    w.DateTime("SeriesEnd", entry.SeriesEnd);
    w.Int("SeriesEndKnown", entry.SeriesEndKnown);
    w.Int("Spare", entry.Spare);
    w.DateTimeList("DueOccurrences", entry.DueOccurrences);
    w.DateTimeList("AcknowledgedOccurrences", entry.AcknowledgedOccurrences);
    w.DateTimeList("SnoozedOccurrences", entry.SnoozedOccurrences);
    w.DateTimeList("SnoozeUntil", entry.SnoozeUntil);
    w.DateTimeList("DroppedOccurrences", entry.DroppedOccurrences);
}

void VisitFields(const CTodoEntry& entry, CFieldWriter& w) {
    w.String("GUID", entry.GUID);
    w.Int("Value1", entry.Value1);
    w.String("Text1", entry.Text1);
    w.String("Text2", entry.Text2);
    w.String("Text3", entry.Text3);
    w.Int("Value2", entry.Value2);
    w.Int("Value3", entry.Value3);
    w.Int("Value4", entry.Value4);
    w.Int("Value5", entry.Value5);
    w.DateTime("Date1", entry.Date1);
    w.Int("Value6", entry.Value6);
    w.Int("Value7", entry.Value7);
    w.Int("Value8", entry.Value8);
    w.Int("Value9", entry.Value9);
    w.Int("Value10", entry.Value10);
    w.Int("Value11", entry.Value11);
    w.Int("Value12", entry.Value12);
    w.String("Text4", entry.Text4);
    w.Int("Value13", entry.Value13);
    w.DateTime("Date2", entry.Date2);
}

const char kHexDigits[] = "0123456789ABCDEF";

// How a listing writes a string. Both forms escape \" \\ \n \r \t and show the characters
// from 0x80 up as UTF-8; the rest of the control characters differ.
struct CQuoting {
    bool backspaceAndFormFeed;  // \b and \f get one-letter escapes
    bool escapeDelete;          // 0x7F is escaped like the control characters below 0x20
    const char* hexPrefix;      // precedes the two hex digits of an escaped control character
};

constexpr CQuoting kTextQuoting{false, true, "\\x"};
constexpr CQuoting kJsonQuoting{true, false, "\\u00"};

// The letter after the backslash of a one-letter escape of `c`, or 0 when `c` has none.
char EscapeLetter(unsigned char c, const CQuoting& quoting) {
    switch (c) {
        case '"':
            return '"';
        case '\\':
            return '\\';
        case '\n':
            return 'n';
        case '\r':
            return 'r';
        case '\t':
            return 't';
        case '\b':
            return quoting.backspaceAndFormFeed ? 'b' : 0;
        case '\f':
            return quoting.backspaceAndFormFeed ? 'f' : 0;
        default:
            return 0;
    }
}

// Escapes after the conversion to UTF-8: a trail byte of a double-byte character may equal
// a quote or a backslash, and only the converted text keeps such bytes apart.
std::string Quote(std::string_view value, const CQuoting& quoting) {
    std::string out = "\"";
    for (const char ch : CPlatform::Current().AnsiToUtf8(std::string(value))) {
        const auto c = static_cast<unsigned char>(ch);
        if (const char letter = EscapeLetter(c, quoting); letter != 0) {
            out += '\\';
            out += letter;
        } else if (c < 0x20 || (c == 0x7F && quoting.escapeDelete)) {
            out += quoting.hexPrefix;
            out += kHexDigits[c >> 4];
            out += kHexDigits[c & 0x0F];
        } else {
            out += ch;
        }
    }
    out += '"';
    return out;
}

class CTextFieldWriter : public CFieldWriter {
public:
    explicit CTextFieldWriter(std::ostream& out) : m_out(out) {}

    void Int(const char* name, std::int32_t value) override {
        m_out << kIndent << name << ": " << value << '\n';
    }
    void String(const char* name, std::string_view value) override {
        m_out << kIndent << name << ": " << Quote(value, kTextQuoting) << '\n';
    }
    void DateTime(const char* name, const CDateTime& value) override {
        m_out << kIndent << name << ": " << value.FormatStorage() << '\n';
    }
    void DateTimeList(const char* name, const CDateTimeList& list) override {
        m_out << kIndent << name << ": " << list.GetSize() << '\n';
        for (const CDateTime value : list) {
            m_out << kIndent << "  " << value.FormatStorage() << '\n';
        }
    }

private:
    static constexpr const char* kIndent = "    ";
    std::ostream& m_out;
};

class CJsonFieldWriter : public CFieldWriter {
public:
    explicit CJsonFieldWriter(std::ostream& out) : m_out(out) {}

    void Int(const char* name, std::int32_t value) override { Name(name) << value; }
    void String(const char* name, std::string_view value) override {
        Name(name) << Quote(value, kJsonQuoting);
    }
    void DateTime(const char* name, const CDateTime& value) override {
        Name(name) << '"' << value.FormatStorage() << '"';
    }
    void DateTimeList(const char* name, const CDateTimeList& list) override {
        Name(name) << '[';
        const char* separator = "";
        for (const CDateTime value : list) {
            m_out << separator << '"' << value.FormatStorage() << '"';
            separator = ", ";
        }
        m_out << ']';
    }
    // Ends the object being written; the next record starts a new one.
    void Finish() {
        m_out << "\n    }";
        m_first = true;
    }

private:
    std::ostream& Name(const char* name) {
        m_out << (m_first ? "{\n" : ",\n") << "      \"" << name << "\": ";
        m_first = false;
        return m_out;
    }

    std::ostream& m_out;
    bool m_first = true;
};

template <class TList>
void WriteTextList(std::ostream& out, const char* listName, const char* entryName,
                   const TList& list) {
    out << listName << ": " << list.GetSize() << '\n';
    CTextFieldWriter writer(out);
    for (int i = 0; i < list.GetSize(); ++i) {
        out << "  " << entryName << ' ' << i << '\n';
        VisitFields(list[i], writer);
    }
}

template <class TList>
void WriteJsonList(std::ostream& out, const char* listName, const TList& list) {
    out << "  \"" << listName << "\": [";
    CJsonFieldWriter writer(out);
    const char* separator = "\n    ";
    for (const auto& entry : list) {
        out << separator;
        VisitFields(entry, writer);
        writer.Finish();
        separator = ",\n    ";
    }
    out << (list.IsEmpty() ? "]" : "\n  ]");
}

}  // namespace

void CEventDump::WriteText(const CEventData& data, std::ostream& out) {
    out << "HeaderNumber: " << data.HeaderNumber << '\n';
    WriteTextList(out, "DateEntries1", "DateEntry", data.DateEntries1);
    WriteTextList(out, "DateEntries2", "DateEntry", data.DateEntries2);
    WriteTextList(out, "TodoEntries", "TodoEntry", data.TodoEntries);
}

void CEventDump::WriteJson(const CEventData& data, std::ostream& out) {
    out << "{\n  \"HeaderNumber\": " << data.HeaderNumber << ",\n";
    WriteJsonList(out, "DateEntries1", data.DateEntries1);
    out << ",\n";
    WriteJsonList(out, "DateEntries2", data.DateEntries2);
    out << ",\n";
    WriteJsonList(out, "TodoEntries", data.TodoEntries);
    out << "\n}\n";
}

std::string CEventDump::JsonString(const std::string& value) {
    return Quote(value, kJsonQuoting);
}
