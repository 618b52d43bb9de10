// The text document: the text it writes parses back into the same document, and a value set
// through SetString reads back (a lone double-byte lead byte as '?') before and, in a
// single-byte code page, after the write and re-parse.
//
// Input: one control byte (bit 0: a double-byte code page), one length byte n, n bytes of a
// value to set, then the document text.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "ByteReader.h"
#include "FuzzCheck.h"
#include "FuzzPlatform.h"
#include "ini/IniDocument.h"

namespace {

// The content of a document's own written form, read back by its simple rules: "[name]"
// lines, "key=value" lines (trimmed as every line is on reading, which drops blanks at the end
// of a value), empty lines between sections. Section name -> key -> stored value; the
// written order is the hash map's, which depends on the order of insertion, so two equal
// documents may write their lines in different orders.
using CContent = std::map<std::string, std::map<std::string, std::string>>;

CContent ReadWritten(const std::string& written) {
    CContent content;
    std::map<std::string, std::string>* section = nullptr;
    std::size_t begin = 0;
    while (begin < written.size()) {
        std::size_t end = written.find("\r\n", begin);
        if (end == std::string::npos) end = written.size();
        const std::string_view line =
            CIniDocument::TrimWhiteSpace(std::string_view(written.data() + begin, end - begin));
        begin = end + 2;
        if (line.empty()) continue;
        if (line.front() == '[' && line.back() == ']') {
            const std::string name(line.substr(1, line.size() - 2));
            FUZZ_CHECK(content.count(name) == 0);
            section = &content[name];
            continue;
        }
        const std::size_t equals = CIniDocument::FindEquals(line);
        FUZZ_CHECK(section != nullptr && equals != std::string_view::npos);
        const std::string key(line.substr(0, equals));
        FUZZ_CHECK(section->count(key) == 0);
        (*section)[key] = std::string(line.substr(equals + 1));
    }
    return content;
}

// The written form of `document` parses into a document with the same sections, keys and
// values, and holds the values of the document's last key lines.
void CheckReparse(const CIniDocument& document) {
    std::string written;
    document.GetText(written);
    CIniDocument reparsed;
    reparsed.Parse(written);
    std::string rewritten;
    reparsed.GetText(rewritten);
    const CContent content = ReadWritten(written);
    FUZZ_CHECK(ReadWritten(rewritten) == content);
    for (const auto& [section, keys] : content) {
        FUZZ_CHECK(reparsed.HasSection(section));
        for (const auto& [key, stored] : keys) {
            FUZZ_CHECK(document.HasKey(section, key));
            FUZZ_CHECK(reparsed.GetString(section, key, "<absent>") ==
                       CIniDocument::Unescape(stored));
        }
        // The key lines, the last of each key counting, written as they stand and read back,
        // hold what the written form holds.
        const std::size_t index = document.FindSection(section);
        FUZZ_CHECK(index != CIniDocument::kNoSection);
        std::map<std::string, std::string> lines;
        document.ForEachKeyLine(index, [&](std::string_view key, std::string_view value) {
            lines[std::string(key)] = std::string(value);
        });
        std::string text = "[" + section + "]\r\n";
        for (const auto& [key, stored] : lines) text += key + "=" + stored + "\r\n";
        FUZZ_CHECK(ReadWritten(text)[section] == keys);
    }
}

bool IsTrimmed(char c) {
    return c == ' ' || c == '\v' || c == '\f';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CFuzzPlatform platform;
    CByteReader input(data, size);
    const bool doubleByte = (input.Byte() & 1) != 0;
    std::string value;
    for (std::uint8_t n = input.Byte(); n > 0 && !input.Empty(); --n) {
        value.push_back(static_cast<char>(input.Byte()));
    }
    platform.SetDoubleByte(doubleByte);

    CIniDocument document;
    document.Parse(input.Rest());
    CheckReparse(document);

    // A set value must survive the file: only blanks at its end are lost (lines are trimmed
    // on reading and those blanks are not escaped). With a double-byte code page the
    // trimming walks characters, so there only the document as a whole is compared.
    document.SetString("Fuzz", "Value", value);
    CheckReparse(document);
    // Before the file, the value reads back whole, a lone lead byte as '?'.
    std::string kept;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (!platform.IsLeadByte(c)) {
            kept += value[i];
        } else if (i + 1 < value.size() && static_cast<unsigned char>(value[i + 1]) >= 0x40) {
            kept += value.substr(i++, 2);
        } else {
            kept += '?';
        }
    }
    FUZZ_CHECK(document.GetString("Fuzz", "Value", "<absent>") == kept);
    if (!doubleByte) {
        std::string written;
        document.GetText(written);
        CIniDocument reparsed;
        reparsed.Parse(written);
        std::string expected = value;
        while (!expected.empty() && IsTrimmed(expected.back())) expected.pop_back();
        FUZZ_CHECK(reparsed.GetString("Fuzz", "Value", "<absent>") == expected);
    }
    return 0;
}
