#include "store/DateEntry.h"

#include <cstdint>

#include "platform/Platform.h"
#include "archive/Archive.h"

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
    list.SetSize(static_cast<int>(count));
    for (CDateTime& value : list) ar >> value;
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
        ar.WriteString(p.GUID);
        ar.WriteInt32(p.StorageType);
        ar.WriteString(p.Category);
        ar.WriteString(p.Description);
        ar.WriteString(p.Notes);
        ar.WriteInt32(p.Display);
        ar.WriteInt32(p.BgColor);
        ar.WriteInt32(p.TextColor);
        ar.WriteString(p.Icon);
        ar << p.StartDate << p.EndDate;
        ar.WriteInt32(p.ShowStartTime);
        ar.WriteInt32(p.ShowEnd);
        ar.WriteInt32(p.Repeat);
        ar.WriteInt32(p.RepeatRate);
        ar.WriteInt32(p.RepeatUnit);
        ar.WriteInt32(p.RepeatWeekdayCount);
        ar.WriteInt32(p.RepeatWeekday);
        ar.WriteInt32(p.RepeatEnd);
        ar.WriteInt32(p.RepeatEndCount);
        ar << p.RepeatEndDate;
        ar.WriteInt32(p.CondTimeEnable);
        ar << p.CondStartTime << p.CondEndTime;
        ar.WriteInt32(p.CondWeekdays);
        ar.WriteInt32(p.CondMonth);
        ar.WriteInt32(p.Forewarn);
        ar.WriteInt32(p.ForewarnSpan);
        ar.WriteInt32(p.ForewarnUnit);
        ar.WriteInt32(p.ForewarnSilent);
        ar.WriteInt32(p.SnoozeSpan);
        ar.WriteInt32(p.SnoozeUnit);
        ar.WriteInt32(p.SnoozeType);
        ar.WriteInt32(p.OverdueAction);
        ar.WriteInt32(p.ExecuteSpan);
        ar.WriteInt32(p.ExecuteUnit);
        ar.WriteInt32(p.Action);
        ar.WriteInt32(p.Sound);
        ar.WriteString(p.SoundFile);
        ar.WriteInt32(p.SoundRepeatEndless);
        ar.WriteInt32(p.SoundRepeatCount);
        ar.WriteString(p.DocumentFile);
        ar.WriteInt32(p.AckOpen);
        ar.WriteString(p.CmdLine);
        ar.WriteString(p.Parameter);
        ar.WriteInt32(p.AckExecute);
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

    if (schema >= 4) {
        p.GUID = ar.ReadString();
        p.StorageType = ar.ReadInt32();
    } else if (p.GUID.empty()) {
        p.GUID = CreateGuidString();
    }
    p.Category = ar.ReadString();
    p.Description = ar.ReadString();
    p.Notes = ar.ReadString();
    p.Display = ar.ReadInt32();
    // Older calendars numbered the display styles differently: their 3 is today's 4.
    if (schema < 5 && p.Display == 3) p.Display = 4;
    p.BgColor = ar.ReadInt32();
    if (schema >= 2) p.TextColor = ar.ReadInt32();
    if (schema >= 5) p.Icon = ar.ReadString();
    ar >> p.StartDate >> p.EndDate;
    p.ShowStartTime = ar.ReadInt32();
    p.ShowEnd = ar.ReadInt32();
    p.Repeat = ar.ReadInt32();
    p.RepeatRate = ar.ReadInt32();
    p.RepeatUnit = ar.ReadInt32();
    p.RepeatWeekdayCount = ar.ReadInt32();
    // Before schema 3 the "last" weekday of a month was stored as 4; it is 5 now.
    if (schema < 3 && p.RepeatWeekdayCount == 4) p.RepeatWeekdayCount = 5;
    p.RepeatWeekday = ar.ReadInt32();
    p.RepeatEnd = ar.ReadInt32();
    p.RepeatEndCount = ar.ReadInt32();
    ar >> p.RepeatEndDate;
    if (schema >= 6) {
        p.CondTimeEnable = ar.ReadInt32();
        ar >> p.CondStartTime >> p.CondEndTime;
    }
    p.CondWeekdays = ar.ReadInt32();
    p.CondMonth = ar.ReadInt32();
    p.Forewarn = ar.ReadInt32();
    p.ForewarnSpan = ar.ReadInt32();
    p.ForewarnUnit = ar.ReadInt32();
    if (schema >= 3) p.ForewarnSilent = ar.ReadInt32();
    if (schema >= 2) {
        p.SnoozeSpan = ar.ReadInt32();
        p.SnoozeUnit = ar.ReadInt32();
        p.SnoozeType = ar.ReadInt32();
    }
    p.OverdueAction = ar.ReadInt32();
    p.ExecuteSpan = ar.ReadInt32();
    p.ExecuteUnit = ar.ReadInt32();
    p.Action = ar.ReadInt32();
    p.Sound = ar.ReadInt32();
    p.SoundFile = ar.ReadString();
    if (schema >= 3) {
        p.SoundRepeatEndless = ar.ReadInt32();
        p.SoundRepeatCount = ar.ReadInt32();
    }
    p.DocumentFile = ar.ReadString();
    p.AckOpen = ar.ReadInt32();
    p.CmdLine = ar.ReadString();
    p.Parameter = ar.ReadString();
    p.AckExecute = ar.ReadInt32();
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
