#include "OptionChecks.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "sync/FeedAddress.h"

CLI::Validator COptionChecks::SyncMode() {
    return CLI::Validator(
        [](std::string& value) -> std::string {
            if (value == "add" || value == "replace") return {};
            return "expected add or replace, got '" + value + "'";
        },
        "", "SyncMode");
}

CLI::Validator COptionChecks::Seconds() {
    return Field(ESubscriptionField::Interval, "Seconds");
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
    return Field(ESubscriptionField::Reminder, "Minutes");
}

CLI::Validator COptionChecks::Color() {
    return Field(ESubscriptionField::Color, "Color");
}

CLI::Validator COptionChecks::Field(ESubscriptionField field, const char* name) {
    return CLI::Validator(
        [field](std::string& value) { return CSubscriptionForm::CheckField(field, value); }, "",
        name);
}

std::string COptionChecks::Absolute(const std::string& path) {
    if (path.empty() || CFeedAddress::IsAddress(path)) return path;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.lexically_normal().string();
}
