#include "feed/FeedFormat.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

bool CFeedFormat::IsICalendar(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
    std::size_t at = 0;
    while (at < head.size()) {
        std::size_t end = head.find('\n', at);
        if (end == std::string_view::npos) end = head.size();
        std::string_view line = head.substr(at, end - at);
        while (!line.empty() && (IsBlank(line.back()) || line.back() == '\r'))
            line.remove_suffix(1);
        while (!line.empty() && IsBlank(line.front())) line.remove_prefix(1);
        if (!line.empty()) {
            constexpr std::string_view kBegin = "BEGIN:VCALENDAR";
            if (line.size() != kBegin.size()) return false;
            for (std::size_t i = 0; i < kBegin.size(); ++i) {
                char c = line[i];
                if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
                if (c != kBegin[i]) return false;
            }
            return true;
        }
        at = end + 1;
    }
    return false;
}

std::string CFeedFormat::NotAFeedReason(std::string_view text) {
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string shown;
    for (const char c : text.substr(0, kShownBytes)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n') {
            shown += "\\n";
        } else if (c == '\r') {
            shown += "\\r";
        } else if (c == '\t') {
            shown += "\\t";
        } else if (c == '"' || c == '\\') {
            shown += '\\';
            shown += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            shown += "\\x";
            shown += kHex[byte >> 4];
            shown += kHex[byte & 0x0F];
        } else {
            shown += c;
        }
    }
    return "not a feed file (first bytes: \"" + shown +
           (text.size() > kShownBytes ? "\"...)" : "\")");
}
