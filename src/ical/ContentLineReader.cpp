#include "ical/ContentLineReader.h"

CContentLineReader::CContentLineReader(std::string_view text) : m_Text(text) {
    if (m_Text.substr(0, 3) == "\xEF\xBB\xBF") {
        m_Pos = 3;
    }
}

std::string_view CContentLineReader::TakePhysicalLine() {
    const size_t begin = m_Pos;
    size_t end = begin;
    while (end < m_Text.size() && m_Text[end] != '\n' && m_Text[end] != '\r') {
        ++end;
    }
    m_Pos = end;
    if (m_Pos < m_Text.size() && m_Text[m_Pos] == '\r') {
        ++m_Pos;
    }
    if (m_Pos < m_Text.size() && m_Text[m_Pos] == '\n') {
        ++m_Pos;
    }
    ++m_NextLineNumber;
    return m_Text.substr(begin, end - begin);
}

bool CContentLineReader::Next(std::string_view& line, int& lineNumber) {
    for (;;) {
        if (m_Pos >= m_Text.size()) {
            return false;
        }
        lineNumber = m_NextLineNumber;
        std::string_view first = TakePhysicalLine();
        const bool continued =
            m_Pos < m_Text.size() && (m_Text[m_Pos] == ' ' || m_Text[m_Pos] == '\t');
        if (!continued) {
            if (first.find_first_not_of(" \t") == std::string_view::npos) {
                continue;
            }
            line = first;
            return true;
        }
        m_Buffer.assign(first);
        while (m_Pos < m_Text.size() && (m_Text[m_Pos] == ' ' || m_Text[m_Pos] == '\t')) {
            ++m_Pos;
            m_Buffer.append(TakePhysicalLine());
        }
        if (m_Buffer.find_first_not_of(" \t") == std::string::npos) {
            continue;
        }
        line = m_Buffer;
        return true;
    }
}
