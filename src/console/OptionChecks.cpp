#include "OptionChecks.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

CLI::Validator COptionChecks::SyncMode() {
    return CLI::Validator(
        [](std::string& value) -> std::string {
            if (value == "add" || value == "replace") return {};
            return "expected add or replace, got '" + value + "'";
        },
        "", "SyncMode");
}

CLI::Validator COptionChecks::Seconds() {
    return CLI::Validator(
        [](std::string& value) -> std::string {
            errno = 0;
            char* end = nullptr;
            const long parsed = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || errno != 0 || parsed < INT_MIN ||
                parsed > INT_MAX) {
                return "expected a whole number of seconds, got '" + value + "'";
            }
            return {};
        },
        "", "Seconds");
}
