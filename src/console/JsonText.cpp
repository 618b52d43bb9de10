#include "JsonText.h"

#include <cstdint>

#include "store/EventData.h"
#include "store/QuotedText.h"
#include "store/RecordFields.h"

namespace {

constexpr CQuotedText::SRules kQuoting{true, false, "\\u00"};

class CJsonFieldWriter : public CRecordFields::CVisitor {
public:
    explicit CJsonFieldWriter(std::ostream& out) : m_out(out) {}

    void Int(const char* name, std::int32_t value) override { Name(name) << value; }
    void String(const char* name, std::string_view value) override {
        Name(name) << CJsonText::String(value);
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
void WriteList(std::ostream& out, const char* listName, const TList& list) {
    out << "  \"" << listName << "\": [";
    CJsonFieldWriter writer(out);
    const char* separator = "\n    ";
    for (const auto& entry : list) {
        out << separator;
        CRecordFields::Visit(entry, writer);
        writer.Finish();
        separator = ",\n    ";
    }
    out << (list.IsEmpty() ? "]" : "\n  ]");
}

void WriteAgendaItem(const CAgenda::SItem& item, const char* separator, std::ostream& out) {
    constexpr const char* kTime = "%Y-%m-%dT%H:%M:%S";
    out << separator << "{\"guid\": " << CJsonText::String(item.Guid)
        << ", \"description\": " << CJsonText::String(item.Description) << ", \"start\": \""
        << item.Start.Format(kTime) << "\", \"end\": \"" << item.End.Format(kTime)
        << "\", \"wholeDay\": " << (item.WholeDay ? "true" : "false") << '}';
}

}  // namespace

std::string CJsonText::String(std::string_view value) {
    return CQuotedText::Of(value, kQuoting);
}

void CJsonText::WriteEventData(const CEventData& data, std::ostream& out) {
    out << "{\n  \"HeaderNumber\": " << data.HeaderNumber << ",\n";
    WriteList(out, "DateEntries1", data.DateEntries1);
    out << ",\n";
    WriteList(out, "DateEntries2", data.DateEntries2);
    out << ",\n";
    WriteList(out, "TodoEntries", data.TodoEntries);
    out << "\n}\n";
}

void CJsonText::WriteAgenda(CEventData& data, const CDateTime& from, const CDateTime& to,
                            std::ostream& out) {
    out << '[';
    const char* separator = "\n";
    CAgenda::Stream(data, from, to, [&](const CAgenda::SItem& item) {
        WriteAgendaItem(item, separator, out);
        separator = ",\n";
    });
    out << (*separator == '\n' ? "]\n" : "\n]\n");
}

void CJsonText::WriteAgenda(const std::vector<CAgenda::SItem>& items, std::ostream& out) {
    out << '[';
    const char* separator = "\n";
    for (const CAgenda::SItem& item : items) {
        WriteAgendaItem(item, separator, out);
        separator = ",\n";
    }
    out << (items.empty() ? "]\n" : "\n]\n");
}
