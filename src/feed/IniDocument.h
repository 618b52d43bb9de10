// An INI-style text file held in memory as named sections of key=value lines: the syntax
// shared by the feed file and Settings.ini.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "datetime/DateTime.h"
#include "feed/ChainedHashMap.h"

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
// Written form: sections, and keys within a section, in the iteration order of
// CChainedHashMap (neither reading nor setting order); "[name]" CR LF, then "key=value" CR LF
// per key, one empty line (CR LF) between sections, nothing after the last line.
class CIniDocument {
public:
    // The UTF-8 byte-order mark.
    static constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

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
    // Replaces the whole content by the sections read from `text`, telling `reporter`, when
    // given, about every non-blank line.
    void Parse(std::string_view text, CIniReporter* reporter = nullptr);
    // Appends the written form of the document to `out`.
    void GetText(std::string& out) const;
    // Removes every section and empties the section lookup cache.
    void Clear();

    // The path of the last Load, or of the last Save given a non-empty path.
    const std::string& GetPath() const { return m_strPath; }
    // The length in bytes of the file that the last successful Load read (0 before any).
    std::uint64_t GetLoadedLength() const { return m_nLoadedLength; }

    bool HasSection(const std::string& section) const;
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

    // Stores the escaped value, creating the section and the key as needed.
    void SetString(const std::string& section, const std::string& key, const std::string& value);
    // Stores "%d" of the value.
    void SetInt(const std::string& section, const std::string& key, std::int32_t value);
    // Stores CDateTime::FormatStorage of the value ("%Y %m %d %H %M %S").
    void SetDateTime(const std::string& section, const std::string& key, const CDateTime& value);

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
    // Skips leading white space (space, tab, LF, VT, FF, CR), takes one optional sign and
    // the decimal digits up to the first other character; no digits give 0. The digit run
    // wraps around in 32 bits. `hasDigits`, when given, tells whether any digit was read.
    static std::int32_t ConvertInt(std::string_view text, bool* hasDigits = nullptr);

private:
    using CKeyTable = CChainedHashMap<std::string>;
    using CSectionTable = CChainedHashMap<std::unique_ptr<CKeyTable>>;

    // Tells `reporter` about a non-blank line before the first section header.
    static void ReportOutsideSection(std::size_t lineNumber, std::string_view line,
                                     CIniReporter& reporter);
    // The stored (escaped) value, or nullptr; goes through the section lookup cache.
    const std::string* FindStored(const std::string& section, const std::string& key) const;
    const CKeyTable* FindTable(const std::string& section) const;

    std::string m_strPath;
    std::uint64_t m_nLoadedLength = 0;
    CSectionTable m_sections;
    // Spares the section lookup for runs of calls on one section. It never changes a
    // result: `m_bCacheValid` is false until a lookup filled it, so a section with the
    // empty name is found like any other, and a cached name without a table (a section
    // that did not exist) is looked up again by SetString, which creates it.
    mutable bool m_bCacheValid = false;
    mutable std::string m_strCachedName;
    mutable CKeyTable* m_pCachedTable = nullptr;
};
