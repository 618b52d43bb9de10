// Applying one feed (date entries and removal GUIDs) to one event file.
#pragma once

#include <string>

#include "archive/Array.h"
#include "store/DateEntryArray.h"
#include "sync/ImportChoices.h"

class CEventData;
class CPlatform;

// What one merge did, for reports.
struct SMergeCounts {
    int added = 0;  // feed entries appended to DateEntries2
    // Feed entries that found a stored entry and changed its record (the same entry may count
    // twice), and those that found one and left it as it was (CEntrySnapshot): each feed entry
    // is counted once, as added, updated or unchanged.
    int updated = 0;
    int unchanged = 0;
    int removed = 0;  // stored entries that removal GUIDs deleted
    int entries = 0;  // date entries of both lists after the merge
    // Why MergeFeed returned false, for a person: "cause N: <archive cause text>" for damaged
    // content, otherwise what failed; empty after success.
    std::string failure;
};

class CEventMerge {
public:
    // Sync modes: 0 adds and updates entries; any other value replaces all entries, and the
    // program itself writes 1 for that.
    static constexpr int kAddAndUpdate = 0;
    static constexpr int kReplaceAll = 1;

    // Merges the feed into the event file at `path`, opened through `platform`, and writes
    // the result back to it.
    //
    // Add and update (`syncMode` 0): loads the file; each feed entry, in order, updates the
    // first entry of DateEntries2 with the same GUID (exact text) or is appended to it; then
    // each removal GUID removes the first entry of DateEntries2 that still has it. The header
    // number, DateEntries1 and the to-do list pass through. Replace (any other mode): the
    // old content is not read; the file becomes header 100, an empty first list, the feed
    // applied to an empty second list, and no to-do entries.
    //
    // True: the file now holds the complete merged event file. False: the file could not be
    // opened for reading, its content is damaged (add and update only), it could not be
    // opened for writing, or the file system or the memory failed while loading, merging or
    // saving (CArchiveException of any cause, std::bad_alloc). Until the merged data is
    // complete in memory the file is only read, so a failure up to then leaves it exactly as
    // it was; after a failure while writing it holds a part of the result, which the caller
    // must not use. The file is closed on return. `counts`, when given, is overwritten with
    // what the merge did (the counts only on success, the failure text only on failure).
    // `replaced`, when given: the defaults that the feed's last import gave, which a stored
    // entry's value that the feed entry leaves to it (KeepStored) does not count as the
    // user's own: equal to them, it takes the feed entry's value.
    static bool MergeFeed(CPlatform& platform, const std::string& path, const CDateEntryArray& feed,
                          const CStringArray& removeGuids, int syncMode,
                          SMergeCounts* counts = nullptr,
                          const SImportedDefaults* replaced = nullptr);

    // The merge on loaded data: the updates and appends, then the removals, exactly as
    // MergeFeed applies them. Time linear in the size of the feed, the removals and
    // DateEntries2 (GUIDs are looked up through a hash index). `counts`, when given, is
    // overwritten with what was done.
    static void ApplyFeed(CEventData& data, const CDateEntryArray& feed,
                          const CStringArray& removeGuids, SMergeCounts* counts = nullptr,
                          const SImportedDefaults* replaced = nullptr);

private:
    // Takes the feed entry's properties (but those its KeepStored leaves as they are), for
    // StorageType 2 its reminder state, and makes the stored entry's dropped occurrences
    // those of the feed entry.
    static void UpdateEntry(CDateEntry& stored, const CDateEntry& feedEntry,
                            const SImportedDefaults* replaced);
    // Returns the number of entries removed.
    static int RemoveFirstMatches(CDateEntryArray& entries, const CStringArray& removeGuids);
};
