#include "feed/FeedChecker.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "datetime/DateTime.h"
#include "feed/FeedVocabulary.h"
#include "feed/IniDocument.h"
#include "feed/StringTokenizer.h"
#include "platform/Platform.h"
#include "platform/Utf8.h"
#include "store/DateEntry.h"

namespace {

const std::string kDateEntryPrefix = "DateEntry ";
const std::string kRemovePrefix = "Remove ";
const std::string kDroppedPrefix = "DroppedOccurence ";

struct CRawKey {
    std::string key;
    std::string stored;  // the value as it stands in the file, escapes included
    int line;
};

struct CRawSection {
    std::string name;
    int line;
    std::vector<CRawKey> keys;
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

// Calls f(lineNumber, line) for every line; CR LF, LF and a lone CR each end one line.
template <class F>
void ForEachLine(std::string_view text, F&& f) {
    int line = 1;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c != '\r' && c != '\n') {
            ++i;
            continue;
        }
        f(line, text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        ++i;
        ++line;
        start = i;
    }
    if (start < text.size()) f(line, text.substr(start));
}

// True when `name` is exactly `prefix` followed by a number as "%d" writes a non-negative
// int; the number goes to `number`.
bool ParseNumbered(const std::string& name, const std::string& prefix, int& number) {
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) {
        return false;
    }
    const std::string_view digits = std::string_view(name).substr(prefix.size());
    if (digits.size() > 10 || (digits.size() > 1 && digits[0] == '0')) return false;
    std::int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > std::numeric_limits<int>::max()) return false;
    number = static_cast<int>(value);
    return true;
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

enum class EDateReading { Valid, BadDate, BadTime };

// How the storage reader takes `text`: up to six numbers between runs of separators.
EDateReading ReadDate(const std::string& text, CDateTime& result) {
    CStringTokenizer tokens(text, " \t:.,-/\\");
    int numbers[6] = {0, 0, 0, 0, 0, 0};
    for (int& number : numbers) {
        if (!tokens.HasMoreTokens()) break;
        std::string_view token = tokens.NextTokenView();
        if (!token.empty() && token[0] == '+') token.remove_prefix(1);
        std::uint32_t value = 0;
        for (const char c : token) {
            if (c < '0' || c > '9') break;
            value = value * 10u + static_cast<std::uint32_t>(c - '0');
        }
        number = static_cast<int>(static_cast<std::int32_t>(value));
    }
    result = CDateTime();
    if (!result.SetDate(numbers[0], numbers[1], numbers[2])) return EDateReading::BadDate;
    if (!result.SetTime(numbers[3], numbers[4], numbers[5])) return EDateReading::BadTime;
    return EDateReading::Valid;
}

std::string ShowDate(const CDateTime& value) {
    return value.Format("%Y-%m-%d %H:%M:%S");
}

class CCheckRun {
public:
    explicit CCheckRun(std::vector<CFeedFinding>& findings) : m_findings(findings) {}

    void Run(const std::string& text) {
        if (text.empty()) {
            Add(0, "", "",
                "The file is empty. The sync reports \"Feed file is empty\" and imports "
                "nothing.");
            return;
        }
        const std::string read = CheckByteOrderMark(text);
        Scan(read);
        m_document.Parse(read);
        const int dateEntries = CheckDateEntrySections();
        const int removals = CheckRemoveSections();
        CheckUnreadSections(dateEntries, removals);
        if (dateEntries == 0 && removals == 0) {
            Add(0, "", "",
                "The feed has neither a [DateEntry 0] nor a [Remove 0] section, so reading it "
                "yields nothing; with \"Replace all entries\" a sync then leaves the event file "
                "without date entries.");
        }
    }

private:
    void Add(int line, const std::string& section, const std::string& key, std::string message) {
        m_findings.push_back(CFeedFinding{line, section, key, std::move(message)});
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

    // Names, line by line, what the conversion of UTF-8 `text` turns into '?': characters
    // the ANSI code page lacks and bytes that are no well-formed UTF-8.
    void CheckLostCharacters(std::string_view text) {
        CPlatform& platform = CPlatform::Current();
        ForEachLine(text, [&](int line, std::string_view raw) {
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
        });
    }

    // The raw line scan: headers, key lines and ignored lines with their numbers.
    void Scan(const std::string& text) {
        std::unordered_map<std::string, int> headerLines;
        ForEachLine(text, [&](int line, std::string_view raw) {
            const std::string_view trimmed = CIniDocument::TrimWhiteSpace(raw);
            if (trimmed.empty()) return;
            if (CIniDocument::IsSectionHeader(trimmed)) {
                std::string name(trimmed.substr(1, trimmed.size() - 2));
                const auto [previous, first] = headerLines.emplace(name, line);
                if (!first) {
                    Add(line, name, "",
                        "This section header repeats the one on line " +
                            std::to_string(previous->second) +
                            ". Only the keys after the last of these headers are read; the "
                            "keys under the earlier one are lost.");
                    previous->second = line;
                }
                m_sections.push_back(CRawSection{name, line, {}});
                m_last[name] = m_sections.size() - 1;
                return;
            }
            const std::size_t equals = CIniDocument::FindEquals(trimmed);
            if (equals != std::string_view::npos && !m_sections.empty()) {
                m_sections.back().keys.push_back(CRawKey{std::string(trimmed.substr(0, equals)),
                                                         std::string(trimmed.substr(equals + 1)),
                                                         line});
                return;
            }
            if (line == 1 && m_bUtf16Mark) return;  // explained by the byte-order mark
            if (equals != std::string_view::npos) {
                Add(line, "", std::string(trimmed.substr(0, equals)),
                    "This key line comes before the first section header, so it is ignored.");
            } else {
                Add(line, m_sections.empty() ? "" : m_sections.back().name, "",
                    "This line is neither a section header nor a key=value line, so it is "
                    "ignored. (There is no comment syntax.)");
            }
        });
    }

    const CRawSection* Effective(const std::string& name) const {
        const auto found = m_last.find(name);
        return found == m_last.end() ? nullptr : &m_sections[found->second];
    }

    // Reports repeated keys and returns, per key, the raw key line that counts (the last).
    std::unordered_map<std::string, const CRawKey*> LastKeys(const CRawSection& section) {
        std::unordered_map<std::string, const CRawKey*> last;
        for (const CRawKey& key : section.keys) {
            const auto [previous, first] = last.emplace(key.key, &key);
            if (!first) {
                Add(key.line, section.name, key.key,
                    "This key repeats the one on line " + std::to_string(previous->second->line) +
                        " in the same section; only the value on the last of these lines "
                        "counts.");
                previous->second = &key;
            }
        }
        return last;
    }

    void ReportUnknownKey(const CRawKey& key, const std::string& section, bool removal) {
        std::string message = removal ? "A removal section uses only \"GUID\"; this key is "
                                        "ignored."
                                      : "This is not a key of a date entry; it is ignored.";
        const std::string trimmed(CIniDocument::TrimWhiteSpace(key.key));
        const std::string lower = Lower(trimmed);
        int number = 0;
        if (!removal && ParseNumbered(trimmed, "DroppedOccurrence ", number)) {
            message += " Dropped occurrences are spelt \"" +
                       CFeedVocabulary::DroppedOccurrenceKey(number) + "\".";
        } else if (trimmed != key.key &&
                   (removal ? trimmed == "GUID" : CFeedVocabulary::FindKey(trimmed) != nullptr)) {
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
        Add(key.line, section, key.key, message);
    }

    void CheckGuid(const CRawKey& key, const std::string& section) {
        const std::string guid = CIniDocument::Unescape(key.stored);
        if (IsRegistryGuid(guid, false)) return;
        if (IsRegistryGuid(guid, true)) {
            Add(key.line, section, key.key,
                "The GUID " + Quote(key.stored) +
                    " has lower-case letters. GUIDs are compared exactly, so it does not match "
                    "the upper-case GUID under which the event file keeps the entry.");
            return;
        }
        Add(key.line, section, key.key,
            "The value " + Quote(key.stored) +
                " is not a GUID of the form {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} with "
                "upper-case hexadecimal digits, so it matches no entry of the event file.");
    }

    void CheckInteger(const CRawKey& key, const std::string& section) {
        const std::string value = CIniDocument::Unescape(key.stored);
        if (value.empty()) return;
        bool hasDigits = false;
        const std::int32_t number = CIniDocument::ConvertInt(value, &hasDigits);
        if (key.key == "StorageType") {
            if (number != 1 && number != 2) {
                Add(key.line, section, key.key,
                    "StorageType " + Quote(key.stored) +
                        " is neither 1 nor 2; the entry is read with StorageType 1.");
            }
            return;
        }
        if (!hasDigits) {
            Add(key.line, section, key.key,
                "The value " + Quote(key.stored) + " has no digits, so it reads as 0.");
        }
    }

    void CheckColor(const CRawKey& key, const std::string& section) {
        const std::string value = CIniDocument::Unescape(key.stored);
        if (value.empty()) return;
        CStringTokenizer items(value, ",");
        int count = 0;
        while (items.HasMoreTokens()) {
            const std::string item = items.NextToken();
            if (++count > 3) continue;
            bool hasDigits = false;
            CIniDocument::ConvertInt(item, &hasDigits);
            if (!hasDigits) {
                Add(key.line, section, key.key,
                    "The colour item " + Quote(item) + " has no digits, so it reads as 0.");
            }
        }
        if (count < 3) {
            Add(key.line, section, key.key,
                "The colour " + Quote(key.stored) +
                    " has fewer than three numbers (red,green,blue), so it is ignored and the "
                    "colour stays as it was.");
        }
    }

    void CheckDate(const CRawKey& key, const std::string& section) {
        const std::string value = CIniDocument::Unescape(key.stored);
        if (value.empty()) return;
        CDateTime read;
        switch (ReadDate(value, read)) {
            case EDateReading::Valid:
                return;
            case EDateReading::BadDate:
                Add(key.line, section, key.key,
                    "The value " + Quote(key.stored) +
                        " does not read as a valid date (the numbers are taken as year, month, "
                        "day, hour, minute, second, as in 2024 05 17 08 30 00), so it becomes "
                        "0001-01-01 00:00:00.");
                return;
            case EDateReading::BadTime:
                Add(key.line, section, key.key,
                    "The value " + Quote(key.stored) +
                        " has a valid date but an invalid time of day, so it becomes " +
                        ShowDate(read) + ".");
                return;
        }
    }

    // Date entry sections from 0 up to the first missing number; returns how many are read.
    int CheckDateEntrySections() {
        CDateEntry fresh;
        DateEntryProperties carried;
        fresh.GetProperties(carried);
        int n = 0;
        for (;; ++n) {
            const std::string name = CFeedVocabulary::DateEntrySection(n);
            const CRawSection* const section = Effective(name);
            if (section == nullptr) break;
            const auto last = LastKeys(*section);
            std::vector<int> dropped;
            for (const CRawKey& key : section->keys) {
                if (last.at(key.key) != &key) continue;
                int number = 0;
                if (ParseNumbered(key.key, kDroppedPrefix, number)) {
                    dropped.push_back(number);
                    continue;
                }
                const CFeedKey* const known = CFeedVocabulary::FindKey(key.key);
                if (known == nullptr) {
                    ReportUnknownKey(key, name, false);
                    continue;
                }
                if (key.key == "GUID") CheckGuid(key, name);
                switch (known->form) {
                    case EFeedForm::Text:
                        break;
                    case EFeedForm::Integer:
                        CheckInteger(key, name);
                        break;
                    case EFeedForm::Color:
                        CheckColor(key, name);
                        break;
                    case EFeedForm::DateTime:
                        CheckDate(key, name);
                        break;
                }
            }
            CheckDropped(*section, last, dropped);
            if (last.find("GUID") == last.end()) {
                Add(section->line, name, "",
                    n == 0 ? "This date entry section has no \"GUID\" key. It gets a new GUID "
                             "at every reading, so each sync adds it to the event file again "
                             "as a new entry, and no removal section can name it."
                           : "This date entry section has no \"GUID\" key, so it keeps the GUID "
                             "of " +
                                 Bracket(CFeedVocabulary::DateEntrySection(n - 1)) +
                                 ": both entries carry the same GUID.");
            }
            CheckDuration(*section, last, carried);
        }
        return n;
    }

    void CheckDropped(const CRawSection& section,
                      const std::unordered_map<std::string, const CRawKey*>& last,
                      std::vector<int>& numbers) {
        int read = 0;
        while (last.count(CFeedVocabulary::DroppedOccurrenceKey(read)) != 0) ++read;
        std::sort(numbers.begin(), numbers.end());
        for (const int number : numbers) {
            const CRawKey& key = *last.at(CFeedVocabulary::DroppedOccurrenceKey(number));
            if (number > read) {
                Add(key.line, section.name, key.key,
                    "This dropped occurrence is not read: dropped occurrences are read from "
                    "\"DroppedOccurence 0\" up to the first missing number, and \"" +
                        CFeedVocabulary::DroppedOccurrenceKey(read) + "\" is missing.");
            } else if (CIniDocument::Unescape(key.stored).empty()) {
                Add(key.line, section.name, key.key,
                    "This dropped occurrence is empty, so the occurrence dropped is "
                    "1970-01-01 00:00:00.");
            } else {
                CheckDate(key, section.name);
            }
        }
    }

    // The section's start, end and ShowEnd as the reader ends up with them, values of
    // earlier sections carried over.
    void CheckDuration(const CRawSection& section,
                       const std::unordered_map<std::string, const CRawKey*>& last,
                       DateEntryProperties& carried) {
        carried.StartDate = m_document.GetDateTime(section.name, "StartDate", carried.StartDate);
        carried.EndDate = m_document.GetDateTime(section.name, "EndDate", carried.EndDate);
        carried.ShowEnd = m_document.GetInt(section.name, "ShowEnd", carried.ShowEnd);
        if (carried.ShowEnd == 0 || !(carried.EndDate < carried.StartDate)) return;
        int line = section.line;
        std::string key;
        for (const char* name : {"EndDate", "StartDate", "ShowEnd"}) {
            const auto found = last.find(name);
            if (found != last.end()) {
                line = found->second->line;
                key = name;
                break;
            }
        }
        Add(line, section.name, key,
            "EndDate " + ShowDate(carried.EndDate) + " lies before StartDate " +
                ShowDate(carried.StartDate) +
                " while ShowEnd is set, so the occurrences would end before they start. "
                "(Values missing from this section are those of the section before it, or of a "
                "new entry, whose dates are the time of reading.)");
    }

    // Removal sections from 0 up to the first missing number; returns how many are read.
    int CheckRemoveSections() {
        int n = 0;
        for (;; ++n) {
            const std::string name = CFeedVocabulary::RemoveSection(n);
            const CRawSection* const section = Effective(name);
            if (section == nullptr) break;
            const auto last = LastKeys(*section);
            for (const CRawKey& key : section->keys) {
                if (last.at(key.key) != &key) continue;
                if (key.key != "GUID") {
                    ReportUnknownKey(key, name, true);
                } else if (!CIniDocument::Unescape(key.stored).empty()) {
                    CheckGuid(key, name);
                }
            }
            const auto guid = last.find("GUID");
            if (guid == last.end() || CIniDocument::Unescape(guid->second->stored).empty()) {
                Add(guid == last.end() ? section->line : guid->second->line, name,
                    guid == last.end() ? "" : "GUID",
                    "This removal section has no GUID, so it removes nothing.");
            }
        }
        return n;
    }

    // Sections that the reader never looks at.
    void CheckUnreadSections(int dateEntries, int removals) {
        for (const auto& [name, index] : m_last) {
            const CRawSection& section = m_sections[index];
            int number = 0;
            if (ParseNumbered(name, kDateEntryPrefix, number)) {
                if (number >= dateEntries) {
                    Add(section.line, name, "",
                        "This section is not read: date entry sections are read from "
                        "[DateEntry 0] up to the first missing number, and " +
                            Bracket(CFeedVocabulary::DateEntrySection(dateEntries)) +
                            " is missing.");
                }
            } else if (ParseNumbered(name, kRemovePrefix, number)) {
                if (number >= removals) {
                    Add(section.line, name, "",
                        "This section is not read: removal sections are read from [Remove 0] "
                        "up to the first missing number, and " +
                            Bracket(CFeedVocabulary::RemoveSection(removals)) + " is missing.");
                }
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
    CIniDocument m_document;
};

}  // namespace

std::string CFeedFinding::Format() const {
    std::string text = line > 0 ? "Line " + std::to_string(line) : std::string("File");
    if (!section.empty()) text += ", section " + Bracket(section);
    if (!key.empty()) text += ", key " + Quote(key);
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
    CCheckRun(m_findings).Run(text);
    std::stable_sort(m_findings.begin(), m_findings.end(),
                     [](const CFeedFinding& a, const CFeedFinding& b) { return a.line < b.line; });
    return m_findings.empty() ? kClean : kFindings;
}
