#include "ical/IcalText.h"

std::string CIcalText::Unescape(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\' || i + 1 >= text.size()) {
            result.push_back(c);
            continue;
        }
        const char next = text[i + 1];
        if (next == 'n' || next == 'N') {
            result.push_back('\n');
        } else if (next == '\\' || next == ';' || next == ',' || next == ':' || next == '"') {
            result.push_back(next);
        } else {
            result.push_back(c);
            continue;
        }
        ++i;
    }
    return result;
}

std::vector<std::string> CIcalText::SplitList(std::string_view text) {
    std::vector<std::string> values;
    size_t begin = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] == '\\') {
            ++i;
            continue;
        }
        if (i == text.size() || text[i] == ',') {
            std::string value = Unescape(text.substr(begin, i - begin));
            const size_t first = value.find_first_not_of(" \t");
            if (first != std::string::npos) {
                const size_t last = value.find_last_not_of(" \t");
                values.push_back(value.substr(first, last - first + 1));
            }
            begin = i + 1;
        }
    }
    return values;
}
