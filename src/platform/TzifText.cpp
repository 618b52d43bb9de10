#include "platform/TzifText.h"

#include <algorithm>

namespace {

void AppendBigEndian(std::string& out, std::uint64_t value, int bytes = 4) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
}

struct SType {
    int offset = 0;
    bool daylight = false;
    bool operator==(const SType&) const = default;
};

// A header and data block with `timeSize`-byte times (4: the version-1 block, left empty as
// RFC 8536 allows for readers of version 2 and later).
void AppendChangesBlock(std::string& out, const std::vector<SType>& types,
                        const std::vector<CTzifText::SChange>& changes,
                        const std::vector<std::uint8_t>& indices, int timeSize) {
    const bool empty = timeSize == 4;
    out += "TZif2";
    out.append(15, '\0');
    const std::uint32_t counts[] = {0,
                                    0,
                                    0,
                                    empty ? 0u : static_cast<std::uint32_t>(changes.size()),
                                    empty ? 1u : static_cast<std::uint32_t>(types.size()),
                                    8};  // "STD\0DST\0"
    for (const std::uint32_t count : counts) AppendBigEndian(out, count);
    if (!empty) {
        for (const auto& change : changes) {
            AppendBigEndian(out, static_cast<std::uint64_t>(change.unixSeconds), 8);
        }
        for (const std::uint8_t index : indices) out.push_back(static_cast<char>(index));
    }
    for (std::size_t t = 0; t < (empty ? 1 : types.size()); ++t) {
        AppendBigEndian(out, static_cast<std::uint32_t>(types[t].offset));
        out.push_back(types[t].daylight ? '\1' : '\0');
        out.push_back(types[t].daylight ? '\4' : '\0');
    }
    out.append("STD\0DST\0", 8);
}

// A header and data block with one local time type (offset 0, standard time, "UTC"): the
// footer alone tells the offsets.
void AppendBlock(std::string& out) {
    out += "TZif2";
    out.append(15, '\0');
    const std::uint32_t counts[] = {0, 0, 0, 0, 1, 4};  // isut, isstd, leap, time, type, char
    for (const std::uint32_t count : counts) {
        AppendBigEndian(out, count);
    }
    AppendBigEndian(out, 0);  // utoff
    out.push_back('\0');      // isdst
    out.push_back('\0');      // abbreviation index
    out.append("UTC", 4);
}

}  // namespace

bool CTzifText::IsZoneName(std::string_view name) {
    if (name.empty() || name.size() > 64 || name.front() == '/' || name.back() == '/') {
        return false;
    }
    for (const char c : name) {
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                        (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '+' || c == '/';
        if (!ok) {
            return false;
        }
    }
    return name.find("..") == std::string_view::npos && name.find("//") == std::string_view::npos;
}

std::string CTzifText::FromChanges(int initialOffset, const std::vector<SChange>& changes,
                                   std::string_view posixRule) {
    std::vector<SType> types{{initialOffset, false}};
    std::vector<std::uint8_t> indices;
    for (const SChange& change : changes) {
        const SType type{change.offset, change.daylight};
        auto found = std::find(types.begin(), types.end(), type);
        if (found == types.end()) found = types.insert(types.end(), type);
        indices.push_back(static_cast<std::uint8_t>(found - types.begin()));
    }
    std::string text;
    AppendChangesBlock(text, types, changes, indices, 4);
    AppendChangesBlock(text, types, changes, indices, 8);
    text.push_back('\n');
    text.append(posixRule);
    text.push_back('\n');
    return text;
}

std::string CTzifText::FromPosixRule(std::string_view posixRule) {
    std::string text;
    AppendBlock(text);
    AppendBlock(text);
    text.push_back('\n');
    text.append(posixRule);
    text.push_back('\n');
    return text;
}
