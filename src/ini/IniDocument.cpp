#include "ini/IniDocument.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "ini/IniReporter.h"
#include "ini/LineSplitter.h"
#include "platform/Platform.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// Every double-byte ANSI code page puts its lead bytes at 0x81 and above, so text without
// such a byte needs no lead-byte test at all.
bool HasHighByte(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    }
    return false;
}

// The lowest trail byte of every double-byte ANSI code page.
constexpr unsigned char kLowestTrailByte = 0x40;

// Length of the character at `position`: 2 for a lead byte followed by a trail byte.
std::size_t CharLength(std::string_view text, std::size_t position, CPlatform* dbcs) {
    if (dbcs != nullptr && position + 1 < text.size() &&
        static_cast<unsigned char>(text[position + 1]) >= kLowestTrailByte &&
        dbcs->IsLeadByte(static_cast<unsigned char>(text[position]))) {
        return 2;
    }
    return 1;
}

CPlatform* DoubleByteRules(std::string_view text) {
    return HasHighByte(text) ? &CPlatform::Current() : nullptr;
}

// Without any lead byte in the code page, a parse needs no double-byte rule at all.
bool HasLeadBytes(CPlatform& platform) {
    for (int c = 0; c <= 255; ++c) {
        if (platform.IsLeadByte(static_cast<unsigned char>(c))) return true;
    }
    return false;
}

std::string_view TrimBlanks(std::string_view line) {
    std::size_t begin = 0;
    while (begin < line.size() && IsBlank(line[begin])) ++begin;
    std::size_t end = line.size();
    while (end > begin && IsBlank(line[end - 1])) --end;
    return line.substr(begin, end - begin);
}

// An upper bound of the key lines of a text whose lines end in LF (a text with other line ends
// may have more): each holds an "=", and each but the last ends before its own LF.
std::size_t MostKeyLines(std::string_view text) {
    std::size_t equals = 0;
    std::size_t feeds = 0;
    for (const char c : text) {
        equals += c == '=' ? 1 : 0;
        feeds += c == '\n' ? 1 : 0;
    }
    return std::min(equals, feeds + 1);
}

// The buckets of the written form's chained table.
constexpr std::uint32_t kBuckets = 17;

// Spreads the written form's hash, whose low bits follow the last bytes closely, over the
// section index.
std::size_t Mix(std::uint32_t hash) {
    return static_cast<std::size_t>((std::uint64_t{hash} * 0x9E3779B97F4A7C15u) >> 32);
}

}  // namespace

// --- Syntax ---

std::string_view CIniDocument::TrimWhiteSpace(std::string_view line) {
    CPlatform* const dbcs = DoubleByteRules(line);
    if (dbcs == nullptr) return TrimBlanks(line);
    std::size_t begin = 0;
    while (begin < line.size() && IsBlank(line[begin])) ++begin;
    line.remove_prefix(begin);
    // A trail byte may look like white space, so the end of the last non-blank character
    // is found walking forward.
    std::size_t end = 0;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t length = CharLength(line, i, dbcs);
        if (length == 2 || !IsBlank(line[i])) end = i + length;
        i += length;
    }
    return line.substr(0, end);
}

bool CIniDocument::IsSectionHeader(std::string_view trimmedLine) {
    return trimmedLine.size() >= 2 && trimmedLine.front() == '[' && trimmedLine.back() == ']';
}

std::size_t CIniDocument::FindEquals(std::string_view line) {
    CPlatform* const dbcs = DoubleByteRules(line);
    if (dbcs == nullptr) return line.find('=');
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t length = CharLength(line, i, dbcs);
        if (length == 1 && line[i] == '=') return i;
        i += length;
    }
    return std::string_view::npos;
}

std::string CIniDocument::Escape(std::string_view value) {
    std::string result;
    result.reserve(value.size());
    CPlatform* const dbcs = DoubleByteRules(value);
    for (std::size_t i = 0; i < value.size();) {
        const std::size_t length = CharLength(value, i, dbcs);
        if (length == 2) {
            result.append(value.substr(i, 2));
        } else if (dbcs != nullptr && dbcs->IsLeadByte(static_cast<unsigned char>(value[i]))) {
            // Reading would pair a lone lead byte with whatever byte is stored next: the
            // backslash of an escape, or a trail byte of the next line.
            result += '?';
        } else {
            switch (value[i]) {
                case '\\':
                    result += "\\\\";
                    break;
                case '\n':
                    result += "\\n";
                    break;
                case '\r':
                    result += "\\r";
                    break;
                case '\t':
                    result += "\\t";
                    break;
                default:
                    result += value[i];
                    break;
            }
        }
        i += length;
    }
    return result;
}

std::string_view CIniDocument::Unescaped(std::string_view stored, std::string& buffer) {
    if (stored.find('\\') == std::string_view::npos) return stored;
    buffer = Unescape(stored);
    return buffer;
}

std::string CIniDocument::Unescape(std::string_view stored) {
    if (stored.find('\\') == std::string_view::npos) return std::string(stored);
    std::string result;
    result.reserve(stored.size());
    CPlatform* const dbcs = DoubleByteRules(stored);
    std::size_t runStart = 0;
    std::size_t i = 0;
    while (i < stored.size()) {
        if (stored[i] != '\\') {
            i += CharLength(stored, i, dbcs);
            continue;
        }
        result.append(stored.substr(runStart, i - runStart));
        if (i + 1 == stored.size()) {
            runStart = stored.size();
            break;
        }
        switch (stored[i + 1]) {
            case '\\':
                result += '\\';
                break;
            case 'n':
                result += '\n';
                break;
            case 'r':
                result += '\r';
                break;
            case 't':
                result += '\t';
                break;
            default:
                break;
        }
        i += 1 + CharLength(stored, i + 1, dbcs);
        runStart = i;
    }
    result.append(stored.substr(runStart));
    return result;
}

std::int32_t CIniDocument::ConvertInt(std::string_view text, bool* hasDigits) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t digitsStart = i;
    std::uint32_t value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
        ++i;
    }
    if (hasDigits != nullptr) *hasDigits = i > digitsStart;
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

// --- Files ---

bool CIniDocument::ReadWholeFile(const std::string& path, std::string& text,
                                 std::uint64_t& length) {
    std::unique_ptr<CFile> file = CPlatform::Current().OpenFile(path, EFileOpen::ReadExclusive);
    if (!file) return false;
    if (!file->GetLength(length)) return false;
    if (length > std::numeric_limits<std::size_t>::max() / 2) return false;
    text.clear();
    text.reserve(static_cast<std::size_t>(length));
    CPlatform::Current().AdviseLargeBuffer(text.data(), text.capacity());
    text.assign(static_cast<std::size_t>(length), '\0');
    std::size_t total = 0;
    while (total < text.size()) {
        std::size_t read = 0;
        if (!file->Read(text.data() + total, text.size() - total, read)) return false;
        if (read == 0) break;
        total += read;
    }
    text.resize(total);
    return true;
}

bool CIniDocument::Load(const std::string& path) {
    m_strPath = path;
    std::string text;
    std::uint64_t length = 0;
    if (!ReadWholeFile(path, text, length)) return false;
    m_nLoadedLength = length;
    Parse(DecodeFileText(std::move(text)));
    return true;
}

std::string CIniDocument::DecodeFileText(std::string&& bytes) {
    if (!std::string_view(bytes).starts_with(kUtf8Mark)) return std::move(bytes);
    return CPlatform::Current().Utf8ToAnsi(bytes.substr(kUtf8Mark.size()));
}

bool CIniDocument::Save(const std::string& path) {
    if (!path.empty()) m_strPath = path;
    std::unique_ptr<CFile> file =
        CPlatform::Current().OpenFile(m_strPath, EFileOpen::WriteExclusive);
    if (!file) return false;
    std::string text;
    GetText(text);
    return text.empty() || file->Write(text.data(), text.size());
}

// --- Text ---

std::uint32_t CIniDocument::Hash(std::string_view name) {
    std::uint32_t h = 0;
    for (const char c : name) {
        h = 33u * h +
            static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
    }
    return h;
}

void CIniDocument::ReportOutsideSection(std::size_t lineNumber, std::string_view line,
                                        CIniReporter& reporter) {
    const std::size_t equals = FindEquals(line);
    if (equals == std::string_view::npos) {
        reporter.OnIgnoredLine(lineNumber);
    } else {
        reporter.OnKeyOutsideSection(lineNumber, line.substr(0, equals));
    }
}

void CIniDocument::Parse(std::string text, CIniReporter* reporter) {
    Clear();
    m_text = std::move(text);
    CPlatform& platform = CPlatform::Current();
    const bool doubleByte = HasLeadBytes(platform);
    m_lines.reserve(MostKeyLines(m_text));
    platform.AdviseLargeBuffer(m_lines.data(), m_lines.capacity() * sizeof(CKeyLine));
    // The keys of the open section so far, which only the reporter needs.
    std::unordered_set<std::string_view> seenKeys;
    const char* const base = m_text.data();
    CLineSplitter lines(m_text);
    std::size_t open = kNoSection;
    std::string_view raw;
    while (lines.Next(raw)) {
        const std::string_view line = doubleByte ? TrimWhiteSpace(raw) : TrimBlanks(raw);
        if (line.empty()) continue;
        if (IsSectionHeader(line)) {
            const std::string_view name = line.substr(1, line.size() - 2);
            const std::uint32_t hash = Hash(name);
            open = FindHashed(name, hash);
            if (reporter != nullptr) {
                reporter->OnSection(lines.GetLineNumber(), name, open != kNoSection);
                seenKeys.clear();
            }
            if (open == kNoSection) {
                open =
                    AddSection(static_cast<std::uint64_t>(name.data() - base), name.size(), hash);
            } else {
                m_sections[open].firstLine = m_lines.size();
                m_sections[open].lineCount = 0;
            }
            continue;
        }
        if (open == kNoSection) {
            if (reporter != nullptr) ReportOutsideSection(lines.GetLineNumber(), line, *reporter);
            continue;
        }
        const std::size_t equals = doubleByte ? FindEquals(line) : line.find('=');
        if (equals == std::string_view::npos) {
            if (reporter != nullptr) reporter->OnIgnoredLine(lines.GetLineNumber());
            continue;
        }
        if (reporter != nullptr) {
            const std::string_view key = line.substr(0, equals);
            reporter->OnKey(lines.GetLineNumber(), key, line.substr(equals + 1),
                            !seenKeys.insert(key).second);
        }
        AddTextLine(static_cast<std::size_t>(line.data() - base), equals, line.size() - equals - 1);
        ++m_sections[open].lineCount;
    }
}

void CIniDocument::AddTextLine(std::size_t begin, std::size_t keyLength, std::size_t valueLength) {
    constexpr std::size_t kLongest = std::numeric_limits<std::uint32_t>::max();
    if (keyLength > kLongest || valueLength > kLongest) {
        const std::string_view line = std::string_view(m_text).substr(begin);
        m_lines.push_back(CKeyLine{kOwned | m_owned.size(), 0, 0});
        m_owned.emplace_back(line.substr(0, keyLength));
        m_owned.emplace_back(line.substr(keyLength + 1, valueLength));
        return;
    }
    m_lines.push_back(CKeyLine{begin, static_cast<std::uint32_t>(keyLength),
                               static_cast<std::uint32_t>(valueLength)});
}

std::size_t CIniDocument::AddSection(std::uint64_t name, std::size_t nameLength,
                                     std::uint32_t hash) {
    m_sections.push_back(CSection{name, nameLength, m_lines.size(), 0, hash});
    IndexSection(m_sections.size() - 1);
    return m_sections.size() - 1;
}

void CIniDocument::IndexSection(std::size_t section) {
    const auto place = [this](std::size_t indexed) {
        const std::size_t mask = m_index.size() - 1;
        std::size_t slot = Mix(m_sections[indexed].hash) & mask;
        while (m_index[slot] != 0) slot = (slot + 1) & mask;
        m_index[slot] = indexed + 1;
    };
    if (m_sections.size() * 2 <= m_index.size()) {
        place(section);
        return;
    }
    m_index.assign(std::max<std::size_t>(16, m_index.size() * 2), 0);
    for (std::size_t i = 0; i < m_sections.size(); ++i) place(i);
}

std::size_t CIniDocument::FindHashed(std::string_view name, std::uint32_t hash) const {
    if (m_index.empty()) return kNoSection;
    const std::size_t mask = m_index.size() - 1;
    for (std::size_t slot = Mix(hash) & mask; m_index[slot] != 0; slot = (slot + 1) & mask) {
        const std::size_t section = m_index[slot] - 1;
        if (m_sections[section].hash == hash && NameOf(m_sections[section]) == name) {
            return section;
        }
    }
    return kNoSection;
}

std::size_t CIniDocument::FindSection(std::string_view section) const {
    return FindHashed(section, Hash(section));
}

const CIniDocument::CKeyLine* CIniDocument::FindLine(std::size_t section,
                                                     std::string_view key) const {
    const CSection& table = m_sections[section];
    for (std::size_t i = table.firstLine + table.lineCount; i > table.firstLine; --i) {
        if (KeyOf(m_lines[i - 1]) == key) return &m_lines[i - 1];
    }
    return nullptr;
}

bool CIniDocument::FindStored(const std::string& section, const std::string& key,
                              std::string_view& stored) const {
    const std::size_t found = FindSection(section);
    if (found == kNoSection) return false;
    const CKeyLine* const line = FindLine(found, key);
    if (line == nullptr) return false;
    stored = StoredOf(*line);
    return true;
}

void CIniDocument::GetText(std::string& out) const {
    // Iteration order of the chained table: buckets ascending, newest first in each.
    bool first = true;
    for (std::uint32_t bucket = 0; bucket < kBuckets; ++bucket) {
        for (std::size_t i = m_sections.size(); i > 0; --i) {
            const CSection& section = m_sections[i - 1];
            if (section.hash % kBuckets != bucket) continue;
            if (!first) out += "\r\n";
            first = false;
            WriteSection(section, out);
        }
    }
}

void CIniDocument::WriteSection(const CSection& section, std::string& out) const {
    out += '[';
    out += NameOf(section);
    out += "]\r\n";
    // Each key once, at its first line's place, with its last line's value.
    struct CWritten {
        std::string_view key;
        std::string_view stored;
        std::uint32_t bucket;
    };
    std::vector<CWritten> keys;
    std::unordered_map<std::string_view, std::size_t> places;
    const std::size_t end = section.firstLine + section.lineCount;
    for (std::size_t i = section.firstLine; i < end; ++i) {
        const std::string_view key = KeyOf(m_lines[i]);
        const auto [place, added] = places.try_emplace(key, keys.size());
        if (added) {
            keys.push_back(CWritten{key, StoredOf(m_lines[i]), Hash(key) % kBuckets});
        } else {
            keys[place->second].stored = StoredOf(m_lines[i]);
        }
    }
    for (std::uint32_t bucket = 0; bucket < kBuckets; ++bucket) {
        for (std::size_t i = keys.size(); i > 0; --i) {
            if (keys[i - 1].bucket != bucket) continue;
            out += keys[i - 1].key;
            out += '=';
            out += keys[i - 1].stored;
            out += "\r\n";
        }
    }
}

void CIniDocument::Clear() {
    m_text.clear();
    m_owned.clear();
    m_sections.clear();
    m_lines.clear();
    m_index.clear();
}

void CIniDocument::RemoveSection(const std::string& section) {
    if (FindSection(section) != kNoSection) Remove(section, {});
}

void CIniDocument::RemoveKey(const std::string& section, const std::string& key) {
    if (!key.empty() && HasKey(section, key)) Remove(section, key);
}

std::vector<std::string> CIniDocument::GetSectionNames() const {
    std::vector<std::string> names;
    names.reserve(m_sections.size());
    for (const CSection& section : m_sections) names.emplace_back(NameOf(section));
    return names;
}

void CIniDocument::Remove(std::string_view section, std::string_view key) {
    struct CKept {
        std::string name;
        std::uint32_t hash;
        std::vector<std::pair<std::string, std::string>> lines;
    };
    std::vector<CKept> kept;
    for (const CSection& table : m_sections) {
        const std::string_view name = NameOf(table);
        if (key.empty() && name == section) continue;
        CKept& copy = kept.emplace_back(CKept{std::string(name), table.hash, {}});
        const std::size_t end = table.firstLine + table.lineCount;
        for (std::size_t i = table.firstLine; i < end; ++i) {
            const std::string_view lineKey = KeyOf(m_lines[i]);
            if (name == section && lineKey == key) continue;
            copy.lines.emplace_back(lineKey, StoredOf(m_lines[i]));
        }
    }
    Clear();
    for (CKept& copy : kept) {
        m_owned.push_back(std::move(copy.name));
        const std::size_t added =
            AddSection(kOwned | (m_owned.size() - 1), m_owned.back().size(), copy.hash);
        for (auto& [lineKey, stored] : copy.lines) {
            m_lines.push_back(CKeyLine{kOwned | m_owned.size(), 0, 0});
            m_owned.push_back(std::move(lineKey));
            m_owned.push_back(std::move(stored));
            ++m_sections[added].lineCount;
        }
    }
}

// --- Values ---

bool CIniDocument::HasSection(const std::string& section) const {
    return FindSection(section) != kNoSection;
}

bool CIniDocument::HasKey(const std::string& section, const std::string& key) const {
    std::string_view stored;
    return FindStored(section, key, stored);
}

std::string CIniDocument::GetString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) const {
    std::string_view stored;
    return Unescape(FindStored(section, key, stored) ? stored : std::string_view(defaultValue));
}

bool CIniDocument::LookupString(const std::string& section, const std::string& key,
                                std::string& value) const {
    std::string_view stored;
    if (!FindStored(section, key, stored)) return false;
    value = Unescape(stored);
    return true;
}

std::int32_t CIniDocument::GetInt(const std::string& section, const std::string& key,
                                  std::int32_t defaultValue, CIniReporter* reporter) const {
    std::string_view stored;
    if (!FindStored(section, key, stored)) return defaultValue;
    return ConvertStoredInt(stored, defaultValue, reporter, section, key);
}

std::uint32_t CIniDocument::GetColor(const std::string& section, const std::string& key,
                                     std::uint32_t defaultValue, CIniReporter* reporter) const {
    std::string_view stored;
    if (!FindStored(section, key, stored)) return defaultValue;
    return ConvertStoredColor(stored, defaultValue, reporter, section, key);
}

CDateTime CIniDocument::GetDateTime(const std::string& section, const std::string& key,
                                    const CDateTime& defaultValue, CIniReporter* reporter) const {
    std::string_view stored;
    if (!FindStored(section, key, stored)) return defaultValue;
    return ConvertStoredDateTime(stored, defaultValue, reporter, section, key);
}

std::int32_t CIniDocument::ConvertStoredInt(std::string_view stored, std::int32_t defaultValue,
                                            CIniReporter* reporter, const std::string& section,
                                            const std::string& key) {
    std::string buffer;
    const std::string_view value = Unescaped(stored, buffer);
    if (value.empty()) return defaultValue;
    if (reporter == nullptr) return ConvertInt(value);
    bool hasDigits = false;
    const std::int32_t number = ConvertInt(value, &hasDigits);
    if (!hasDigits) reporter->OnIntegerWithoutDigits(section, key);
    return number;
}

std::uint32_t CIniDocument::ConvertStoredColor(std::string_view stored, std::uint32_t defaultValue,
                                               CIniReporter* reporter, const std::string& section,
                                               const std::string& key) {
    std::string buffer;
    const std::string_view value = Unescaped(stored, buffer);
    if (value.empty()) return defaultValue;
    // Items are the runs between commas; runs of commas are one separator.
    std::size_t position = 0;
    std::uint32_t parts[3];
    for (std::uint32_t& part : parts) {
        while (position < value.size() && value[position] == ',') ++position;
        if (position == value.size()) {
            if (reporter != nullptr) reporter->OnColorTooShort(section, key);
            return defaultValue;
        }
        const std::size_t end = std::min(value.find(',', position), value.size());
        const std::string_view item = value.substr(position, end - position);
        position = end;
        bool hasDigits = true;
        part = static_cast<std::uint32_t>(
                   ConvertInt(item, reporter != nullptr ? &hasDigits : nullptr)) &
               255u;
        if (!hasDigits) reporter->OnColorItemWithoutDigits(section, key, item);
    }
    return parts[0] | (parts[1] << 8) | (parts[2] << 16);
}

CDateTime CIniDocument::ConvertStoredDateTime(std::string_view stored,
                                              const CDateTime& defaultValue, CIniReporter* reporter,
                                              const std::string& section, const std::string& key) {
    std::string buffer;
    const std::string_view value = Unescaped(stored, buffer);
    if (value.empty()) return defaultValue;
    CDateTime result;
    const EStorageParse read = result.ParseStorage(value);
    if (reporter != nullptr && read != EStorageParse::Valid) {
        reporter->OnDateTimeRefused(section, key, read, result);
    }
    return result;
}

void CIniDocument::SetString(const std::string& section, const std::string& key,
                             const std::string& value) {
    const std::uint32_t hash = Hash(section);
    std::size_t found = FindHashed(section, hash);
    if (found == kNoSection) {
        m_owned.push_back(section);
        found = AddSection(kOwned | (m_owned.size() - 1), section.size(), hash);
    }
    std::string stored = Escape(value);
    if (const CKeyLine* const line = FindLine(found, key)) {
        CKeyLine& changed = m_lines[static_cast<std::size_t>(line - m_lines.data())];
        if ((changed.begin & kOwned) == 0) {
            changed.begin = kOwned | m_owned.size();
            m_owned.push_back(key);
            m_owned.push_back(std::move(stored));
        } else {
            m_owned[(changed.begin & ~kOwned) + 1] = std::move(stored);
        }
        return;
    }
    CSection& table = m_sections[found];
    if (table.firstLine + table.lineCount != m_lines.size()) {
        // The lines move to the end of the table, where the section can grow.
        m_lines.reserve(m_lines.size() + table.lineCount + 1);
        const std::size_t moved = m_lines.size();
        for (std::size_t i = 0; i < table.lineCount; ++i) {
            m_lines.push_back(m_lines[table.firstLine + i]);
        }
        table.firstLine = moved;
    }
    m_lines.push_back(CKeyLine{kOwned | m_owned.size(), 0, 0});
    m_owned.push_back(key);
    m_owned.push_back(std::move(stored));
    ++table.lineCount;
}

void CIniDocument::SetInt(const std::string& section, const std::string& key, std::int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    SetString(section, key, text);
}

void CIniDocument::SetDateTime(const std::string& section, const std::string& key,
                               const CDateTime& value) {
    SetString(section, key, value.FormatStorage());
}
