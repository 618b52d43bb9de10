#include "feed/FeedReader.h"

#include <cstddef>
#include <memory>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "feed/FeedFormat.h"
#include "ical/SystemZones.h"
#include "icalmap/IcalFeedReader.h"
#include "platform/Platform.h"

#include "feed/FeedReporter.h"
#include "feed/FeedSection.h"
#include "feed/FeedVocabulary.h"
#include "ini/IniDocument.h"

int CFeedReader::ReadFeed(const std::string& path, CDateEntryArray& entries,
                          CStringArray& removeGuids, bool* outOfMemory, bool* wholeCalendar,
                          bool* incomplete, std::string* notAFeedReason) {
    if (outOfMemory != nullptr) *outOfMemory = false;
    if (incomplete != nullptr) *incomplete = false;
    bool calendar = false;
    bool broken = false;
    try {
        // Read aside, so that a failure part-way leaves the caller's lists as they were; the
        // caller's growth steps go with the lists that replace them.
        CDateEntryArray readEntries;
        CStringArray readGuids;
        readEntries.SetGrowBy(entries.GetGrowBy());
        readGuids.SetSize(0, removeGuids.GetGrowBy());
        std::string reason;
        const int result = ReadInto(path, readEntries, readGuids, calendar, broken, reason);
        if (incomplete != nullptr) *incomplete = broken;
        if (notAFeedReason != nullptr && result == kNotAFeed) *notAFeedReason = std::move(reason);
        if (result == kRead) {
            std::swap(entries, readEntries);
            std::swap(removeGuids, readGuids);
            if (wholeCalendar != nullptr) *wholeCalendar = calendar;
        }
        return result;
    } catch (const std::bad_alloc&) {
        if (outOfMemory != nullptr) *outOfMemory = true;
        return kCantOpen;
    }
}

int CFeedReader::ReadInto(const std::string& path, CDateEntryArray& entries,
                          CStringArray& removeGuids, bool& wholeCalendar, bool& incomplete,
                          std::string& notAFeedReason) {
    std::string text;
    std::uint64_t length = 0;
    if (!CIniDocument::ReadWholeFile(path, text, length)) return kCantOpen;
    if (length == 0) return kEmpty;
    if (CFeedFormat::IsICalendar(text)) {
        CPlatform& platform = CPlatform::Current();
        const std::unique_ptr<CTimeZone> local = CSystemZones::Local(platform);
        std::vector<CIcalFeedFinding> findings;
        if (!CIcalFeedReader::Read(text, CDateTime::Now(), *local, platform, entries, findings)) {
            incomplete = true;
            return kCantOpen;
        }
        wholeCalendar = true;
        return kRead;
    }
    const std::string head = text.substr(0, CFeedFormat::kShownBytes + 1);
    CIniDocument document;
    document.Parse(CIniDocument::DecodeFileText(std::move(text)));
    if (document.GetSectionCount() == 0) {
        notAFeedReason = CFeedFormat::NotAFeedReason(head);
        return kNotAFeed;
    }
    ReadDocument(document, entries, removeGuids);
    return kRead;
}

void CFeedReader::ReadDocument(const CIniDocument& document, CDateEntryArray& entries,
                               CStringArray& removeGuids, CFeedReporter* reporter) {
    std::vector<std::size_t> dateEntrySections;
    for (int n = 0;; ++n) {
        const std::size_t found = document.FindSection(CFeedVocabulary::DateEntrySection(n));
        if (found == CIniDocument::kNoSection) break;
        dateEntrySections.push_back(found);
    }
    // The array's own growth step (at most 1024 elements) would move every entry read so far
    // once per step: one block for the whole read keeps the read linear.
    entries.EnsureCapacity(entries.GetSize() + static_cast<int>(dateEntrySections.size()));

    // Made in the array's store: the texts it reads are those of the entries added.
    CDateEntry working(entries.GetStore());
    CFeedSection values;
    std::string section;  // the name, for the reporter only
    for (std::size_t n = 0; n < dateEntrySections.size(); ++n) {
        if (reporter != nullptr) {
            section = CFeedVocabulary::DateEntrySection(static_cast<int>(n));
            reporter->OnDateEntrySection(section);
        }
        // Properties carry over from section to section; the occurrence lists do not, or
        // one entry's dropped occurrences would drop real occurrences of the next.
        if (n > 0) working.ResetOccurrenceState();
        values.Gather(document, dateEntrySections[n]);
        working.LoadFromFeed(values, section, reporter);
        if (working.GetStorageType() != kStorageTypeProperties &&
            working.GetStorageType() != kStorageTypeWithReminders) {
            if (reporter != nullptr) {
                reporter->OnStorageTypeReplaced(section, working.GetStorageType());
            }
            working.SetStorageType(kStorageTypeProperties);
        }
        if (reporter != nullptr) reporter->OnDateEntryRead(section, working);
        entries.Add(working);
    }

    for (int n = 0;; ++n) {
        section = CFeedVocabulary::RemoveSection(n);
        const std::size_t found = document.FindSection(section);
        if (found == CIniDocument::kNoSection) break;
        if (reporter != nullptr) reporter->OnRemoveSection(section);
        bool hasGuid = false;
        std::string_view stored;
        document.ForEachKeyLine(found, [&](std::string_view key, std::string_view value) {
            if (key == CFeedVocabulary::kGuidKey) {
                hasGuid = true;
                stored = value;
            }
        });
        std::string guid = hasGuid ? CIniDocument::Unescape(stored) : std::string();
        if (!guid.empty()) {
            removeGuids.Add(std::move(guid));
        } else if (reporter != nullptr) {
            reporter->OnRemovalWithoutGuid(section);
        }
    }
}
