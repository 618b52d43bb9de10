// An INI-style text file held in memory as named sections of key=value lines: the syntax
// shared by the feed file and Settings.ini.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "datetime/DateTime.h"

class CIniReporter;

// Text format, as read:
//   - The text is cut into lines at any run of CR and LF; blank lines vanish.
//   - Each line is trimmed of space, tab, vertical tab and form feed at both ends.
//   - "[name]" (first byte "[", last byte "]") opens a new, empty section named by everything
//     between the brackets. A repeated header discards the earlier section with its keys.
//   - Any other line holding "=" is a key line while a section is open: key before the first
//     "=", value after it, neither trimmed again. A repeated key replaces the earlier value.
//   - Everything else, and every line before the first header, is ignored. There is no
//     comment syntax.
// A file that begins with the UTF-8 byte-order mark (as editors on Windows write it) holds
// UTF-8 text: Load skips the mark and converts the rest to the ANSI code page first.
//
// Values (never names) are stored escaped, as they stand in the file: backslash as "\\",
// LF as "\n", CR as "\r", tab as "\t". Un-escaping drops a backslash together with any other
// character after it, and a lone trailing backslash.
//
// Names compare byte for byte. Text is single-byte ANSI text; where the code page has
// double-byte characters (CPlatform::IsLeadByte), the "=" search, the backslash search, the
// escaping and the trimming treat each double-byte character as one unit. A lead byte forms
// one only with a following byte from 0x40 up: no double-byte code page has a trail byte
// below that, so CR, LF, tab, space and "=" always stand for themselves (and CR and LF are
// always escaped, so no value can break its line).
//
// Written form: sections, and keys within a section, in the order of a 17-bucket chained hash
// table (neither reading nor setting order): buckets in ascending order, the newest name
// first within a bucket, where a name's bucket is h mod 17 with h = 33 * h + c over its
// bytes, c taken as a signed 8-bit value, in unsigned 32-bit arithmetic; a section or key
// keeps the place of its first appearance when it repeats or is set again. "[name]" CR LF,
// then "key=value" CR LF per key, one empty line (CR LF) between sections, nothing after the
// last line.
//
// Storage: the document keeps the one text it parsed; sections and key lines are a flat table
// of offsets into it, in the order of the text, a repeated key once per line. The setters
// keep the keys they change or add, as copies, in a side table.
class CIniDocument {
public:
    // The UTF-8 byte-order mark.
    static constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
    // FindSection's answer for a section that does not exist.
    static constexpr std::size_t kNoSection = static_cast<std::size_t>(-1);

    CIniDocument() = default;
    CIniDocument(const CIniDocument&) = delete;
    CIniDocument& operator=(const CIniDocument&) = delete;
    CIniDocument(CIniDocument&&) = default;
    CIniDocument& operator=(CIniDocument&&) = default;
    virtual ~CIniDocument() = default;

    // Remembers `path` (even on failure), opens the file for exclusive reading and parses
    // it whole (the text of DecodeFileText). False when the file cannot be opened (absent,
    // inaccessible, held open by another process) or its bytes cannot be read; the content is then
    // left as it was.
    bool Load(const std::string& path);
    // Writes the document to `path`, or to the remembered path when `path` is empty (a
    // non-empty path is remembered). The file is created or truncated for exclusive use.
    // False when it cannot be opened or the write fails.
    bool Save(const std::string& path);
    // Opens `path` for exclusive reading, as Load does, and reads it whole into `text`;
    // `length` receives the length that the file reported before the read (the text is
    // shorter when the file ends early). False when the file cannot be opened, its length
    // cannot be taken or exceeds half the address space, or a read fails.
    static bool ReadWholeFile(const std::string& path, std::string& text, std::uint64_t& length);
    // The text that Load parses from a file's bytes: the bytes themselves, or, when they
    // begin with kUtf8Mark, the UTF-8 text after the mark converted to the ANSI code page
    // (CPlatform::Utf8ToAnsi: characters the code page lacks, and bytes that are no
    // well-formed UTF-8, become '?'). Line breaks keep their places, so line numbers do too.
    static std::string DecodeFileText(std::string&& bytes);
    // Replaces the whole content by the sections read from `text`, which the document keeps,
    // telling `reporter`, when given, about every non-blank line.
    void Parse(std::string text, CIniReporter* reporter = nullptr);
    // Appends the written form of the document to `out`.
    void GetText(std::string& out) const;
    // Removes every section.
    void Clear();
    // Removes the section with its keys; nothing when there is none.
    void RemoveSection(const std::string& section);
    // Removes every line of the key in the section; nothing when there is none.
    void RemoveKey(const std::string& section, const std::string& key);
    // The names of the sections, in the order of their first appearance.
    std::vector<std::string> GetSectionNames() const;

    // The path of the last Load, or of the last Save given a non-empty path.
    const std::string& GetPath() const { return m_strPath; }
    // The length in bytes of the file that the last successful Load read (0 before any).
    std::uint64_t GetLoadedLength() const { return m_nLoadedLength; }

    bool HasSection(const std::string& section) const;
    // How many sections the document holds.
    std::size_t GetSectionCount() const { return m_sections.size(); }
    // True when the key line exists, whatever its value (an empty one included).
    bool HasKey(const std::string& section, const std::string& key) const;

    // The un-escaped value, or the un-escaped `defaultValue` when the section or key is
    // absent.
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const;
    // The un-escaped value into `value` and true; false (and `value` untouched) when the
    // section or key is absent.
    bool LookupString(const std::string& section, const std::string& key, std::string& value) const;
    // The converting getters tell `reporter`, when given, about a value that is there but
    // does not read as written.
    //
    // The value's leading decimal number (see ConvertInt); `defaultValue` when absent or
    // empty.
    std::int32_t GetInt(const std::string& section, const std::string& key,
                        std::int32_t defaultValue, CIniReporter* reporter = nullptr) const;
    // Three comma-separated numbers red, green, blue (runs of commas are one separator),
    // each taken modulo 256, as 0x00BBGGRR. `defaultValue` when absent, empty or with fewer
    // than three numbers.
    std::uint32_t GetColor(const std::string& section, const std::string& key,
                           std::uint32_t defaultValue, CIniReporter* reporter = nullptr) const;
    // `defaultValue` when absent or empty; otherwise CDateTime::ParseStorage of the value
    // applied to a default-constructed CDateTime, whether or not it reads.
    CDateTime GetDateTime(const std::string& section, const std::string& key,
                          const CDateTime& defaultValue, CIniReporter* reporter = nullptr) const;

    // Stores the escaped value, creating the section and the key as needed. Adding a key to
    // a section whose key lines are not the last of the table first moves them there.
    void SetString(const std::string& section, const std::string& key, const std::string& value);
    // Stores "%d" of the value.
    void SetInt(const std::string& section, const std::string& key, std::int32_t value);
    // Stores CDateTime::FormatStorage of the value ("%Y %m %d %H %M %S").
    void SetDateTime(const std::string& section, const std::string& key, const CDateTime& value);

    // --- Sections and key lines, for readers that walk them in one pass ---
    // The index of the section named `section`, valid until the next Parse, Load or Clear;
    // kNoSection when there is none.
    std::size_t FindSection(std::string_view section) const;
    // Calls f(key, stored) for every key line of the section with index `section`, in the
    // order of the text (keys that SetString added after them), a repeated key once per
    // line: the last call for a key carries the value that counts. `stored` is the escaped
    // value. The views stay valid until the document changes. REQUIRES: `section` is a
    // FindSection result other than kNoSection, of the document as it is.
    template <class F>
    void ForEachKeyLine(std::size_t section, F&& f) const {
        const CSection& table = m_sections[section];
        const std::size_t end = table.firstLine + table.lineCount;
        for (std::size_t i = table.firstLine; i < end; ++i) {
            f(KeyOf(m_lines[i]), StoredOf(m_lines[i]));
        }
    }

    // --- The getters' conversions of a stored (escaped) value that is present, for readers
    // that found it themselves; `section` and `key` name it to `reporter` ---
    static std::int32_t ConvertStoredInt(std::string_view stored, std::int32_t defaultValue,
                                         CIniReporter* reporter, const std::string& section,
                                         const std::string& key);
    static std::uint32_t ConvertStoredColor(std::string_view stored, std::uint32_t defaultValue,
                                            CIniReporter* reporter, const std::string& section,
                                            const std::string& key);
    static CDateTime ConvertStoredDateTime(std::string_view stored, const CDateTime& defaultValue,
                                           CIniReporter* reporter, const std::string& section,
                                           const std::string& key);

    // --- The syntax, for tools that scan the text themselves ---
    // Trims space, tab, vertical tab and form feed at both ends.
    static std::string_view TrimWhiteSpace(std::string_view line);
    // True for a trimmed line whose first byte is "[" and last byte "]" (not "[" alone).
    static bool IsSectionHeader(std::string_view trimmedLine);
    // Position of the first "=" outside double-byte characters; npos when none.
    static std::size_t FindEquals(std::string_view line);
    // Backslash, LF, CR and tab become "\\", "\n", "\r", "\t"; a double-byte character is
    // copied whole. A lead byte of the double-byte code page that no trail byte follows is
    // no text in that code page and becomes '?', so that every escaped value reads back as
    // set or with that replacement.
    static std::string Escape(std::string_view value);
    static std::string Unescape(std::string_view stored);
    // The same without a copy where the value has no escapes: `stored` itself, else the
    // un-escaped copy in `buffer`.
    static std::string_view Unescaped(std::string_view stored, std::string& buffer);
    // Skips leading white space (space, tab, LF, VT, FF, CR), takes one optional sign and
    // the decimal digits up to the first other character; no digits give 0. The digit run
    // wraps around in 32 bits. `hasDigits`, when given, tells whether any digit was read.
    static std::int32_t ConvertInt(std::string_view text, bool* hasDigits = nullptr);

private:
    // Marks a name or key line that lives in m_owned rather than in m_text.
    static constexpr std::uint64_t kOwned = std::uint64_t{1} << 63;

    struct CSection {
        // Offset of the name in m_text, or kOwned | its index in m_owned.
        std::uint64_t name;
        std::size_t nameLength;
        // The section's key lines are m_lines[firstLine, firstLine + lineCount).
        std::size_t firstLine;
        std::size_t lineCount;
        // The written form's hash of the name.
        std::uint32_t hash;
    };
    // A key line of the text: the key at `begin`, "=", then the stored value. With kOwned,
    // `begin` holds the index in m_owned of the key, the stored value being the string after
    // it, and the lengths are unused.
    struct CKeyLine {
        std::uint64_t begin;
        std::uint32_t keyLength;
        std::uint32_t valueLength;
    };

    static std::uint32_t Hash(std::string_view name);
    static void ReportOutsideSection(std::size_t lineNumber, std::string_view line,
                                     CIniReporter& reporter);

    std::string_view NameOf(const CSection& section) const {
        if ((section.name & kOwned) != 0) return m_owned[section.name & ~kOwned];
        return std::string_view(m_text).substr(section.name, section.nameLength);
    }
    std::string_view KeyOf(const CKeyLine& line) const {
        if ((line.begin & kOwned) != 0) return m_owned[line.begin & ~kOwned];
        return std::string_view(m_text.data() + line.begin, line.keyLength);
    }
    std::string_view StoredOf(const CKeyLine& line) const {
        if ((line.begin & kOwned) != 0) return m_owned[(line.begin & ~kOwned) + 1];
        return std::string_view(m_text.data() + line.begin + line.keyLength + 1, line.valueLength);
    }

    // The section named `name` with this hash, or kNoSection.
    std::size_t FindHashed(std::string_view name, std::uint32_t hash) const;
    // Appends a section (its name at `name`, as CSection holds it) and indexes it.
    std::size_t AddSection(std::uint64_t name, std::size_t nameLength, std::uint32_t hash);
    // Enters the section into m_index, which is rebuilt at twice its size first when it would
    // be more than half full.
    void IndexSection(std::size_t section);
    // Appends a key line of the text, or a copy of it where its parts exceed the offsets.
    void AddTextLine(std::size_t begin, std::size_t keyLength, std::size_t valueLength);
    // The last key line of `key` in the section; nullptr when there is none.
    const CKeyLine* FindLine(std::size_t section, std::string_view key) const;
    // The stored value of the key into `stored`; false when the section or key is absent.
    bool FindStored(const std::string& section, const std::string& key,
                    std::string_view& stored) const;
    // Appends the section's written form to `out`.
    void WriteSection(const CSection& section, std::string& out) const;
    // Rebuilds the tables without the section (`key` empty) or without the key's lines in it,
    // everything else kept in its order and written form.
    void Remove(std::string_view section, std::string_view key);

    std::string m_strPath;
    std::uint64_t m_nLoadedLength = 0;
    std::string m_text;
    // Names, keys and values that the setters brought in or changed; a key line's key and its
    // stored value are neighbours.
    std::vector<std::string> m_owned;
    // In order of the first header of each name.
    std::vector<CSection> m_sections;
    std::vector<CKeyLine> m_lines;
    // Open addressing over m_sections by the mixed hash of the name: section index + 1 per
    // slot, 0 for an empty slot; the size is a power of two, at least twice the sections.
    std::vector<std::size_t> m_index;
};
