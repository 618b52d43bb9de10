// Cuts a text into tokens separated by runs of delimiter characters.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The tokenizer works on its own copy of the text and makes one pass over it. Delimiters are
// single bytes; a run of them is one separator, so tokens are never empty.
class CStringTokenizer {
public:
    // Every character of `delimiters` is a delimiter.
    CStringTokenizer(const std::string& text, const std::string& delimiters);
    // Takes the text over without copying it.
    CStringTokenizer(std::string&& text, const std::string& delimiters);
    virtual ~CStringTokenizer() = default;

    // Moves past any delimiters; true when characters remain after them.
    bool HasMoreTokens();
    // Moves past any delimiters and returns the characters up to the next delimiter or the
    // end of the text, leaving the position on that delimiter. Empty only when no token
    // remains.
    std::string NextToken();
    // As NextToken, but a view into the tokenizer's own text: valid while the tokenizer
    // lives. Spares a copy per token when the caller copies parts of it anyway.
    std::string_view NextTokenView();

private:
    void BuildDelimiterTable();
    void SkipDelimiters();
    bool IsDelimiter(char c) const { return m_isDelimiter[static_cast<unsigned char>(c)]; }

    std::string m_strText;
    std::string m_strDelimiters;
    std::size_t m_nLength;
    std::size_t m_nPosition = 0;
    bool m_isDelimiter[256] = {};
};
