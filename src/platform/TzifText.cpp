#include "platform/TzifText.h"

#include <cstdint>

namespace {

void AppendBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
    }
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

std::string CTzifText::FromPosixRule(std::string_view posixRule) {
    std::string text;
    AppendBlock(text);
    AppendBlock(text);
    text.push_back('\n');
    text.append(posixRule);
    text.push_back('\n');
    return text;
}
