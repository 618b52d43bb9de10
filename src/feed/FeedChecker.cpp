#include "feed/FeedChecker.h"

#include "feed/FeedFormat.h"
#include "ical/SystemZones.h"
#include "ical/TimeZone.h"
#include "icalmap/IcalFeedReader.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "datetime/DateTime.h"
#include "feed/FeedReader.h"
#include "feed/FeedReporter.h"
#include "feed/FeedVocabulary.h"
#include "ini/IniDocument.h"
#include "ini/LineSplitter.h"
#include "platform/Platform.h"
#include "platform/Utf8.h"
#include "store/DateEntry.h"

namespace {

const std::string kGuidKey(CFeedVocabulary::kGuidKey);
// The English spelling of the dropped-occurrence keys, which the reader does not know.
constexpr std::string_view kEnglishDroppedPrefix = "DroppedOccurrence ";

// A key line as the parse reported it.
struct CRawKey {
    std::string key;
    std::string stored;  // the value as it stands in the file, escapes included
    std::size_t line;
    std::size_t repeats = 0;  // the line of the same key earlier in the section; 0 when none
};

// A section as the parse reported it, under its last header of that name.
struct CRawSection {
    std::string name;
    std::size_t line;
    std::vector<CRawKey> keys;
    std::unordered_map<std::string, std::size_t> last;  // key -> its last line in `keys`
    bool read = false;
};

std::string Quote(const std::string& text) {
    return "\"" + text + "\"";
}

std::string Bracket(const std::string& name) {
    return "[" + name + "]";
}

// "0xHH".
std::string HexByte(char byte) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X",
                  static_cast<unsigned int>(static_cast<unsigned char>(byte)));
    return text;
}

// "U+HHHH", with at least four digits.
std::string CodePointName(char32_t codePoint) {
    char text[16];
    std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned int>(codePoint));
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with upper-case hexadecimal digits; with
// `ignoreCase` lower-case digits pass too.
bool IsRegistryGuid(const std::string& text, bool ignoreCase) {
    if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
    for (std::size_t i = 1; i < 37; ++i) {
        const char c = text[i];
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (c != '-') return false;
        } else {
            const char digit =
                ignoreCase ? static_cast<char>(std::toupper(static_cast<unsigned char>(c))) : c;
            if (!IsUpperHex(digit)) return false;
        }
    }
    return true;
}

std::string ShowDate(const CDateTime& value) {
    return value.Format("%Y-%m-%d %H:%M:%S");
}

// One check: the text document's parse reports the lines, the feed reader's walk what it
// reads, drops and defaults; the run turns both into findings, and adds the judgements the
// reader does not make (GUID forms, unknown keys, sections never read, a missing GUID, an
// end before the start).
class CCheckRun : public CFeedReporter {
public:
    explicit CCheckRun(std::vector<CFeedFinding>& findings) : m_findings(findings) {}

    void Run(const std::string& text) {
        if (text.empty()) {
            Add(0, "", "",
                "The file is empty. The sync reports \"Feed file is empty\" and imports "
                "nothing.");
            return;
        }
        CIniDocument document;
        document.Parse(CheckByteOrderMark(text), this);
        CDateEntryArray entries;
        CStringArray removeGuids;
        CFeedReader::ReadDocument(document, entries, removeGuids, this);
        CheckUnreadSections();
        if (m_nDateEntries == 0 && m_nRemovals == 0) {
            Add(0, "", "",
                "The feed has neither a [DateEntry 0] nor a [Remove 0] section, so reading it "
                "yields nothing; with \"Replace all entries\" a sync then leaves the event file "
                "without date entries.");
        }
    }

    // --- The parse

    void OnSection(std::size_t line, std::string_view name, bool replaces) override {
        std::string section(name);
        if (replaces) {
            Add(line, section, "",
                "This section header repeats the one on line " +
                    std::to_string(Effective(section).line) +
                    ". Only the keys after the last of these headers are read; the keys under "
                    "the earlier one are lost.");
        }
        m_last[section] = m_sections.size();
        m_sections.push_back(CRawSection{std::move(section), line, {}, {}});
    }

    void OnKey(std::size_t line, std::string_view key, std::string_view stored,
               bool replaces) override {
        CRawSection& section = m_sections.back();
        CRawKey raw{std::string(key), std::string(stored), line};
        std::size_t& last = section.last[raw.key];
        if (replaces) raw.repeats = section.keys[last].line;
        last = section.keys.size();
        section.keys.push_back(std::move(raw));
    }

    void OnKeyOutsideSection(std::size_t line, std::string_view key) override {
        if (line == 1 && m_bUtf16Mark) return;  // explained by the byte-order mark
        Add(line, "", std::string(key),
            "This key line comes before the first section header, so it is ignored.");
    }

    void OnIgnoredLine(std::size_t line) override {
        if (line == 1 && m_bUtf16Mark) return;
        Add(line, m_sections.empty() ? "" : m_sections.back().name, "",
            "This line is neither a section header nor a key=value line, so it is ignored. "
            "(There is no comment syntax.)");
    }

    // --- The values that the reader does not read as written

    void OnIntegerWithoutDigits(const std::string& section, const std::string& key) override {
        // A StorageType without digits reads as 0, which OnStorageTypeReplaced reports.
        if (key == "StorageType") return;
        const CRawKey& raw = Key(key);
        Add(raw.line, section, key,
            "The value " + Quote(raw.stored) + " has no digits, so it reads as 0.");
    }

    void OnColorItemWithoutDigits(const std::string& section, const std::string& key,
                                  std::string_view item) override {
        Add(Key(key).line, section, key,
            "The colour item " + Quote(std::string(item)) + " has no digits, so it reads as 0.");
    }

    void OnColorTooShort(const std::string& section, const std::string& key) override {
        const CRawKey& raw = Key(key);
        Add(raw.line, section, key,
            "The colour " + Quote(raw.stored) +
                " has fewer than three numbers (red,green,blue), so it is ignored and the "
                "colour stays as it was.");
    }

    void OnDateTimeRefused(const std::string& section, const std::string& key,
                           EStorageParse refused, const CDateTime& result) override {
        const CRawKey& raw = Key(key);
        Add(raw.line, section, key,
            "The value " + Quote(raw.stored) +
                (refused == EStorageParse::InvalidDate
                     ? " does not read as a valid date (the numbers are taken as year, month, "
                       "day, hour, minute, second, as in 2024 05 17 08 30 00), so it becomes "
                     : " has a valid date but an invalid time of day, so it becomes ") +
                ShowDate(result) + ".");
    }

    // --- The reader's walk

    void OnDateEntrySection(const std::string& name) override {
        ++m_nDateEntries;
        for (const CRawKey* const key : StartSection(name)) {
            int number = 0;
            // Read or not, OnDroppedOccurrencesRead tells.
            if (CFeedVocabulary::ParseDroppedOccurrenceKey(key->key, number)) continue;
            if (CFeedVocabulary::FindKey(key->key) == nullptr) {
                ReportUnknownKey(*key, false);
            } else if (key->key == kGuidKey) {
                CheckGuid(*key);
            }
        }
    }

    void OnEmptyDroppedOccurrence(const std::string& section, const std::string& key,
                                  const CDateTime& dropped) override {
        Add(Key(key).line, section, key,
            "This dropped occurrence is empty, so the occurrence dropped is " + ShowDate(dropped) +
                ".");
    }

    void OnDroppedOccurrencesRead(const std::string& section, int count) override {
        for (const CRawKey& key : m_pCurrent->keys) {
            int number = 0;
            if (!IsLast(key) || !CFeedVocabulary::ParseDroppedOccurrenceKey(key.key, number) ||
                number < count) {
                continue;
            }
            Add(key.line, section, key.key,
                "This dropped occurrence is not read: dropped occurrences are read from " +
                    Quote(CFeedVocabulary::DroppedOccurrenceKey(0)) +
                    " up to the first missing number, and " +
                    Quote(CFeedVocabulary::DroppedOccurrenceKey(count)) + " is missing.");
        }
    }

    void OnStorageTypeReplaced(const std::string& section, int /*storageType*/) override {
        // Without a value of its own, the section has the one before it: for the first
        // section a new entry's 0, which is no fault of the feed.
        const CRawKey* const raw = FindKey("StorageType");
        if (raw == nullptr || CIniDocument::Unescape(raw->stored).empty()) return;
        Add(raw->line, section, raw->key,
            "StorageType " + Quote(raw->stored) +
                " is neither 1 nor 2; the entry is read with StorageType 1.");
    }

    void OnDateEntryRead(const std::string& section, const CDateEntry& entry) override {
        if (FindKey(kGuidKey) == nullptr) {
            const int n = m_nDateEntries - 1;
            Add(m_pCurrent->line, section, "",
                n == 0 ? "This date entry section has no \"GUID\" key. It gets a new GUID at "
                         "every reading, so each sync adds it to the event file again as a new "
                         "entry, and no removal section can name it."
                       : "This date entry section has no \"GUID\" key, so it keeps the GUID of " +
                             Bracket(CFeedVocabulary::DateEntrySection(n - 1)) +
                             ": both entries carry the same GUID.");
        }
        CheckDuration(section, entry);
    }

    void OnRemoveSection(const std::string& name) override {
        ++m_nRemovals;
        for (const CRawKey* const key : StartSection(name)) {
            if (key->key != kGuidKey) {
                ReportUnknownKey(*key, true);
            } else if (!CIniDocument::Unescape(key->stored).empty()) {
                CheckGuid(*key);
            }
        }
    }

    void OnRemovalWithoutGuid(const std::string& section) override {
        const CRawKey* const guid = FindKey(kGuidKey);
        Add(guid == nullptr ? m_pCurrent->line : guid->line, section,
            guid == nullptr ? "" : kGuidKey,
            "This removal section has no GUID, so it removes nothing.");
    }

private:
    void Add(std::size_t line, const std::string& section, const std::string& key,
             std::string message) {
        m_findings.push_back(
            CFeedFinding{static_cast<int>(line), section, key, std::move(message)});
    }

    // Reports a byte-order mark and returns the text as the reader parses it.
    std::string CheckByteOrderMark(const std::string& text) {
        if (std::string_view(text).starts_with(CIniDocument::kUtf8Mark)) {
            Add(1, "", "",
                "The file begins with a UTF-8 byte-order mark, so it is read as UTF-8 text and "
                "converted to the ANSI code page.");
            CheckLostCharacters(std::string_view(text).substr(CIniDocument::kUtf8Mark.size()));
            return CIniDocument::DecodeFileText(std::string(text));
        }
        if (text.rfind("\xFF\xFE", 0) == 0 || text.rfind("\xFE\xFF", 0) == 0) {
            m_bUtf16Mark = true;
            Add(1, "", "",
                "The file begins with a UTF-16 byte-order mark. Feeds are read as single-byte "
                "ANSI text, so nothing in this file reads as intended. Save the feed as ANSI "
                "text.");
        }
        return text;
    }

public:
    // Names, line by line, what the conversion of UTF-8 `text` turns into '?': characters
    // the ANSI code page lacks and bytes that are no well-formed UTF-8.
    void CheckLostCharacters(std::string_view text) {
        CLineSplitter lines(text);
        std::string_view raw;
        while (lines.Next(raw)) CheckLostCharacters(raw, lines.GetLineNumber());
    }

    // The same for an iCalendar text, by its unfolded lines (a publisher may fold a line
    // inside a character), each reported at the line it begins on.
    void CheckLostCharactersUnfolded(std::string_view text) {
        if (text.starts_with(CIniDocument::kUtf8Mark))
            text.remove_prefix(CIniDocument::kUtf8Mark.size());
        CLineSplitter lines(text);
        std::string_view raw;
        std::string logical;
        std::size_t first = 0;
        while (lines.Next(raw)) {
            if (!raw.empty() && (raw.front() == ' ' || raw.front() == '\t') && first != 0) {
                logical += raw.substr(1);
                continue;
            }
            if (first != 0) CheckLostCharacters(logical, first);
            logical = raw;
            first = lines.GetLineNumber();
        }
        if (first != 0) CheckLostCharacters(logical, first);
    }

private:
    void CheckLostCharacters(std::string_view raw, std::size_t line) {
        CPlatform& platform = CPlatform::Current();
        {
            std::vector<char32_t> characters;
            std::string characterList;
            std::string byteList;
            for (std::size_t i = 0; i < raw.size();) {
                char32_t codePoint = 0;
                const std::size_t length = CUtf8::Decode(raw, i, codePoint);
                if (length == 0) {
                    byteList += (byteList.empty() ? "" : ", ") + HexByte(raw[i]);
                    ++i;
                    continue;
                }
                const std::string character(raw.substr(i, length));
                i += length;
                if (codePoint < 0x80 || std::find(characters.begin(), characters.end(),
                                                  codePoint) != characters.end()) {
                    continue;
                }
                // Some systems make two '?' of a character beyond the Basic Multilingual Plane.
                const std::string converted = platform.Utf8ToAnsi(character);
                if (converted.find_first_not_of('?') != std::string::npos) continue;
                characters.push_back(codePoint);
                characterList += (characterList.empty() ? "" : ", ") + Quote(character) + " (" +
                                 CodePointName(codePoint) + ")";
            }
            if (!characterList.empty()) {
                Add(line, "", "",
                    "The ANSI code page lacks these characters of the UTF-8 text, so each reads "
                    "as \"?\": " +
                        characterList + ".");
            }
            if (!byteList.empty()) {
                Add(line, "", "",
                    "These bytes are not well-formed UTF-8, so each reads as \"?\": " + byteList +
                        ".");
            }
        }
    }

    CRawSection& Effective(const std::string& name) { return m_sections[m_last.at(name)]; }

    // Starts on a section that the reader reads: reports its repeated keys and returns the
    // key lines that count, in the order of the file.
    std::vector<const CRawKey*> StartSection(const std::string& name) {
        m_pCurrent = &Effective(name);
        m_pCurrent->read = true;
        std::vector<const CRawKey*> counting;
        for (const CRawKey& key : m_pCurrent->keys) {
            ReportRepeat(key);
            if (IsLast(key)) counting.push_back(&key);
        }
        return counting;
    }

    // The last line of `key` in the section being read; nullptr when there is none.
    const CRawKey* FindKey(const std::string& key) const {
        const auto found = m_pCurrent->last.find(key);
        return found == m_pCurrent->last.end() ? nullptr : &m_pCurrent->keys[found->second];
    }

    // The key line whose value a getter of the section being read has just converted.
    const CRawKey& Key(const std::string& key) const { return *FindKey(key); }

    // True for the line of `key` that counts in the section being read.
    bool IsLast(const CRawKey& key) const { return FindKey(key.key) == &key; }

    void ReportRepeat(const CRawKey& key) {
        if (key.repeats == 0) return;
        Add(key.line, m_pCurrent->name, key.key,
            "This key repeats the one on line " + std::to_string(key.repeats) +
                " in the same section; only the value on the last of these lines counts.");
    }

    void ReportUnknownKey(const CRawKey& key, bool removal) {
        std::string message = removal ? "A removal section uses only \"GUID\"; this key is "
                                        "ignored."
                                      : "This is not a key of a date entry; it is ignored.";
        const std::string trimmed(CIniDocument::TrimWhiteSpace(key.key));
        const std::string lower = Lower(trimmed);
        int number = 0;
        if (!removal && CFeedVocabulary::ParseNumbered(trimmed, kEnglishDroppedPrefix, number)) {
            message += " Dropped occurrences are spelt \"" +
                       CFeedVocabulary::DroppedOccurrenceKey(number) + "\".";
        } else if (trimmed != key.key &&
                   (removal ? trimmed == kGuidKey : CFeedVocabulary::FindKey(trimmed) != nullptr)) {
            message +=
                " The spaces around \"=\" belong to the key; write \"" + trimmed + "=value\".";
        } else if (removal ? lower == "guid" : false) {
            message += " Key names are case-sensitive: write \"GUID\".";
        } else if (!removal) {
            for (const CFeedKey& known : CFeedVocabulary::GetKeys()) {
                if (lower == Lower(known.name)) {
                    message +=
                        " Key names are case-sensitive: write \"" + std::string(known.name) + "\".";
                    break;
                }
            }
        }
        Add(key.line, m_pCurrent->name, key.key, message);
    }

    void CheckGuid(const CRawKey& key) {
        const std::string guid = CIniDocument::Unescape(key.stored);
        if (IsRegistryGuid(guid, false)) return;
        if (IsRegistryGuid(guid, true)) {
            Add(key.line, m_pCurrent->name, key.key,
                "The GUID " + Quote(key.stored) +
                    " has lower-case letters. GUIDs are compared exactly, so it does not match "
                    "the upper-case GUID under which the event file keeps the entry.");
            return;
        }
        Add(key.line, m_pCurrent->name, key.key,
            "The value " + Quote(key.stored) +
                " is not a GUID of the form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} with "
                "upper-case hexadecimal digits, so it matches no entry of the event file.");
    }

    // The entry's start, end and ShowEnd are those the reader ended up with, values of
    // earlier sections carried over.
    void CheckDuration(const std::string& section, const CDateEntry& entry) {
        DateEntryProperties read;
        entry.GetProperties(read);
        if (read.ShowEnd == 0 || !(read.EndDate < read.StartDate)) return;
        std::size_t line = m_pCurrent->line;
        std::string key;
        for (const char* name : {"EndDate", "StartDate", "ShowEnd"}) {
            if (const CRawKey* const found = FindKey(name)) {
                line = found->line;
                key = name;
                break;
            }
        }
        Add(line, section, key,
            "EndDate " + ShowDate(read.EndDate) + " lies before StartDate " +
                ShowDate(read.StartDate) +
                " while ShowEnd is set, so the occurrences would end before they start. "
                "(Values missing from this section are those of the section before it, or of a "
                "new entry, whose dates are the time of reading.)");
    }

    // Sections that the reader never looked at.
    void CheckUnreadSections() {
        for (const auto& [name, index] : m_last) {
            const CRawSection& section = m_sections[index];
            if (section.read) continue;
            int number = 0;
            if (CFeedVocabulary::ParseDateEntrySection(name, number)) {
                Add(section.line, name, "",
                    "This section is not read: date entry sections are read from [DateEntry 0] "
                    "up to the first missing number, and " +
                        Bracket(CFeedVocabulary::DateEntrySection(m_nDateEntries)) +
                        " is missing.");
            } else if (CFeedVocabulary::ParseRemoveSection(name, number)) {
                Add(section.line, name, "",
                    "This section is not read: removal sections are read from [Remove 0] up to "
                    "the first missing number, and " +
                        Bracket(CFeedVocabulary::RemoveSection(m_nRemovals)) + " is missing.");
            } else {
                const std::string lower = Lower(name);
                const bool dateLike = lower.find("dateentry") != std::string::npos ||
                                      lower.find("date entry") != std::string::npos;
                const bool removeLike = lower.find("remove") != std::string::npos;
                Add(section.line, name, "",
                    dateLike     ? "This section is never read: date entry sections are named "
                                   "exactly \"DateEntry N\", one space, N from 0 without leading "
                                   "zeros."
                    : removeLike ? "This section is never read: removal sections are named "
                                   "exactly \"Remove N\", one space, N from 0 without leading "
                                   "zeros."
                                 : "This is neither a date entry nor a removal section, so it "
                                   "is ignored.");
            }
        }
    }

    std::vector<CFeedFinding>& m_findings;
    bool m_bUtf16Mark = false;
    std::vector<CRawSection> m_sections;
    std::unordered_map<std::string, std::size_t> m_last;  // name -> last raw section
    CRawSection* m_pCurrent = nullptr;                    // the section being read
    int m_nDateEntries = 0;                               // date entry sections read
    int m_nRemovals = 0;                                  // removal sections read
};

}  // namespace

std::string CFeedFinding::Format() const {
    std::string text = line > 0 ? "Line " + std::to_string(line) : std::string("File");
    // Names are ANSI text like the whole document; a terminal expects UTF-8.
    CPlatform& platform = CPlatform::Current();
    if (!section.empty()) text += ", section " + Bracket(platform.AnsiToUtf8(section));
    if (!key.empty()) text += ", key " + Quote(platform.AnsiToUtf8(key));
    return text + ": " + message;
}

int CFeedChecker::CheckFile(const std::string& path) {
    m_findings.clear();
    std::string text;
    std::uint64_t length = 0;
    if (!CIniDocument::ReadWholeFile(path, text, length)) return kUnreadable;
    return CheckText(text);
}

int CFeedChecker::CheckText(const std::string& text) {
    m_findings.clear();
    if (CFeedFormat::IsICalendar(text)) {
        CDateEntryArray entries;
        std::vector<CIcalFeedFinding> findings;
        CPlatform& platform = CPlatform::Current();
        const std::unique_ptr<CTimeZone> local = CSystemZones::Local(platform);
        if (!CIcalFeedReader::Read(text, CDateTime::Now(), *local, platform, entries, findings)) {
            m_findings.push_back({0, {}, {}, "incomplete file: nothing imported, nothing removed"});
        }
        for (CIcalFeedFinding& finding : findings) {
            m_findings.push_back({finding.line, {}, {}, std::move(finding.text)});
        }
        CCheckRun(m_findings).CheckLostCharactersUnfolded(text);
    } else {
        CCheckRun(m_findings).Run(text);
    }
    std::stable_sort(m_findings.begin(), m_findings.end(),
                     [](const CFeedFinding& a, const CFeedFinding& b) { return a.line < b.line; });
    return m_findings.empty() ? kClean : kFindings;
}
