// A stored string as a listing quotes it: converted from the ANSI code page to UTF-8, in
// double quotes, its quotes, backslashes and control characters escaped by the listing's
// rules.
#pragma once

#include <string>
#include <string_view>

class CQuotedText {
public:
    // What differs between listings; \" \\ \n \r \t are escaped by all of them.
    struct SRules {
        bool backspaceAndFormFeed;  // \b and \f get one-letter escapes
        bool escapeDelete;          // 0x7F is escaped like the control characters below 0x20
        const char* hexPrefix;  // precedes the two upper-case hex digits of an escaped character
    };

    // Converts with CPlatform::Current().AnsiToUtf8.
    static std::string Of(std::string_view stored, const SRules& rules);
};
