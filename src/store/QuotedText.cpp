#include "store/QuotedText.h"

#include "platform/Platform.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// The letter after the backslash of a one-letter escape of `c`, or 0 when `c` has none.
char EscapeLetter(unsigned char c, const CQuotedText::SRules& rules) {
    switch (c) {
        case '"':
            return '"';
        case '\\':
            return '\\';
        case '\n':
            return 'n';
        case '\r':
            return 'r';
        case '\t':
            return 't';
        case '\b':
            return rules.backspaceAndFormFeed ? 'b' : 0;
        case '\f':
            return rules.backspaceAndFormFeed ? 'f' : 0;
        default:
            return 0;
    }
}

}  // namespace

// Escapes after the conversion to UTF-8: a trail byte of a double-byte character may equal
// a quote or a backslash, and only the converted text keeps such bytes apart.
std::string CQuotedText::Of(std::string_view stored, const SRules& rules) {
    std::string out = "\"";
    for (const char ch : CPlatform::Current().AnsiToUtf8(std::string(stored))) {
        const auto c = static_cast<unsigned char>(ch);
        if (const char letter = EscapeLetter(c, rules); letter != 0) {
            out += '\\';
            out += letter;
        } else if (c < 0x20 || (c == 0x7F && rules.escapeDelete)) {
            out += rules.hexPrefix;
            out += kHexDigits[c >> 4];
            out += kHexDigits[c & 0x0F];
        } else {
            out += ch;
        }
    }
    out += '"';
    return out;
}
