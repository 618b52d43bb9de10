// One calendar date entry as the event file stores it: 46 properties and the per-occurrence
// reminder state (due, snoozed, acknowledged and dropped occurrences).
//
// The class is implemented in several files by concern:
//   store/DateEntry.cpp             record: construction, copying, GUID, Serialize
//   store/DateEntryRecurrence.cpp   occurrence queries and dropped-occurrence lookups
//   store/DateEntryReminders.cpp    reminder state
//   store/DateEntryUpdate.cpp       taking over new properties, reconciling reminder state
//   feed/DateEntryFeed.cpp          filling the entry from a feed section
//
// Storage: the texts of the properties and the five lists are handles into a CRecordStore.
// An entry made by CDateEntry() or copied by the copy constructor owns a store of its own;
// an entry made for a store (the entries of a CDateEntryArray) uses that store, whose owner
// keeps it alive longer than the entry. Invariant: every text and list of an entry lives in
// the entry's store (GetStore()). Copy assignment copies the other entry's texts and lists
// into this entry's store (texts already there are shared: a text never changes). A move
// takes the other entry's store along, owned or not; a move assignment from an entry of
// another store that it does not own copies instead, so that no entry ever points into a
// store that may end before it. An entry whose own store was moved away may only be
// destroyed or assigned to (it then gets a new store of its own).
//
// Stored form (schema 6), in order: the properties in the order and stored forms of
// ZF_DATE_ENTRY_PROPERTIES (store/DateEntryProperties.h), then LastCheckTime, SeriesEnd
// (8 bytes each), SeriesEndKnown, Spare (int32), then the date-time lists DueOccurrences,
// AcknowledgedOccurrences, SnoozedOccurrences, SnoozeUntil, DroppedOccurrences.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "archive/Object.h"
#include "datetime/DateTime.h"
#include "datetime/DateTimeSpan.h"
#include "datetime/PackedDateTime.h"
#include "store/DateEntryProperties.h"
#include "store/DateTimeList.h"
#include "store/IndexedDateTimeList.h"
#include "store/RecordStore.h"

class CFeedReporter;
class CFeedSection;

class CDateEntry final : public CObject {
public:
    static constexpr unsigned int kSchema = 6;

    // Defaults of a new entry: a new GUID, StartDate = now with second 0 (EndDate and
    // RepeatEndDate the same), CondStartTime 08:00:00, CondEndTime 17:00:00. The first
    // form owns its store; the second keeps its texts and lists in `store`.
    // REQUIRES: `store` outlives the entry.
    CDateEntry();
    explicit CDateEntry(CRecordStore& store);
    // An entry for loading into `store`: the factory's defaults (see CreateForLoading).
    struct LoadingTag {};
    CDateEntry(CRecordStore& store, LoadingTag);
    // A copy with a store of its own.
    CDateEntry(const CDateEntry& other);
    // Copies the properties, LastCheckTime, SeriesEnd, SeriesEndKnown, OccurrenceCounter,
    // Spare, then resets and copies the five lists, into this entry's store.
    // Self-assignment does nothing.
    CDateEntry& operator=(const CDateEntry& other);
    // Moves give the same entry as copying; arrays of entries use them when they grow. The
    // move constructor never allocates; the assignment may when it copies.
    CDateEntry(CDateEntry&& other) noexcept;
    CDateEntry& operator=(CDateEntry&& other);
    ~CDateEntry() override;

    CRecordStore& GetStore() const { return *m_store; }
    // A copy of `text` in this entry's store, for a property of this entry.
    CRecordText MakeText(std::string_view text) { return m_store->Text(text); }
    // `properties`, whose texts live in `from`, with those texts copied into this entry's
    // store (shared where `from` is that store).
    DateEntryProperties ImportProperties(const DateEntryProperties& properties,
                                         const CRecordStore& from) const;

    const CRuntimeClass* GetRuntimeClass() const override;
    static const CRuntimeClass* GetThisClass();
    static std::unique_ptr<CObject> CreateObject();
    // The factory of the run-time class, used by CArchive::ReadObject: an entry with the
    // defaults except an empty GUID and default-valued StartDate, EndDate and
    // RepeatEndDate, because loading reads those dates in every schema and gives an entry
    // of a schema without GUID a new one. Loading thus gives the same entry as from
    // CreateObject without a clock read and a GUID per entry that the file overwrites.
    static std::unique_ptr<CObject> CreateForLoading();
    // Storing writes schema 6. Loading reads the stored schema from the archive (a schema
    // above 6 throws badSchema before anything is read; outside ReadObject, where no schema
    // is known, the schema 6 layout is read); fields that schema lacks keep their current
    // values, so a factory-made entry keeps the defaults, except that an empty GUID is
    // replaced by a new one. Spare loads as 0.
    void Serialize(CArchive& ar) override;

    int GetStorageType() const { return Properties.StorageType; }
    void SetStorageType(int storageType) { Properties.StorageType = storageType; }
    std::string_view GetGuid() const { return Properties.GUID.View(); }
    static std::string CreateGuidString();
    void GetProperties(DateEntryProperties& properties) const;
    // Empties the five lists; LastCheckTime and the series-end cache stay.
    void ResetOccurrenceState();

    // --- Recurrence (occurrences of the bare rule and of the series) ---
    // A bound that keeps every occurrence query short whatever a feed delivers: a search or
    // a count tries at most kMostCandidatesPerQuery candidates of the rule, and an update
    // of the reminders walks at most as many occurrences. A fixed-period series counts and
    // passes over refused candidates in closed form and never comes near it; a rule that
    // reaches it (a monthly count over more than 16,000 years) ends its search there: the
    // search finds no further occurrence, a count is the count so far. A reminder operation
    // bounds the candidates of all its queries together as well (CCandidateBudget).
    static constexpr std::int64_t kMostCandidatesPerQuery = 200000;
    // S: StartDate, at midnight for a whole-day entry.
    CDateTime GetSeriesStart() const;
    CDateTimeSpan GetDuration() const;
    static CDateTimeSpan MakeSpan(int amount, int unit);
    bool GetFirstOccurrence(const CDateTime& from, const CDateTime& to, CDateTime& start,
                            CDateTime& end) const;
    // `start` holds the previous occurrence's start on entry.
    bool GetNextOccurrence(const CDateTime& from, const CDateTime& to, CDateTime& start,
                           CDateTime& end) const;
    bool IsOccurrenceAllowed(const CDateTime& start) const;
    int CountOccurrencesUntil(const CDateTime& start);
    bool FindFirstOccurrence(const CDateTime& from, const CDateTime& to, CDateTime& start,
                             CDateTime& end);
    bool FindNextOccurrence(const CDateTime& from, const CDateTime& to, CDateTime& start,
                            CDateTime& end);
    // The occurrence that FindFirstOccurrence finds before it looks at the end of the series
    // (steps, bounds and out-parameters alike), with `isDropped` deciding which starts are
    // dropped instead of DroppedOccurrences: for judging drops against a drop set that is not
    // the list's.
    using DropTest = std::function<bool(const CDateTime&)>;
    bool FindFirstAllowedOccurrence(const CDateTime& from, const CDateTime& to, CDateTime& start,
                                    CDateTime& end, const DropTest& isDropped) const;
    int FindDroppedOccurrence(const CDateTime& occurrence) const;
    bool IsOccurrenceDropped(const CDateTime& occurrence) const;
    int GetDroppedOccurrenceCount() const;
    // REQUIRES: 0 <= index < GetDroppedOccurrenceCount().
    CDateTime GetDroppedOccurrence(int index) const;

    // --- Reminder state ---
    int FindDue(const CDateTime& occurrence) const;
    int FindSnoozed(const CDateTime& occurrence) const;
    int FindAcknowledged(const CDateTime& occurrence) const;
    void DropOccurrence(const CDateTime& occurrence);
    void RestoreOccurrence(const CDateTime& occurrence);
    void PurgeOccurrenceLists();
    // Bounds that keep one update short whatever a feed delivers, beyond any real reminder:
    // the horizon (now plus the forewarn span) lies at most kLongestForewarnDays after now,
    // and at most kMostNewDuePerUpdate occurrences become due in one call (more than a year
    // of hourly reminders; every later step on a listed item looks it up in O(log n), but
    // each lapse may run a query of the rule).
    static constexpr std::int64_t kLongestForewarnDays = 36525;  // 100 years
    static constexpr int kMostNewDuePerUpdate = 10000;
    // Brings the reminder state up to `now`; true when anything became due or lapsed.
    // LastCheckTime becomes `now`, except when the second bound leaves unreached an
    // occurrence that had ended by `now`: it then stays one second before that end, so that
    // later updates make it and the ones after it due in order and none is lost. Unreached
    // occurrences that end after `now` are met by later updates as usual.
    bool UpdateReminders(const CDateTime& now);
    // The lapse step of UpdateReminders: acknowledges, in list order, every due and then every
    // snoozed occurrence that IsWithinOverdueLimit refuses, with the outcome of one
    // AcknowledgeOccurrence per item; true when any lapsed. Costs O(n log n) in the list
    // lengths plus the queries of OverdueAction 2.
    bool LapseOverdueReminders(const CDateTime& now);
    // The horizon of the OverdueAction 2 search is bounded as in UpdateReminders.
    bool IsWithinOverdueLimit(const CDateTime& occurrence, const CDateTime& now);
    bool IsOccurrenceSettled(const CDateTime& occurrence) const;
    void AcknowledgeOccurrence(const CDateTime& occurrence, bool acknowledged);

    // --- Update ---
    // REQUIRES: the texts of `properties` live in this entry's store (GetProperties of this
    // entry, MakeText, ImportProperties).
    void ApplyProperties(const DateEntryProperties& properties);
    void MergeOccurrenceState(const CDateEntry& other, bool takeLastCheck);
    // Makes this entry's dropped occurrences those of `other` as RestoreOccurrence of each
    // item that `other` lacks, then DropOccurrence of each item of `other` in order, would:
    // the items it had already in their order, then the others in `other`'s order, and none
    // of them left among the due, snoozed and acknowledged occurrences. One ordered pass over
    // each list, each lookup through the sorted index of the other list.
    void TakeDroppedOccurrences(const CDateEntry& other);

    // --- Feed ---
    // Takes the values of one date entry section. Tells `reporter`, when given, what the
    // section's values become where they do not read as written, and how many dropped
    // occurrences it reads, naming the section `section` (unused without a reporter).
    void LoadFromFeed(const CFeedSection& values, const std::string& section,
                      CFeedReporter* reporter = nullptr);

private:
    // Declared first: the lists below are made with it.
    std::unique_ptr<CRecordStore> m_ownStore;
    CRecordStore* m_store;

public:
    // Reminder state.
    CDateTimeList SnoozedOccurrences;
    CDateTimeList SnoozeUntil;  // parallel to SnoozedOccurrences
    CDateTimeList DueOccurrences;
    CDateTimeList AcknowledgedOccurrences;
    // Looked up by value through a sorted index; see CIndexedDateTimeList.
    CIndexedDateTimeList DroppedOccurrences;
    std::int32_t OccurrenceCounter = 0;  // never stored
    std::int32_t SeriesEndKnown = 0;
    CPackedDateTime SeriesEnd;
    CPackedDateTime LastCheckTime;
    DateEntryProperties Properties;
    std::int32_t Spare = 0;
    // EKeepStored bits: what this entry, as a feed entry, leaves to the entry it updates.
    // Never stored; copied with the entry.
    std::uint32_t KeepStored = 0;

private:
    // Owns `store`, made for the entry alone.
    CDateEntry(std::unique_ptr<CRecordStore> store, LoadingTag);
    // The defaults of a new entry but for the clock and the GUID.
    void SetNewDates();
    void CopyFrom(const CDateEntry& other);
    // The values that are neither texts nor lists.
    void CopyValues(const CDateEntry& other);
    // Gives an entry whose own store was moved away a new one.
    void EnsureStore();
    // After its own store was moved to another entry.
    void ForgetStore();
};
