// Logical lines of an iCalendar text, one at a time: line ends CRLF, LF or a lone CR; a line
// that starts with a space or a tab continues the one before (RFC 5545 section 3.1), without
// that one character. A UTF-8 byte-order mark at the start is skipped. Linear in the text:
// a logical line is unfolded into one reused buffer.
#pragma once

#include <string>
#include <string_view>

class CContentLineReader {
public:
    // `text` must outlive the reader.
    explicit CContentLineReader(std::string_view text);

    // The next logical line that is not blank, and the physical line (from 1) where it
    // begins. False at the end of the text. The view is valid until the next call.
    bool Next(std::string_view& line, int& lineNumber);

private:
    // The physical line at m_Pos, without its line end; advances past it.
    std::string_view TakePhysicalLine();

    std::string_view m_Text;
    size_t m_Pos = 0;
    int m_NextLineNumber = 1;
    std::string m_Buffer;
};
