#include "platform/TempNames.h"

namespace {

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::string CTempNames::Tag(unsigned long process) {
    return "-zf" + std::to_string(process) + "-";
}

bool CTempNames::IsOwnName(std::string_view name, std::string_view head, unsigned long& process) {
    std::size_t at = head.size();
    if (head.empty()) {
        while (at < name.size() && at < 8 && IsLetter(name[at])) ++at;
        if (at == 0) return false;
    } else if (!name.starts_with(head)) {
        return false;
    }
    if (name.substr(at, 3) != "-zf") return false;
    at += 3;
    const std::size_t digits = at;
    process = 0;
    while (at < name.size() && name[at] >= '0' && name[at] <= '9' && at - digits < 10) {
        process = process * 10 + static_cast<unsigned long>(name[at] - '0');
        ++at;
    }
    return at > digits && at < name.size() && name[at] == '-' &&
           name.size() - at - 1 == kUniqueLength;
}
