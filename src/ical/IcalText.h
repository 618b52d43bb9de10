// TEXT values of iCalendar (RFC 5545 section 3.3.11): escapes and lists.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CIcalText {
public:
    // Resolves \\ \; \, \n \N (and \: which some publishers write); a backslash before any
    // other character, or at the end, is kept as it stands.
    static std::string Unescape(std::string_view text);
    // The values of a multi-valued TEXT (CATEGORIES): split on commas that are not escaped,
    // each unescaped and trimmed; empty values left out.
    static std::vector<std::string> SplitList(std::string_view text);
};
