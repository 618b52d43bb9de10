// Reading date-time text (ParseStorage), against a reader written here from the rules: up to
// six numbers (year, month, day, hour, minute, second) between runs of separators, each its
// token's leading "+"-signed digit run, missing ones 0, applied with SetDateTime. Whatever it
// reads keeps its calendar fields in step with its stored pair, and its storage text reads
// back to the same value.

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "FuzzPlatform.h"
#include "datetime/DateTime.h"

namespace {

bool IsSeparator(char c) {
    return c != '\0' && std::strchr(" \t:.,-/\\", c) != nullptr;
}

// The six numbers, or nothing when a digit run is too long to read without overflow (how an
// overflow reads is not fixed, so the reference leaves it out).
std::optional<std::array<int, 6>> ReferenceNumbers(std::string_view text) {
    std::array<int, 6> numbers{};
    for (int& number : numbers) {
        while (!text.empty() && IsSeparator(text.front())) text.remove_prefix(1);
        std::size_t length = 0;
        while (length < text.size() && !IsSeparator(text[length])) ++length;
        if (length == 0) break;
        std::string_view token = text.substr(0, length);
        text.remove_prefix(length);
        if (!token.empty() && token.front() == '+') token.remove_prefix(1);
        std::size_t digits = 0;
        while (digits < token.size() && token[digits] >= '0' && token[digits] <= '9') ++digits;
        if (digits > 9) return std::nullopt;
        number = 0;
        for (std::size_t i = 0; i < digits; ++i) number = number * 10 + (token[i] - '0');
    }
    return numbers;
}

bool SameValue(const CDateTime& a, const CDateTime& b) {
    return a.GetDayNumber() == b.GetDayNumber() && a.GetSecondOfDay() == b.GetSecondOfDay() &&
           a.GetYear() == b.GetYear() && a.GetMonth() == b.GetMonth() && a.GetDay() == b.GetDay() &&
           a.GetHour() == b.GetHour() && a.GetMinute() == b.GetMinute() &&
           a.GetSecond() == b.GetSecond();
}

void CheckFrom(const CDateTime& start, const std::string& text) {
    CDateTime parsed = start;
    parsed.ParseStorage(text);

    // The fields that the setters gave equal those derived from the stored pair, except in
    // year 0, whose day numbers are its days of the year and so name days of year 1 as well.
    if (parsed.GetYear() != 0) {
        FUZZ_CHECK(SameValue(
            parsed, CDateTime::FromStored(parsed.GetDayNumber(), parsed.GetSecondOfDay())));
    }

    const std::optional<std::array<int, 6>> numbers = ReferenceNumbers(text);
    if (numbers) {
        CDateTime expected = start;
        const auto& n = *numbers;
        expected.SetDateTime(n[0], n[1], n[2], n[3], n[4], n[5]);
        FUZZ_CHECK(SameValue(parsed, expected));
    }

    CDateTime reread;
    reread.ParseStorage(parsed.FormatStorage());
    FUZZ_CHECK(SameValue(reread, parsed));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CFuzzPlatform platform;
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckFrom(CDateTime(), text);
    // A value with a date and a time of its own shows what an invalid part leaves alone.
    CheckFrom(CDateTime(2024, 5, 17, 8, 30, 0), text);
    return 0;
}
