// Windows-1252, the ANSI code page of Western Windows systems, which wrote the event files
// and feeds that this build reads. One table serves both directions.
#pragma once

class CWindows1252 {
public:
    // The code point of `byte`. The five bytes the code page leaves undefined (0x81, 0x8D,
    // 0x8F, 0x90, 0x9D) give the code point of the same value, as Windows gives them.
    static char32_t ToUnicode(unsigned char byte);
    // The byte of `codePoint` into `byte`; false when the code page lacks the character.
    static bool FromUnicode(char32_t codePoint, unsigned char& byte);
};
