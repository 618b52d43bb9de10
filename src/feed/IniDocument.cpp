#include "feed/IniDocument.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <utility>

#include "feed/IniReporter.h"
#include "feed/LineSplitter.h"
#include "feed/StringTokenizer.h"
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

}  // namespace

// --- Syntax ---

std::string_view CIniDocument::TrimWhiteSpace(std::string_view line) {
    std::size_t begin = 0;
    while (begin < line.size() && IsBlank(line[begin])) ++begin;
    line.remove_prefix(begin);
    CPlatform* const dbcs = DoubleByteRules(line);
    if (dbcs == nullptr) {
        std::size_t end = line.size();
        while (end > 0 && IsBlank(line[end - 1])) --end;
        return line.substr(0, end);
    }
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

void CIniDocument::ReportOutsideSection(std::size_t lineNumber, std::string_view line,
                                        CIniReporter& reporter) {
    const std::size_t equals = FindEquals(line);
    if (equals == std::string_view::npos) {
        reporter.OnIgnoredLine(lineNumber);
    } else {
        reporter.OnKeyOutsideSection(lineNumber, line.substr(0, equals));
    }
}

void CIniDocument::Parse(std::string_view text, CIniReporter* reporter) {
    Clear();
    CLineSplitter lines(text);
    CKeyTable* open = nullptr;
    std::string_view raw;
    while (lines.Next(raw)) {
        const std::string_view line = TrimWhiteSpace(raw);
        if (line.empty()) continue;
        if (IsSectionHeader(line)) {
            const std::string_view name = line.substr(1, line.size() - 2);
            std::unique_ptr<CKeyTable>& slot = m_sections.FindOrInsert(name);
            if (reporter != nullptr)
                reporter->OnSection(lines.GetLineNumber(), name, slot != nullptr);
            slot = std::make_unique<CKeyTable>();
            open = slot.get();
            continue;
        }
        if (open == nullptr) {
            if (reporter != nullptr) ReportOutsideSection(lines.GetLineNumber(), line, *reporter);
            continue;
        }
        const std::size_t equals = FindEquals(line);
        if (equals == std::string_view::npos) {
            if (reporter != nullptr) reporter->OnIgnoredLine(lines.GetLineNumber());
            continue;
        }
        const std::string_view key = line.substr(0, equals);
        const std::string_view stored = line.substr(equals + 1);
        if (reporter != nullptr) {
            reporter->OnKey(lines.GetLineNumber(), key, stored, open->Find(key) != nullptr);
        }
        open->Set(key, std::string(stored));
    }
}

void CIniDocument::GetText(std::string& out) const {
    bool first = true;
    m_sections.ForEach([&](const std::string& name, const std::unique_ptr<CKeyTable>& table) {
        if (!first) out += "\r\n";
        first = false;
        out += '[';
        out += name;
        out += "]\r\n";
        table->ForEach([&](const std::string& key, const std::string& value) {
            out += key;
            out += '=';
            out += value;
            out += "\r\n";
        });
    });
}

void CIniDocument::Clear() {
    m_sections.Clear();
    m_bCacheValid = false;
    m_strCachedName.clear();
    m_pCachedTable = nullptr;
}

// --- Values ---

bool CIniDocument::HasSection(const std::string& section) const {
    return m_sections.Find(section) != nullptr;
}

bool CIniDocument::HasKey(const std::string& section, const std::string& key) const {
    const CKeyTable* const table = FindTable(section);
    return table != nullptr && table->Find(key) != nullptr;
}

const CIniDocument::CKeyTable* CIniDocument::FindTable(const std::string& section) const {
    const std::unique_ptr<CKeyTable>* const slot = m_sections.Find(section);
    return slot != nullptr ? slot->get() : nullptr;
}

const std::string* CIniDocument::FindStored(const std::string& section,
                                            const std::string& key) const {
    if (!m_bCacheValid || section != m_strCachedName) {
        m_strCachedName = section;
        m_pCachedTable = const_cast<CKeyTable*>(FindTable(section));
        m_bCacheValid = true;
    }
    return m_pCachedTable != nullptr ? m_pCachedTable->Find(key) : nullptr;
}

std::string CIniDocument::GetString(const std::string& section, const std::string& key,
                                    const std::string& defaultValue) const {
    const std::string* const stored = FindStored(section, key);
    return Unescape(stored != nullptr ? *stored : defaultValue);
}

bool CIniDocument::LookupString(const std::string& section, const std::string& key,
                                std::string& value) const {
    const std::string* const stored = FindStored(section, key);
    if (stored == nullptr) return false;
    value = Unescape(*stored);
    return true;
}

std::int32_t CIniDocument::GetInt(const std::string& section, const std::string& key,
                                  std::int32_t defaultValue, CIniReporter* reporter) const {
    const std::string value = GetString(section, key, std::string());
    if (value.empty()) return defaultValue;
    if (reporter == nullptr) return ConvertInt(value);
    bool hasDigits = false;
    const std::int32_t number = ConvertInt(value, &hasDigits);
    if (!hasDigits) reporter->OnIntegerWithoutDigits(section, key);
    return number;
}

std::uint32_t CIniDocument::GetColor(const std::string& section, const std::string& key,
                                     std::uint32_t defaultValue, CIniReporter* reporter) const {
    const std::string value = GetString(section, key, std::string());
    if (value.empty()) return defaultValue;
    CStringTokenizer items(value, ",");
    std::uint32_t parts[3];
    for (std::uint32_t& part : parts) {
        if (!items.HasMoreTokens()) {
            if (reporter != nullptr) reporter->OnColorTooShort(section, key);
            return defaultValue;
        }
        const std::string_view item = items.NextTokenView();
        bool hasDigits = true;
        part = static_cast<std::uint32_t>(
                   ConvertInt(item, reporter != nullptr ? &hasDigits : nullptr)) &
               255u;
        if (!hasDigits) reporter->OnColorItemWithoutDigits(section, key, item);
    }
    return parts[0] | (parts[1] << 8) | (parts[2] << 16);
}

CDateTime CIniDocument::GetDateTime(const std::string& section, const std::string& key,
                                    const CDateTime& defaultValue, CIniReporter* reporter) const {
    const std::string value = GetString(section, key, std::string());
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
    if (!m_bCacheValid || section != m_strCachedName || m_pCachedTable == nullptr) {
        std::unique_ptr<CKeyTable>& slot = m_sections.FindOrInsert(section);
        if (!slot) slot = std::make_unique<CKeyTable>();
        m_strCachedName = section;
        m_pCachedTable = slot.get();
        m_bCacheValid = true;
    }
    m_pCachedTable->Set(key, Escape(value));
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
