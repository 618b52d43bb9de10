#include "ical/ContentLineWriter.h"

#include "platform/Utf8.h"

void CContentLineWriter::Line(std::string_view name, std::string_view value) {
    std::string line;
    line.reserve(name.size() + m_params.size() + 1 + value.size());
    line.append(name);
    line.append(m_params);
    line.push_back(':');
    line.append(value);
    m_params.clear();
    AppendFolded(line);
}

CContentLineWriter& CContentLineWriter::Param(std::string_view name, std::string_view value) {
    std::string cleaned;
    cleaned.reserve(value.size());
    bool needsQuotes = false;
    for (const char c : value) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"') {
            cleaned.push_back('\'');
        } else if (u < 0x20 || u == 0x7F) {
            cleaned.push_back(' ');
        } else {
            needsQuotes = needsQuotes || c == ':' || c == ';' || c == ',';
            cleaned.push_back(c);
        }
    }
    m_params.push_back(';');
    m_params.append(name);
    m_params.push_back('=');
    if (needsQuotes) m_params.push_back('"');
    m_params.append(cleaned);
    if (needsQuotes) m_params.push_back('"');
    return *this;
}

void CContentLineWriter::AppendFolded(std::string_view line) {
    // The first physical line holds 75 octets, each continuation 74 after its leading space.
    std::size_t room = kMostOctetsPerLine;
    std::size_t position = 0;
    while (position < line.size()) {
        std::size_t taken = 0;
        while (position + taken < line.size()) {
            char32_t codePoint = 0;
            std::size_t length = CUtf8::Decode(line, position + taken, codePoint);
            if (length == 0) length = 1;
            if (taken + length > room) break;
            taken += length;
        }
        m_text.append(line.substr(position, taken));
        m_text.append("\r\n");
        position += taken;
        if (position < line.size()) m_text.push_back(' ');
        room = kMostOctetsPerLine - 1;
    }
    if (line.empty()) m_text.append("\r\n");
}

std::string CContentLineWriter::EscapeText(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
            case '\\':
            case ';':
            case ',':
                out.push_back('\\');
                out.push_back(c);
                break;
            case '\r':
                if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
                out.append("\\n");
                break;
            case '\n':
                out.append("\\n");
                break;
            default:
                if ((static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) || c == '\t') {
                    out.push_back(c);
                }
                break;
        }
    }
    return out;
}
