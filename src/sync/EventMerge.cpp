#include "sync/EventMerge.h"

#include <memory>
#include <new>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "archive/Archive.h"
#include "platform/Platform.h"
#include "store/EventData.h"
#include "sync/EntrySnapshot.h"
#include "sync/GuidIndex.h"

namespace {

// Whether the stored entry keeps its own value of a group that the feed entry leaves to it:
// not where it holds the default that the last import gave.
bool Keeps(const CDateEntry& feedEntry, std::uint32_t group, const SImportedDefaults* replaced,
           bool holdsDefault) {
    return (feedEntry.KeepStored & group) != 0 && (replaced == nullptr || !holdsDefault);
}

// The feed entry's properties, with what it leaves to the stored entry taken from that, its
// texts in the stored entry's store.
DateEntryProperties KeepStoredChoices(const CDateEntry& storedEntry, const CDateEntry& feedEntry,
                                      const SImportedDefaults* replaced) {
    const DateEntryProperties& stored = storedEntry.Properties;
    DateEntryProperties taken =
        storedEntry.ImportProperties(feedEntry.Properties, feedEntry.GetStore());
    const SImportedDefaults none;
    const SImportedDefaults& defaults = replaced != nullptr ? *replaced : none;
    const bool wholeDay = feedEntry.Properties.ShowStartTime == 0;
    if (Keeps(feedEntry, kKeepReminders, replaced,
              CImportChoices::ReminderMinutes(stored) ==
                  (wholeDay ? defaults.AllDayReminder : defaults.Reminder))) {
        taken.Forewarn = stored.Forewarn;
        taken.ForewarnSpan = stored.ForewarnSpan;
        taken.ForewarnUnit = stored.ForewarnUnit;
        taken.ForewarnSilent = stored.ForewarnSilent;
        taken.SnoozeSpan = stored.SnoozeSpan;
        taken.SnoozeUnit = stored.SnoozeUnit;
        taken.SnoozeType = stored.SnoozeType;
        taken.OverdueAction = stored.OverdueAction;
        taken.ExecuteSpan = stored.ExecuteSpan;
        taken.ExecuteUnit = stored.ExecuteUnit;
        taken.Action = stored.Action;
        taken.Sound = stored.Sound;
        taken.SoundFile = stored.SoundFile;
        taken.SoundRepeatEndless = stored.SoundRepeatEndless;
        taken.SoundRepeatCount = stored.SoundRepeatCount;
    }
    if (Keeps(feedEntry, kKeepColors, replaced, stored.BgColor == defaults.BgColor)) {
        taken.BgColor = stored.BgColor;
        taken.TextColor = stored.TextColor;
    }
    if (Keeps(feedEntry, kKeepCategory, replaced, stored.Category.View() == defaults.Category)) {
        taken.Category = stored.Category;
    }
    return taken;
}

}  // namespace

bool CEventMerge::MergeFeed(CPlatform& platform, const std::string& path,
                            const CDateEntryArray& feed, const CStringArray& removeGuids,
                            int syncMode, SMergeCounts* counts, const SImportedDefaults* replaced) {
    SMergeCounts ignored;
    SMergeCounts& report = counts != nullptr ? *counts : ignored;
    report = SMergeCounts();
    try {
        CEventData data;
        {
            const std::unique_ptr<CFile> file = platform.OpenFile(path, EFileOpen::Read);
            if (!file) {
                report.failure = "cannot open the temporary copy of the event file";
                return false;
            }
            if (syncMode == kAddAndUpdate) {
                CArchive ar(*file, CArchive::load);
                // Room for every feed entry to be appended, so that no append moves the list.
                data.Load(ar, feed.GetSize());
            }
        }

        SMergeCounts done;
        ApplyFeed(data, feed, removeGuids, &done, replaced);

        const std::unique_ptr<CFile> file = platform.OpenFile(path, EFileOpen::WriteExclusive);
        if (!file) {
            report.failure = "cannot write the temporary copy of the event file";
            return false;
        }
        CArchive ar(*file, CArchive::store);
        data.Save(ar);
        report = done;
        return true;
    } catch (const CArchiveException& e) {
        report.failure = e.GetCause() == CArchiveException::genericException
                             ? "the file system failed on the temporary copy of the event file"
                             : "cause " + std::to_string(e.GetCause()) + ": " +
                                   e.GetErrorMessage("the event file");
        return false;
    } catch (const std::bad_alloc&) {
        report.failure = "not enough memory";
        return false;
    }
}

void CEventMerge::ApplyFeed(CEventData& data, const CDateEntryArray& feed,
                            const CStringArray& removeGuids, SMergeCounts* counts,
                            const SImportedDefaults* replaced) {
    CDateEntryArray& entries = data.DateEntries2;
    SMergeCounts done;

    // Updates never change a GUID and appends go to the end, so the first position of a GUID
    // stays what a search from the start would find until the removals.
    CGuidIndex firstIndex(entries);
    firstIndex.Build(feed.GetSize());
    for (const CDateEntry& feedEntry : feed) {
        const int found = firstIndex.Find(feedEntry.GetGuid());
        if (found >= 0) {
            CDateEntry& stored = entries[found];
            const CEntrySnapshot before(stored);
            UpdateEntry(stored, feedEntry, replaced);
            ++(before.KeepIfUnchanged(stored) ? done.unchanged : done.updated);
        } else {
            firstIndex.Add(entries.Add(feedEntry));
            ++done.added;
        }
    }

    done.removed = RemoveFirstMatches(entries, removeGuids);
    done.entries = data.DateEntries1.GetSize() + entries.GetSize();
    if (counts != nullptr) *counts = done;
}

void CEventMerge::UpdateEntry(CDateEntry& stored, const CDateEntry& feedEntry,
                              const SImportedDefaults* replaced) {
    stored.ApplyProperties(KeepStoredChoices(stored, feedEntry, replaced));
    if (feedEntry.GetStorageType() == kStorageTypeWithReminders) {
        stored.MergeOccurrenceState(feedEntry, true);
    }
    stored.TakeDroppedOccurrences(feedEntry);
}

// Removing the first entry with a GUID once per removal GUID, in order, removes for each GUID
// its first k entries, k being the number of removal GUIDs equal to it; removals for other
// GUIDs do not change which entries those are. So one compacting pass gives the same list
// as removing one entry at a time, without moving the tail once per removal.
int CEventMerge::RemoveFirstMatches(CDateEntryArray& entries, const CStringArray& removeGuids) {
    if (removeGuids.IsEmpty() || entries.IsEmpty()) return 0;
    // Keyed by views of the removal GUIDs, which outlive the map.
    std::unordered_map<std::string_view, int> pending;
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
    return size - kept;
}
