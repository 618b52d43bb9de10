// Feed reading with the merge, and the feed checker, on one feed text:
//   - the checker's findings come in line order, on lines the text has, and "clean" means
//     that the reader took at least one section, every date entry with a GUID in registry
//     form;
//   - merged twice into an empty event file (a first sync, then the same feed again), the
//     second list holds each feed GUID once unless a removal section names it, and nothing
//     else, and the merged file survives a save and load with the same bytes.

#include <cctype>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "EventBytes.h"
#include "FuzzCheck.h"
#include "FuzzPlatform.h"
#include "feed/FeedChecker.h"
#include "feed/FeedReader.h"
#include "store/EventData.h"
#include "sync/EventMerge.h"

namespace {

const std::string kFeedPath = "fuzz-feed.ini";

// Lines as the checker counts them: CR LF, LF and a lone CR each end one.
int CountLines(const std::string& text) {
    int lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            ++lines;
        }
    }
    return lines;
}

bool IsRegistryGuid(std::string_view guid) {
    if (guid.size() != 38 || guid.front() != '{' || guid.back() != '}') return false;
    for (std::size_t i = 1; i < 37; ++i) {
        const bool hyphen = i == 9 || i == 14 || i == 19 || i == 24;
        const char c = guid[i];
        if (hyphen ? c != '-'
                   : !(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F'))) {
            return false;
        }
    }
    return true;
}

void CheckChecker(const std::string& text, const CDateEntryArray& entries,
                  const CStringArray& removeGuids) {
    CFeedChecker checker;
    const int result = checker.CheckText(text);
    const std::vector<CFeedFinding>& findings = checker.GetFindings();
    FUZZ_CHECK(result == (findings.empty() ? CFeedChecker::kClean : CFeedChecker::kFindings));
    const int lines = CountLines(text);
    for (std::size_t i = 0; i < findings.size(); ++i) {
        FUZZ_CHECK(findings[i].line >= 0 && findings[i].line <= lines);
        FUZZ_CHECK(i == 0 || findings[i - 1].line <= findings[i].line);
        FUZZ_CHECK(!findings[i].message.empty());
    }
    if (result != CFeedChecker::kClean) return;
    FUZZ_CHECK(entries.GetSize() + removeGuids.GetSize() > 0);
    for (const CDateEntry& entry : entries) FUZZ_CHECK(IsRegistryGuid(entry.GetGuid()));
}

void CheckMerged(const CEventData& data, const CDateEntryArray& entries,
                 const CStringArray& removeGuids) {
    std::map<std::string, int> expected;
    for (const CDateEntry& entry : entries) expected[std::string(entry.GetGuid())] = 1;
    for (const std::string& guid : removeGuids) expected.erase(guid);
    std::map<std::string, int> stored;
    for (const CDateEntry& entry : data.DateEntries2) ++stored[std::string(entry.GetGuid())];
    FUZZ_CHECK(stored == expected);
    FUZZ_CHECK(data.DateEntries1.GetSize() == 0 && data.TodoEntries.GetSize() == 0);

    const std::vector<std::uint8_t> saved = SaveEventBytes(data);
    CEventData reloaded;
    FUZZ_CHECK(LoadEventBytes(saved, reloaded));
    FUZZ_CHECK(SaveEventBytes(reloaded) == saved);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CFuzzPlatform platform;
    const std::string text(reinterpret_cast<const char*>(data), size);
    platform.SetMemoryFile(kFeedPath, text);

    CDateEntryArray entries;
    CStringArray removeGuids;
    const int read = CFeedReader::ReadFeed(kFeedPath, entries, removeGuids);
    // A text without a section header is refused whole, leaving both lists empty.
    FUZZ_CHECK(text.empty() ? read == -2 : read == 0 || read == CFeedReader::kNotAFeed);
    if (read == CFeedReader::kNotAFeed) {
        FUZZ_CHECK(entries.GetSize() == 0 && removeGuids.GetSize() == 0);
        return 0;
    }
    CheckChecker(text, entries, removeGuids);
    if (read != 0) return 0;

    CEventData merged;
    CEventMerge::ApplyFeed(merged, entries, removeGuids);
    CheckMerged(merged, entries, removeGuids);
    CEventMerge::ApplyFeed(merged, entries, removeGuids);
    CheckMerged(merged, entries, removeGuids);
    return 0;
}
