#include "ical/ContentLine.h"

namespace {

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.' || c == '/';
}

std::string Upper(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return result;
}

// Reads a name at `pos`; empty when none.
std::string_view ReadName(std::string_view text, size_t& pos) {
    const size_t begin = pos;
    while (pos < text.size() && IsNameChar(text[pos])) {
        ++pos;
    }
    return text.substr(begin, pos - begin);
}

// Reads one parameter value (quoted or not) at `pos`, stopping before ',', ';' or ':' outside
// quotes. False on an unterminated quote.
bool ReadParameterValue(std::string_view text, size_t& pos, std::string& value) {
    value.clear();
    if (pos < text.size() && text[pos] == '"') {
        const size_t close = text.find('"', pos + 1);
        if (close == std::string_view::npos) {
            return false;
        }
        value.assign(text.substr(pos + 1, close - pos - 1));
        pos = close + 1;
        // Publishers sometimes write text after a closing quote; it belongs to the value.
        while (pos < text.size() && text[pos] != ',' && text[pos] != ';' && text[pos] != ':') {
            value.push_back(text[pos++]);
        }
        return true;
    }
    const size_t begin = pos;
    while (pos < text.size() && text[pos] != ',' && text[pos] != ';' && text[pos] != ':') {
        ++pos;
    }
    value.assign(text.substr(begin, pos - begin));
    return true;
}

}  // namespace

const std::string* CContentLine::Parameter(std::string_view parameterName) const {
    for (const CContentParameter& parameter : parameters) {
        if (parameter.name == parameterName) {
            return parameter.values.empty() ? nullptr : &parameter.values.front();
        }
    }
    return nullptr;
}

bool CContentLine::Parse(std::string_view text, CContentLine& line) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) {
        ++pos;
    }
    const std::string_view name = ReadName(text, pos);
    if (name.empty()) {
        return false;
    }
    line.name = Upper(name);
    line.parameters.clear();
    while (pos < text.size() && text[pos] == ';') {
        ++pos;
        const std::string_view parameterName = ReadName(text, pos);
        if (parameterName.empty()) {
            // A stray ';' before the ':' (seen in the wild) is passed over.
            if (pos < text.size() && text[pos] == ':') {
                break;
            }
            return false;
        }
        if (pos >= text.size() || text[pos] != '=') {
            return false;
        }
        ++pos;
        CContentParameter parameter;
        parameter.name = Upper(parameterName);
        std::string value;
        for (;;) {
            if (!ReadParameterValue(text, pos, value)) {
                return false;
            }
            parameter.values.push_back(value);
            if (pos < text.size() && text[pos] == ',') {
                ++pos;
                continue;
            }
            break;
        }
        line.parameters.push_back(std::move(parameter));
    }
    if (pos >= text.size() || text[pos] != ':') {
        return false;
    }
    std::string_view value = text.substr(pos + 1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) {
        value.remove_suffix(1);
    }
    line.value.assign(value);
    return true;
}
