// Which reader a feed file needs, told from its first bytes rather than its name.
#pragma once

#include <string>
#include <string_view>

class CFeedFormat {
public:
    // True when the text, after an optional UTF-8 byte-order mark and any blank lines (empty
    // or of spaces and tabs only), begins with the line BEGIN:VCALENDAR (letter case
    // ignored, spaces or tabs before its line end allowed): an iCalendar file. Anything else
    // is an INI feed. `head` may be the file's first bytes only; 4 KiB are plenty.
    static bool IsICalendar(std::string_view head);
    // Why a text that is no feed is refused, for the user to recognise what was read instead
    // (a login page, a cut download): "not a feed file (first bytes: "<!DOCTYPE html>...")",
    // with at most kShownBytes bytes, each byte outside printable ASCII as an escape.
    static std::string NotAFeedReason(std::string_view text);
    static constexpr std::size_t kShownBytes = 24;
};
