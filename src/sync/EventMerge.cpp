#include "sync/EventMerge.h"

#include <memory>
#include <new>
#include <unordered_map>
#include <utility>

#include "platform/Platform.h"
#include "archive/Archive.h"
#include "store/EventData.h"
#include "sync/GuidIndex.h"

bool CEventMerge::MergeFeed(const std::string& path, const CDateEntryArray& feed,
                            const CStringArray& removeGuids, int syncMode) {
    CPlatform& platform = CPlatform::Current();
    try {
        CEventData data;
        {
            const std::unique_ptr<CFile> file = platform.OpenFile(path, EFileOpen::Read);
            if (!file) return false;
            if (syncMode == kAddAndUpdate) {
                CArchive ar(*file, CArchive::load);
                // Room for every feed entry to be appended, so that no append moves the list.
                data.Load(ar, feed.GetSize());
            }
        }

        ApplyFeed(data, feed, removeGuids);

        const std::unique_ptr<CFile> file = platform.OpenFile(path, EFileOpen::WriteExclusive);
        if (!file) return false;
        CArchive ar(*file, CArchive::store);
        data.Save(ar);
        return true;
    } catch (const CArchiveException&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void CEventMerge::ApplyFeed(CEventData& data, const CDateEntryArray& feed,
                            const CStringArray& removeGuids) {
    CDateEntryArray& entries = data.DateEntries2;

    // Updates never change a GUID and appends go to the end, so the first position of a GUID
    // stays what a search from the start would find until the removals.
    CGuidIndex firstIndex(entries);
    firstIndex.Build(feed.GetSize());
    for (const CDateEntry& feedEntry : feed) {
        const int found = firstIndex.Find(feedEntry.GetGuid());
        if (found >= 0) {
            UpdateEntry(entries[found], feedEntry);
        } else {
            firstIndex.Add(entries.Add(feedEntry));
        }
    }

    RemoveFirstMatches(entries, removeGuids);
}

void CEventMerge::UpdateEntry(CDateEntry& stored, const CDateEntry& feedEntry) {
    // ApplyProperties only reads the record, so the feed entry's own one serves.
    stored.ApplyProperties(feedEntry.Properties);
    if (feedEntry.GetStorageType() == 2) stored.MergeOccurrenceState(feedEntry, true);

    for (int i = 0; i < stored.GetDroppedOccurrenceCount();) {
        const CDateTime occurrence = stored.GetDroppedOccurrence(i);
        if (feedEntry.IsOccurrenceDropped(occurrence)) {
            ++i;
            continue;
        }
        const int before = stored.GetDroppedOccurrenceCount();
        stored.RestoreOccurrence(occurrence);
        if (stored.GetDroppedOccurrenceCount() == before) ++i;  // never loop on a stuck list
    }
    for (int i = 0; i < feedEntry.GetDroppedOccurrenceCount(); ++i) {
        stored.DropOccurrence(feedEntry.GetDroppedOccurrence(i));
    }
}

// Removing the first entry with a GUID once per removal GUID, in order, removes for each GUID
// its first k entries, k being the number of removal GUIDs equal to it; removals for other
// GUIDs do not change which entries those are. So one compacting pass gives the same list
// as removing one entry at a time, without moving the tail once per removal.
void CEventMerge::RemoveFirstMatches(CDateEntryArray& entries, const CStringArray& removeGuids) {
    if (removeGuids.IsEmpty() || entries.IsEmpty()) return;
    std::unordered_map<std::string, int> pending;
    pending.reserve(static_cast<std::size_t>(removeGuids.GetSize()));
    for (const std::string& guid : removeGuids) ++pending[guid];

    const int size = entries.GetSize();
    int kept = 0;
    for (int i = 0; i < size; ++i) {
        const auto found = pending.find(entries[i].GetGuid());
        if (found != pending.end() && found->second > 0) {
            --found->second;
            continue;
        }
        if (kept != i) entries[kept] = std::move(entries[i]);
        ++kept;
    }
    if (kept < size) entries.RemoveAt(kept, size - kept);
}
