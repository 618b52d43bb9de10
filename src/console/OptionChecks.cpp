#include "OptionChecks.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "sync/FeedAddress.h"
#include "sync/ImportChoices.h"

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

namespace {

// Year, month and day of "YYYY-MM-DD" when it is written so and names a real date.
bool ParseDate(const std::string& text, int& year, int& month, int& day) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i != 4 && i != 7 && (text[i] < '0' || text[i] > '9')) return false;
    }
    year = std::atoi(text.substr(0, 4).c_str());
    month = std::atoi(text.substr(5, 2).c_str());
    day = std::atoi(text.substr(8, 2).c_str());
    return year >= 1 && month >= 1 && month <= 12 && day >= 1 &&
           day <= CDateTime::DaysInMonth(year, month);
}

}  // namespace

CLI::Validator COptionChecks::Date() {
    return CLI::Validator(
        [](std::string& value) -> std::string {
            int year = 0;
            int month = 0;
            int day = 0;
            if (ParseDate(value, year, month, day)) return {};
            return "expected a date YYYY-MM-DD, got '" + value + "'";
        },
        "", "Date");
}

CDateTime COptionChecks::ToDate(const std::string& text) {
    int year = 0;
    int month = 0;
    int day = 0;
    if (!ParseDate(text, year, month, day)) return CDateTime();
    return CDateTime(year, month, day);
}

CLI::Validator COptionChecks::Minutes() {
    return CLI::Validator(
        [](std::string& value) -> std::string {
            if (value == "none") return {};
            errno = 0;
            char* end = nullptr;
            const long parsed = std::strtol(value.c_str(), &end, 10);
            if (value.empty() || *end != '\0' || errno != 0 || parsed < 0 || parsed > INT_MAX) {
                return "expected a number of minutes or none, got '" + value + "'";
            }
            return {};
        },
        "", "Minutes");
}

CLI::Validator COptionChecks::Color() {
    return CLI::Validator(
        [](std::string& value) -> std::string {
            if (value == "none" || CImportChoices::ParseColor(value)) return {};
            return "expected a CSS3 colour name, #RRGGBB or none, got '" + value + "'";
        },
        "", "Color");
}

std::string COptionChecks::Absolute(const std::string& path) {
    if (path.empty() || CFeedAddress::IsAddress(path)) return path;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}
