#include "feed/FeedReader.h"

#include "feed/FeedVocabulary.h"
#include "feed/IniDocument.h"

int CFeedReader::ReadFeed(const std::string& path, CDateEntryArray& entries,
                          CStringArray& removeGuids) {
    CIniDocument document;
    if (!document.Load(path)) return -1;
    if (document.GetLoadedLength() == 0) return -2;

    entries.RemoveAll();
    removeGuids.RemoveAll();

    CDateEntry working;
    for (int n = 0;; ++n) {
        const std::string section = CFeedVocabulary::DateEntrySection(n);
        if (!document.HasSection(section)) break;
        // Properties carry over from section to section; the occurrence lists do not, or
        // one entry's dropped occurrences would drop real occurrences of the next.
        if (n > 0) working.ResetOccurrenceState();
        working.LoadFromFeed(document, section);
        if (working.GetStorageType() != 1 && working.GetStorageType() != 2) {
            working.SetStorageType(1);
        }
        entries.Add(working);
    }

    for (int n = 0;; ++n) {
        const std::string section = CFeedVocabulary::RemoveSection(n);
        if (!document.HasSection(section)) break;
        std::string guid = document.GetString(section, "GUID", std::string());
        if (!guid.empty()) removeGuids.Add(std::move(guid));
    }
    return 0;
}
