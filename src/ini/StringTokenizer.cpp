#include "ini/StringTokenizer.h"

#include <utility>

CStringTokenizer::CStringTokenizer(const std::string& text, const std::string& delimiters)
    : m_strText(text), m_strDelimiters(delimiters), m_nLength(m_strText.size()) {
    BuildDelimiterTable();
}

CStringTokenizer::CStringTokenizer(std::string&& text, const std::string& delimiters)
    : m_strText(std::move(text)), m_strDelimiters(delimiters), m_nLength(m_strText.size()) {
    BuildDelimiterTable();
}

void CStringTokenizer::BuildDelimiterTable() {
    for (const char c : m_strDelimiters) m_isDelimiter[static_cast<unsigned char>(c)] = true;
}

void CStringTokenizer::SkipDelimiters() {
    while (m_nPosition < m_nLength && IsDelimiter(m_strText[m_nPosition])) ++m_nPosition;
}

bool CStringTokenizer::HasMoreTokens() {
    SkipDelimiters();
    return m_nPosition < m_nLength;
}

std::string CStringTokenizer::NextToken() {
    return std::string(NextTokenView());
}

std::string_view CStringTokenizer::NextTokenView() {
    SkipDelimiters();
    const std::size_t start = m_nPosition;
    while (m_nPosition < m_nLength && !IsDelimiter(m_strText[m_nPosition])) ++m_nPosition;
    return std::string_view(m_strText).substr(start, m_nPosition - start);
}
