// Writes iCalendar content lines (RFC 5545 section 3.1): NAME;PARAM=value:VALUE, folded and
// ended with CRLF, into a text that grows line by line.
#pragma once

#include <string>
#include <string_view>
#include <utility>

class CContentLineWriter {
public:
    // RFC 5545 folds lines longer than 75 octets, CRLF excluded.
    static constexpr std::size_t kMostOctetsPerLine = 75;

    // Appends one content line: `name`, then every parameter added by Param() since the last
    // line, then ':' and `value` as given (already in its value form: escape TEXT values
    // with EscapeText). The line is folded before it would exceed kMostOctetsPerLine octets:
    // CRLF and one space start each continuation, and a fold never splits a UTF-8 sequence
    // (a byte that is no well-formed UTF-8 counts as a character of its own).
    void Line(std::string_view name, std::string_view value);
    // Queues ";name=value" for the next Line(). A value holding ':', ';' or ',' is written in
    // double quotes; double quotes inside a value cannot be written in a parameter and
    // become single quotes, and control characters become spaces.
    CContentLineWriter& Param(std::string_view name, std::string_view value);

    // Appends `lines`, already content lines ending with CRLF, as they are.
    void AppendLines(std::string_view lines) { m_text.append(lines); }

    // The lines written so far.
    const std::string& Text() const { return m_text; }
    std::string TakeText() { return std::move(m_text); }

    // A TEXT value (RFC 5545 section 3.3.11): '\' ';' ',' escaped with a backslash, a line
    // break (CRLF, LF or a lone CR) as "\n"; other control characters except TAB are dropped,
    // since the grammar allows none.
    static std::string EscapeText(std::string_view text);

private:
    void AppendFolded(std::string_view line);

    std::string m_text;
    std::string m_params;
};
