// Cuts a text into lines and numbers them, as editors count them.
#pragma once

#include <cstddef>
#include <string_view>

// CR LF, LF and a lone CR each end one line; a last line without an end counts too, but the
// end of the text after a line end opens none. Lines are views into the caller's text, which
// must outlive them.
class CLineSplitter {
public:
    explicit CLineSplitter(std::string_view text);

    // The next line without its end into `line`; false when the text is used up.
    bool Next(std::string_view& line);
    // The number of the line that Next gave last, counting from 1.
    std::size_t GetLineNumber() const { return m_nLine; }

private:
    // The position of the first `c` in [from, to); `to` when there is none.
    std::size_t Find(char c, std::size_t from, std::size_t to) const;

    std::string_view m_text;
    std::size_t m_nPosition = 0;
    // The first LF at or after m_nPosition, or the text's size: kept from line to line, so
    // that a text of lone CRs is not searched to its end for every line.
    std::size_t m_nNextLf = 0;
    std::size_t m_nLine = 0;
};
