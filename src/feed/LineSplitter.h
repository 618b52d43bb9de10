// Cuts a text into lines and numbers them, as editors count them.
#pragma once

#include <cstddef>
#include <string_view>

// CR LF, LF and a lone CR each end one line; a last line without an end counts too, but the
// end of the text after a line end opens none. Lines are views into the caller's text, which
// must outlive them.
class CLineSplitter {
public:
    explicit CLineSplitter(std::string_view text) : m_text(text) {}

    // The next line without its end into `line`; false when the text is used up.
    bool Next(std::string_view& line);
    // The number of the line that Next gave last, counting from 1.
    std::size_t GetLineNumber() const { return m_nLine; }

private:
    std::string_view m_text;
    std::size_t m_nPosition = 0;
    std::size_t m_nLine = 0;
};
