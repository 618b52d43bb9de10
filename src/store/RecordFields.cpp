#include "store/RecordFields.h"

#include "store/DateEntry.h"
#include "store/TodoEntry.h"

namespace {

// One property in the visitor's form for its type.
void VisitProperty(CRecordFields::CVisitor& w, const char* name, std::int32_t value) {
    w.Int(name, value);
}
void VisitProperty(CRecordFields::CVisitor& w, const char* name, CRecordText value) {
    w.String(name, value.View());
}
void VisitProperty(CRecordFields::CVisitor& w, const char* name, const CDateTime& value) {
    w.DateTime(name, value);
}

}  // namespace

void CRecordFields::Visit(const CDateEntry& entry, CVisitor& w) {
    const DateEntryProperties& p = entry.Properties;
#define ZF_VISIT_PROPERTY(name, type, initial, form, firstSchema) VisitProperty(w, #name, p.name);
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

void CRecordFields::Visit(const CTodoEntry& entry, CVisitor& w) {
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
