#include "store/DateEntry.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <string>

#include "archive/Archive.h"
#include "platform/Platform.h"

namespace {

const CRuntimeClass g_dateEntryClass = {"CDateEntry", CDateEntry::kSchema, true,
                                        &CDateEntry::CreateForLoading, CObject::GetThisClass()};
const CClassRegistration g_dateEntryRegistration(&g_dateEntryClass);

constexpr std::uint64_t kStoredDateTimeBytes = 8;

// The pairs of a list are the stored form on a little-endian machine: one copy each way.
constexpr bool kPairsAreStoredForm = std::endian::native == std::endian::little;

void WriteDateTimeList(CArchive& ar, const CDateTimeList& list) {
    const int count = list.GetSize();
    ar.WriteCount(static_cast<std::uint32_t>(count));
    if constexpr (kPairsAreStoredForm) {
        if (count > 0) ar.Write(list.GetStoredPairs(), kStoredDateTimeBytes * count);
    } else {
        for (const CDateTime value : list) ar << value;
    }
}

void ReadDateTimeList(CArchive& ar, CDateTimeList& list) {
    const std::uint32_t count = ar.ReadCount();
    // A damaged count must not size the list beyond what the file can still deliver.
    ar.RequireRemaining(kStoredDateTimeBytes * count);
    // Sized exactly: a loaded list holds what the file holds, and most hold one or two
    // values, for which the growth rule would reserve four.
    if (count == 0) return;
    list.EnsureCapacity(list.GetSize() + static_cast<int>(count));
    if constexpr (kPairsAreStoredForm) {
        ar.Read(list.AppendStoredPairs(static_cast<int>(count)), kStoredDateTimeBytes * count);
    } else {
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::int32_t dayNumber = ar.ReadInt32();
            const std::int32_t secondOfDay = ar.ReadInt32();
            list.AddStored(dayNumber, secondOfDay);
        }
    }
}

// One stored field in the form its type fixes.
void WriteField(CArchive& ar, CRecordText value) {
    ar.WriteString(value.View());
}
void WriteField(CArchive& ar, std::int32_t value) {
    ar.WriteInt32(value);
}
void WriteField(CArchive& ar, const CPackedDateTime& value) {
    ar << value;
}
void ReadField(CArchive& ar, CRecordStore& store, std::string& scratch, CRecordText& value) {
    value = store.Text(ar.ReadStringView(scratch));
}
void ReadField(CArchive& ar, CRecordStore& /*store*/, std::string& /*scratch*/,
               std::int32_t& value) {
    value = ar.ReadInt32();
}
void ReadField(CArchive& ar, CRecordStore& /*store*/, std::string& /*scratch*/,
               CPackedDateTime& value) {
    ar >> value;
}

// A text of `from`'s properties as a text of `store`.
CRecordText Import(CRecordStore& store, const CRecordStore& from, CRecordText text) {
    return &store == &from ? text : store.Text(text.View());
}
std::int32_t Import(CRecordStore&, const CRecordStore&, std::int32_t value) {
    return value;
}
CPackedDateTime Import(CRecordStore&, const CRecordStore&, const CPackedDateTime& value) {
    return value;
}

}  // namespace

CDateEntry::CDateEntry()
    : CDateEntry(std::make_unique<CRecordStore>(CRecordStore::kSmallFirstBlock), LoadingTag{}) {
    SetNewDates();
}

CDateEntry::CDateEntry(CRecordStore& store) : CDateEntry(store, LoadingTag{}) {
    SetNewDates();
}

CDateEntry::CDateEntry(CRecordStore& store, LoadingTag)
    : m_store(&store),
      SnoozedOccurrences(store),
      SnoozeUntil(store),
      DueOccurrences(store),
      AcknowledgedOccurrences(store),
      DroppedOccurrences(store) {
    Properties.CondStartTime = CPackedDateTime::FromStored(1, 8 * 3600);
    Properties.CondEndTime = CPackedDateTime::FromStored(1, 17 * 3600);
}

CDateEntry::CDateEntry(std::unique_ptr<CRecordStore> store, LoadingTag)
    : CDateEntry(*store, LoadingTag{}) {
    m_ownStore = std::move(store);
}

CDateEntry::CDateEntry(const CDateEntry& other)
    : CDateEntry(std::make_unique<CRecordStore>(CRecordStore::kSmallFirstBlock), LoadingTag{}) {
    CopyFrom(other);
}

void CDateEntry::SetNewDates() {
    CDateTime start = CDateTime::Now();
    start.SetTime(start.GetHour(), start.GetMinute(), 0);
    Properties.StartDate = start;
    Properties.EndDate = start;
    Properties.RepeatEndDate = start;
    Properties.GUID = MakeText(CreateGuidString());
}

CDateEntry& CDateEntry::operator=(const CDateEntry& other) {
    if (this != &other) CopyFrom(other);
    return *this;
}

void CDateEntry::EnsureStore() {
    if (m_store != nullptr) return;
    m_ownStore = std::make_unique<CRecordStore>(CRecordStore::kSmallFirstBlock);
    m_store = m_ownStore.get();
    for (CDateTimeList* list :
         {&SnoozedOccurrences, &SnoozeUntil, &DueOccurrences, &AcknowledgedOccurrences}) {
        *list = CDateTimeList(*m_store);
    }
    DroppedOccurrences = CIndexedDateTimeList(*m_store);
}

void CDateEntry::ForgetStore() {
    m_store = nullptr;
    Properties = DateEntryProperties();
    for (CDateTimeList* list :
         {&SnoozedOccurrences, &SnoozeUntil, &DueOccurrences, &AcknowledgedOccurrences}) {
        list->FreeAll();
    }
    DroppedOccurrences.FreeAll();
}

void CDateEntry::CopyValues(const CDateEntry& other) {
    LastCheckTime = other.LastCheckTime;
    SeriesEnd = other.SeriesEnd;
    SeriesEndKnown = other.SeriesEndKnown;
    OccurrenceCounter = other.OccurrenceCounter;
    Spare = other.Spare;
    KeepStored = other.KeepStored;
}

void CDateEntry::CopyFrom(const CDateEntry& other) {
    EnsureStore();
    Properties = ImportProperties(other.Properties, *other.m_store);
    CopyValues(other);
    DueOccurrences.Assign(other.DueOccurrences);
    AcknowledgedOccurrences.Assign(other.AcknowledgedOccurrences);
    SnoozedOccurrences.Assign(other.SnoozedOccurrences);
    SnoozeUntil.Assign(other.SnoozeUntil);
    DroppedOccurrences.Assign(other.DroppedOccurrences);
}

CDateEntry::CDateEntry(CDateEntry&& other) noexcept
    : CObject(other),
      m_ownStore(std::move(other.m_ownStore)),
      m_store(other.m_store),
      SnoozedOccurrences(std::move(other.SnoozedOccurrences)),
      SnoozeUntil(std::move(other.SnoozeUntil)),
      DueOccurrences(std::move(other.DueOccurrences)),
      AcknowledgedOccurrences(std::move(other.AcknowledgedOccurrences)),
      DroppedOccurrences(std::move(other.DroppedOccurrences)),
      Properties(other.Properties) {
    CopyValues(other);
    if (m_ownStore != nullptr) other.ForgetStore();
}

CDateEntry& CDateEntry::operator=(CDateEntry&& other) {
    if (this == &other) return *this;
    if (other.m_ownStore == nullptr && other.m_store != m_store) {
        // Taking a store along that the other entry does not own could outlive it.
        CopyFrom(other);
        return *this;
    }
    // Either the other entry's own store comes along, or both are in this entry's store,
    // which stays as it is held.
    const bool tookOwnStore = other.m_ownStore != nullptr;
    if (tookOwnStore) {
        m_ownStore = std::move(other.m_ownStore);
        m_store = other.m_store;
    }
    SnoozedOccurrences = std::move(other.SnoozedOccurrences);
    SnoozeUntil = std::move(other.SnoozeUntil);
    DueOccurrences = std::move(other.DueOccurrences);
    AcknowledgedOccurrences = std::move(other.AcknowledgedOccurrences);
    DroppedOccurrences = std::move(other.DroppedOccurrences);
    Properties = other.Properties;
    CopyValues(other);
    if (tookOwnStore) other.ForgetStore();
    return *this;
}

CDateEntry::~CDateEntry() = default;

DateEntryProperties CDateEntry::ImportProperties(const DateEntryProperties& properties,
                                                 const CRecordStore& from) const {
    DateEntryProperties imported = properties;
#define ZF_IMPORT_PROPERTY(name, type, initial, form, firstSchema) \
    imported.name = Import(*m_store, from, imported.name);
    ZF_DATE_ENTRY_PROPERTIES(ZF_IMPORT_PROPERTY)
#undef ZF_IMPORT_PROPERTY
    return imported;
}

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
    return std::unique_ptr<CObject>(new CDateEntry(
        std::make_unique<CRecordStore>(CRecordStore::kSmallFirstBlock), LoadingTag{}));
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
    if (schema < 4 && p.GUID.empty()) p.GUID = MakeText(CreateGuidString());
    std::string scratch;
#define ZF_READ_PROPERTY(name, type, initial, form, firstSchema) \
    if (schema >= (firstSchema)) ReadField(ar, *m_store, scratch, p.name);
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
    ReadDateTimeList(ar, DroppedOccurrences.Edit());
}
