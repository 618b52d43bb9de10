#include "store/DateEntry.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "archive/Archive.h"
#include "platform/Platform.h"

namespace {

const CRuntimeClass g_dateEntryClass = {"CDateEntry", CDateEntry::kSchema, true,
                                        &CDateEntry::CreateForLoading, CObject::GetThisClass()};
const CClassRegistration g_dateEntryRegistration(&g_dateEntryClass);

constexpr std::uint64_t kStoredDateTimeBytes = 8;

void WriteDateTimeList(CArchive& ar, const CDateTimeArray& list) {
    ar.WriteCount(static_cast<std::uint32_t>(list.GetSize()));
    for (const CDateTime& value : list) ar << value;
}

void ReadDateTimeList(CArchive& ar, CDateTimeArray& list) {
    const std::uint32_t count = ar.ReadCount();
    // A damaged count must not size the list beyond what the file can still deliver.
    ar.RequireRemaining(kStoredDateTimeBytes * count);
    // Sized exactly: a loaded list holds what the file holds, and most hold one or two
    // values, for which the growth rule would reserve four.
    list.EnsureCapacity(static_cast<int>(count));
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::int32_t dayNumber = ar.ReadInt32();
        const std::int32_t secondOfDay = ar.ReadInt32();
        list.Add(CDateTime::FromStored(dayNumber, secondOfDay));
    }
}

// One stored field in the form its type fixes.
void WriteField(CArchive& ar, const std::string& value) {
    ar.WriteString(value);
}
void WriteField(CArchive& ar, std::int32_t value) {
    ar.WriteInt32(value);
}
void WriteField(CArchive& ar, const CDateTime& value) {
    ar << value;
}
void ReadField(CArchive& ar, std::string& value) {
    value = ar.ReadString();
}
void ReadField(CArchive& ar, std::int32_t& value) {
    value = ar.ReadInt32();
}
void ReadField(CArchive& ar, CDateTime& value) {
    ar >> value;
}

}  // namespace

CDateEntry::CDateEntry() : CDateEntry(LoadingTag{}) {
    CDateTime start = CDateTime::Now();
    start.SetTime(start.GetHour(), start.GetMinute(), 0);
    Properties.StartDate = start;
    Properties.EndDate = start;
    Properties.RepeatEndDate = start;
    Properties.GUID = CreateGuidString();
}

CDateEntry::CDateEntry(EmptyTag) {}

CDateEntry::CDateEntry(LoadingTag) {
    Properties.CondStartTime.SetTime(8, 0, 0);
    Properties.CondEndTime.SetTime(17, 0, 0);
}

CDateEntry::CDateEntry(const CDateEntry& other) : CDateEntry(EmptyTag{}) {
    *this = other;
}

CDateEntry& CDateEntry::operator=(const CDateEntry& other) {
    if (this == &other) return *this;
    Properties = other.Properties;
    LastCheckTime = other.LastCheckTime;
    SeriesEnd = other.SeriesEnd;
    SeriesEndKnown = other.SeriesEndKnown;
    OccurrenceCounter = other.OccurrenceCounter;
    Spare = other.Spare;
    KeepStored = other.KeepStored;
    ResetOccurrenceState();
    DueOccurrences.Append(other.DueOccurrences);
    AcknowledgedOccurrences.Append(other.AcknowledgedOccurrences);
    SnoozedOccurrences.Append(other.SnoozedOccurrences);
    SnoozeUntil.Append(other.SnoozeUntil);
    DroppedOccurrences.Append(other.DroppedOccurrences);
    return *this;
}

CDateEntry::CDateEntry(CDateEntry&& other) noexcept = default;
CDateEntry& CDateEntry::operator=(CDateEntry&& other) noexcept = default;

CDateEntry::~CDateEntry() = default;

const CRuntimeClass* CDateEntry::GetRuntimeClass() const {
    return &g_dateEntryClass;
}

const CRuntimeClass* CDateEntry::GetThisClass() {
    return &g_dateEntryClass;
}

std::unique_ptr<CObject> CDateEntry::CreateObject() {
    return std::make_unique<CDateEntry>();
}

std::unique_ptr<CObject> CDateEntry::CreateForLoading() {
    return std::unique_ptr<CObject>(new CDateEntry(LoadingTag{}));
}

std::string CDateEntry::CreateGuidString() {
    return CPlatform::Current().CreateGuidString();
}

void CDateEntry::GetProperties(DateEntryProperties& properties) const {
    properties = Properties;
}

void CDateEntry::ResetOccurrenceState() {
    DueOccurrences.RemoveAll();
    AcknowledgedOccurrences.RemoveAll();
    SnoozedOccurrences.RemoveAll();
    SnoozeUntil.FreeAll();
    DroppedOccurrences.RemoveAll();
}

void CDateEntry::Serialize(CArchive& ar) {
    DateEntryProperties& p = Properties;
    if (ar.IsStoring()) {
#define ZF_WRITE_PROPERTY(name, type, initial, form, firstSchema) WriteField(ar, p.name);
        ZF_DATE_ENTRY_PROPERTIES(ZF_WRITE_PROPERTY)
#undef ZF_WRITE_PROPERTY
        ar << LastCheckTime << SeriesEnd;
        ar.WriteInt32(SeriesEndKnown);
        ar.WriteInt32(Spare);
        WriteDateTimeList(ar, DueOccurrences);
        WriteDateTimeList(ar, AcknowledgedOccurrences);
        WriteDateTimeList(ar, SnoozedOccurrences);
        WriteDateTimeList(ar, SnoozeUntil);
        WriteDateTimeList(ar, DroppedOccurrences);
        return;
    }

    int schema = ar.GetObjectSchema();
    if (schema < 0) schema = static_cast<int>(kSchema);
    if (schema > static_cast<int>(kSchema)) throw CArchiveException(CArchiveException::badSchema);
    // A record that claims schema 0 holds the fields of schema 1.
    schema = std::max(schema, 1);

    // Records from before schema 4 store no GUID; the entry keeps its own or gets a new one.
    if (schema < 4 && p.GUID.empty()) p.GUID = CreateGuidString();
#define ZF_READ_PROPERTY(name, type, initial, form, firstSchema) \
    if (schema >= (firstSchema)) ReadField(ar, p.name);
    ZF_DATE_ENTRY_PROPERTIES(ZF_READ_PROPERTY)
#undef ZF_READ_PROPERTY
    // Older calendars numbered the display styles differently: their 3 is today's 4.
    if (schema < 5 && p.Display == 3) p.Display = 4;
    // Before schema 3 the "last" weekday of a month was stored as 4; it is 5 now.
    if (schema < 3 && p.RepeatWeekdayCount == 4) p.RepeatWeekdayCount = kRepeatWeekdayLast;
    ar >> LastCheckTime >> SeriesEnd;
    SeriesEndKnown = ar.ReadInt32();
    // The calendar uses this word only while running; a stored value means nothing.
    Spare = ar.ReadInt32();
    Spare = 0;
    ResetOccurrenceState();
    ReadDateTimeList(ar, DueOccurrences);
    ReadDateTimeList(ar, AcknowledgedOccurrences);
    ReadDateTimeList(ar, SnoozedOccurrences);
    ReadDateTimeList(ar, SnoozeUntil);
    ReadDateTimeList(ar, DroppedOccurrences);
}
