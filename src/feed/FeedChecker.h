// Lists everything in a feed file that the feed reader would drop or turn into a default
// without a word, with its line, section and key.
#pragma once

#include <string>
#include <vector>

// One problem. `line` counts from 1 (CR LF, LF and a lone CR each end a line); 0 for the
// file as a whole. `section` and `key` are empty when the problem has none.
struct CFeedFinding {
    int line = 0;
    std::string section;
    std::string key;
    std::string message;  // a sentence for the person who writes the feed

    // "Line 12, section [DateEntry 0], key "StartDate": <message>", the section and key
    // names converted from the ANSI code page to UTF-8.
    std::string Format() const;
};

// An iCalendar file (CFeedFormat) is checked by reading it as CIcalFeedReader does, with what that
// reports: skipped components, unknown time zones, rules split or expanded (into how many
// entries), alarms left out, malformed lines, an incomplete file. Otherwise:
// the checker reads the file as the feed reader does (exclusive open, the text document's
// parse, then the feed reader's own walk over the sections, each telling the checker what it
// skips, drops and defaults) and reports:
//   - a byte-order mark, and after a UTF-8 one, per line, the characters that the ANSI
//     code page lacks and the bytes that are not well-formed UTF-8 (each reads as '?');
//   - an empty file; a file without any section that is read;
//   - lines that are neither headers nor key lines, key lines before the first header;
//   - repeated section headers (the earlier keys are lost) and repeated keys;
//   - sections that are never read: after a gap in the numbering, or named almost but not
//     exactly "DateEntry %d" / "Remove %d", or of another name;
//   - unknown keys (with a hint for a wrong letter case or stray spaces around "=");
//   - date-times that do not read as a valid date, or whose time is invalid;
//   - colours with fewer than three numbers, integers without digits, a StorageType other
//     than 1 or 2;
//   - GUIDs not in the 38-character registry form with upper-case digits;
//   - date entry sections without "GUID", removal sections without a GUID;
//   - dropped-occurrence keys after a gap, empty dropped-occurrence values;
//   - an EndDate before the StartDate while ShowEnd is set.
class CFeedChecker {
public:
    static constexpr int kClean = 0;       // nothing found
    static constexpr int kFindings = 1;    // something found
    static constexpr int kUnreadable = 2;  // the file cannot be opened or read

    CFeedChecker() = default;
    virtual ~CFeedChecker() = default;

    // Checks the file at `path`; one of the three results above.
    int CheckFile(const std::string& path);
    // Checks feed text (the file's bytes); kClean or kFindings.
    int CheckText(const std::string& text);

    // The findings of the last check, in line order.
    const std::vector<CFeedFinding>& GetFindings() const { return m_findings; }

private:
    std::vector<CFeedFinding> m_findings;
};
