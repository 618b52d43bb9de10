#include "store/EventDump.h"

#include <cstdint>
#include <string>
#include <string_view>

#include "store/EventData.h"
#include "store/QuotedText.h"
#include "store/RecordFields.h"

namespace {

constexpr CQuotedText::SRules kQuoting{false, true, "\\x"};

class CTextFieldWriter : public CRecordFields::CVisitor {
public:
    explicit CTextFieldWriter(std::ostream& out) : m_out(out) {}

    void Int(const char* name, std::int32_t value) override {
        m_out << kIndent << name << ": " << value << '\n';
    }
    void String(const char* name, std::string_view value) override {
        m_out << kIndent << name << ": " << CQuotedText::Of(value, kQuoting) << '\n';
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

template <class TList>
void WriteTextList(std::ostream& out, const char* listName, const char* entryName,
                   const TList& list) {
    out << listName << ": " << list.GetSize() << '\n';
    CTextFieldWriter writer(out);
    for (int i = 0; i < list.GetSize(); ++i) {
        out << "  " << entryName << ' ' << i << '\n';
        CRecordFields::Visit(list[i], writer);
    }
}

}  // namespace

void CEventDump::WriteText(const CEventData& data, std::ostream& out) {
    out << "HeaderNumber: " << data.HeaderNumber << '\n';
    WriteTextList(out, "DateEntries1", "DateEntry", data.DateEntries1);
    WriteTextList(out, "DateEntries2", "DateEntry", data.DateEntries2);
    WriteTextList(out, "TodoEntries", "TodoEntry", data.TodoEntries);
}
