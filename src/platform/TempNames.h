// The names of the program's own temporary and staging files, which carry the process that
// made them, so that a later start can tell the ones that a killed process left behind
// ("dat-zf4711-Ab3xYz") from those of a process still running.
#pragma once

#include <string>
#include <string_view>

class CTempNames {
public:
    // The part after a file's prefix: "-zf", the process number and "-"; a unique part of
    // kUniqueLength characters follows it.
    static std::string Tag(unsigned long process);
    static constexpr std::size_t kUniqueLength = 6;
    // True when `name` is `head`, a Tag and a unique part of kUniqueLength characters, with
    // `process` then the number in the tag. An empty `head` stands for any prefix of 1 to 8
    // ASCII letters (the prefixes of temporary files).
    static bool IsOwnName(std::string_view name, std::string_view head, unsigned long& process);
};
