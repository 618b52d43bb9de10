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
