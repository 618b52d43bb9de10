// UTF-8 sequences one code point at a time: the decoding behind the code-page conversions
// and behind reports that name the characters a conversion lost.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

class CUtf8 {
public:
    // The length (1 to 4) of the well-formed sequence that starts at `position`, its code
    // point in `codePoint`; 0 when the bytes there are no well-formed sequence (a stray
    // continuation byte, a cut-off sequence, an over-long form, a surrogate or a value above
    // U+10FFFF). REQUIRES: position < text.size().
    static std::size_t Decode(std::string_view text, std::size_t position, char32_t& codePoint);
    // Appends the UTF-8 form of `codePoint`. REQUIRES: a Unicode scalar value.
    static void Append(std::string& out, char32_t codePoint);
};
