#include "ini/LineSplitter.h"

#include <cstring>

CLineSplitter::CLineSplitter(std::string_view text)
    : m_text(text), m_nNextLf(Find('\n', 0, text.size())) {}

bool CLineSplitter::Next(std::string_view& line) {
    const std::size_t size = m_text.size();
    if (m_nPosition >= size) return false;
    if (m_nNextLf < m_nPosition) m_nNextLf = Find('\n', m_nPosition, size);
    std::size_t end = Find('\r', m_nPosition, m_nNextLf);
    line = m_text.substr(m_nPosition, end - m_nPosition);
    ++m_nLine;
    if (end + 1 < size && m_text[end] == '\r' && m_text[end + 1] == '\n') ++end;
    m_nPosition = end + 1;
    return true;
}

// Line ends are rare among the bytes, so memchr's wide search pays.
std::size_t CLineSplitter::Find(char c, std::size_t from, std::size_t to) const {
    if (from >= to) return to;
    const void* const found = std::memchr(m_text.data() + from, c, to - from);
    return found == nullptr
               ? to
               : static_cast<std::size_t>(static_cast<const char*>(found) - m_text.data());
}
