#include "feed/LineSplitter.h"

bool CLineSplitter::Next(std::string_view& line) {
    const std::size_t size = m_text.size();
    if (m_nPosition >= size) return false;
    std::size_t end = m_nPosition;
    while (end < size && m_text[end] != '\r' && m_text[end] != '\n') ++end;
    line = m_text.substr(m_nPosition, end - m_nPosition);
    ++m_nLine;
    if (end < size && m_text[end] == '\r' && end + 1 < size && m_text[end + 1] == '\n') ++end;
    m_nPosition = end + 1;
    return true;
}
