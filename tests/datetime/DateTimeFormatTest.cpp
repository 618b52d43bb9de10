// Text forms of CDateTime: the formatter's directives and flags, the storage form, the dump
// and the lenient reader of stored text.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <sstream>
#include <string>

#include "datetime/DateTime.h"
#include "support/FakePlatform.h"

namespace {

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

struct Ymdhms {
    int year;
    int month;
    int day;
    int hour;
    int minute;
    int second;
};

CDateTime Make(const Ymdhms& v) {
    CDateTime value;
    EXPECT_TRUE(value.SetDateTime(v.year, v.month, v.day, v.hour, v.minute, v.second));
    return value;
}

std::string Describe(const CDateTime& value) {
    std::ostringstream out;
    out << value.GetYear() << '-' << value.GetMonth() << '-' << value.GetDay() << ' '
        << value.GetHour() << ':' << value.GetMinute() << ':' << value.GetSecond();
    return out.str();
}

// "a3" for ('a', 3): distinct names that show which index was asked for.
std::string Numbered(char prefix, int index) {
    std::string name(1, prefix);
    name += std::to_string(index);
    return name;
}

// Locale names come from a fake platform with English names, whatever the machine's locale.
class DateTimeFormatTest : public ::testing::Test {
protected:
    void SetUp() override { m_platform.Install(); }

    CFakePlatform m_platform;
};

TEST_F(DateTimeFormatTest, Directives) {
    const struct {
        Ymdhms value;
        const char* format;
        const char* expected;
    } cases[] = {
        // Names: 2024-05-19 is a Sunday, 2024-12-30 a Monday.
        {{2024, 5, 19, 8, 30, 0}, "%a %A %b %B", "Sun Sunday May May"},
        {{2024, 12, 30, 8, 30, 0}, "%a %A %b %B", "Mon Monday Dec December"},
        {{2024, 1, 4, 8, 30, 0}, "%a %A %b %B", "Thu Thursday Jan January"},
        // Two-digit numbers.
        {{2024, 5, 7, 8, 3, 9}, "%d|%H|%m|%M|%S", "07|08|05|03|09"},
        {{2024, 12, 31, 23, 59, 59}, "%d|%H|%m|%M|%S", "31|23|12|59|59"},
        // 12-hour clock and designators around midnight and noon.
        {{2024, 5, 17, 0, 15, 0}, "%I %p", "12 AM"},
        {{2024, 5, 17, 11, 59, 59}, "%I %p", "11 AM"},
        {{2024, 5, 17, 12, 0, 0}, "%I %p", "12 PM"},
        {{2024, 5, 17, 13, 5, 0}, "%I %p", "01 PM"},
        {{2024, 5, 17, 23, 0, 0}, "%I %p", "11 PM"},
        {{2024, 5, 17, 9, 0, 0}, "%#I %p", "9 AM"},
        // Day of year, three digits.
        {{2024, 1, 1, 0, 0, 0}, "%j", "001"},
        {{2024, 2, 1, 0, 0, 0}, "%j", "032"},
        {{2024, 12, 31, 0, 0, 0}, "%j", "366"},
        {{2023, 12, 31, 0, 0, 0}, "%j", "365"},
        {{2024, 2, 1, 0, 0, 0}, "%#j", "32"},
        // Day of week, never zero-filled.
        {{2024, 5, 19, 0, 0, 0}, "%w", "6"},
        {{2024, 5, 13, 0, 0, 0}, "%w", "0"},
        {{2024, 5, 19, 0, 0, 0}, "%#w", "6"},
        // ISO week.
        {{2021, 1, 3, 0, 0, 0}, "%W", "53"},
        {{2024, 12, 30, 0, 0, 0}, "%W", "01"},
        {{2020, 12, 31, 0, 0, 0}, "%W", "53"},
        {{2024, 12, 30, 0, 0, 0}, "%#W", "1"},
        // Years.
        {{2005, 1, 1, 0, 0, 0}, "%y %Y", "05 2005"},
        {{2000, 1, 1, 0, 0, 0}, "%y", "00"},
        {{2005, 1, 1, 0, 0, 0}, "%#y %#Y", "5 2005"},
        {{1, 1, 1, 0, 0, 0}, "%Y", "0001"},
        {{999, 1, 1, 0, 0, 0}, "%#Y", "999"},
        {{0, 1, 1, 0, 0, 0}, "%Y|%y|%j|%W", "0000|00|001|01"},
        {{12345, 6, 7, 0, 0, 0}, "%Y %y", "12345 45"},
        // The flag holds for its own directive only.
        {{2024, 3, 5, 0, 0, 0}, "%#d.%m", "5.03"},
        {{2024, 3, 5, 0, 0, 0}, "%#d %d", "5 05"},
        {{2024, 3, 5, 8, 5, 3}, "%#H:%#M:%#S", "8:5:3"},
        {{2024, 3, 5, 0, 0, 0}, "%##d", "5"},
        // Unknown directives and lone percent signs.
        {{2024, 3, 5, 0, 0, 0}, "100%", "100"},
        {{2024, 3, 5, 0, 0, 0}, "%q", "q"},
        {{2024, 3, 5, 0, 0, 0}, "%%", "%"},
        {{2024, 3, 5, 0, 0, 0}, "%#%", "%"},
        {{2024, 3, 5, 0, 0, 0}, "50%%d", "50%d"},
        {{2024, 3, 5, 0, 0, 0}, "%#", ""},
        {{2024, 3, 5, 0, 0, 0}, "%", ""},
        {{2024, 3, 5, 0, 0, 0}, "", ""},
        {{2024, 3, 5, 0, 0, 0}, "plain \xE4 text", "plain \xE4 text"},
        {{2024, 3, 5, 0, 0, 0}, "%D%T%Z", "DTZ"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Make(c.value).Format(c.format), c.expected)
            << c.format << " on " << Describe(Make(c.value));
    }
}

TEST_F(DateTimeFormatTest, LocaleIndicesStartAtMondayAndJanuary) {
    for (int i = 0; i < 7; ++i) {
        m_platform.SetLocaleText(ELocaleText::AbbrevDayName, i, Numbered('a', i));
        m_platform.SetLocaleText(ELocaleText::DayName, i, Numbered('A', i));
    }
    for (int i = 0; i < 12; ++i) {
        m_platform.SetLocaleText(ELocaleText::AbbrevMonthName, i, Numbered('b', i));
        m_platform.SetLocaleText(ELocaleText::MonthName, i, Numbered('B', i));
    }
    m_platform.SetLocaleText(ELocaleText::AmDesignator, 0, "vorm.");
    m_platform.SetLocaleText(ELocaleText::PmDesignator, 0, "nachm.");

    // 2024-05-13 is a Monday.
    for (int i = 0; i < 7; ++i) {
        const CDateTime day(2024, 5, 13 + i);
        EXPECT_EQ(day.Format("%a/%A"), Numbered('a', i) + "/" + Numbered('A', i));
    }
    for (int month = 1; month <= 12; ++month) {
        const CDateTime first(2024, month, 1);
        EXPECT_EQ(first.Format("%b/%B"), Numbered('b', month - 1) + "/" + Numbered('B', month - 1));
    }
    EXPECT_EQ(CDateTime(2024, 1, 1, 11, 0, 0).Format("%p"), "vorm.");
    EXPECT_EQ(CDateTime(2024, 1, 1, 12, 0, 0).Format("%p"), "nachm.");
}

TEST_F(DateTimeFormatTest, NumbersOnlyAskNoLocale) {
    const int before = m_platform.GetLocaleTextCalls();
    EXPECT_EQ(CDateTime(2024, 5, 17, 8, 30, 0).Format("%d|%H|%I|%j|%m|%M|%S|%w|%W|%y|%Y"),
              "17|08|08|138|05|30|00|4|20|24|2024");
    EXPECT_EQ(m_platform.GetLocaleTextCalls(), before);
}

TEST_F(DateTimeFormatTest, StorageAndDumpForms) {
    const CDateTime value(2024, 5, 17, 8, 30, 0);
    EXPECT_EQ(value.FormatStorage(), "2024 05 17 08 30 00");
    EXPECT_EQ(CDateTime().FormatStorage(), "0001 01 01 00 00 00");

    std::ostringstream dump;
    value.Dump(dump);
    EXPECT_EQ(dump.str(), "17.05.2024, 08:30:00");
    std::ostringstream defaultDump;
    CDateTime().Dump(defaultDump);
    EXPECT_EQ(defaultDump.str(), "01.01.0001, 00:00:00");
}

TEST_F(DateTimeFormatTest, ValuesFromDamagedPairsFormatLikePrintf) {
    const struct {
        std::int32_t day;
        std::int32_t second;
        const char* format;
        const char* expected;
    } cases[] = {
        // Day 0 is 31 December of year 0; a year below 0 keeps its sign inside the width.
        {0, 0, "%Y-%m-%d", "0000-12-31"},
        {-366, 0, "%Y-%m-%d %y", "-001-12-31 -1"},
        {-366, 0, "%#Y", "-1"},
        {kInt32Max, 0, "%Y-%m-%d %y", "5879611-07-11 11"},
        // A second of day past midnight shows hour 24.
        {1, 86400, "%H:%M:%S %I %p", "24:00:00 12 PM"},
        {1, -1, "%H:%M:%S", "00:00:-1"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CDateTime::FromStored(c.day, c.second).Format(c.format), c.expected)
            << c.day << ' ' << c.second << ' ' << c.format;
    }
    // Whatever the pair, every directive renders without failing.
    for (const std::int32_t day : {kInt32Min, -1, kInt32Max}) {
        for (const std::int32_t second : {kInt32Min, kInt32Max}) {
            const std::string text =
                CDateTime::FromStored(day, second).Format("%a%A%b%B%d%H%I%j%m%M%p%S%w%W%y%Y");
            EXPECT_FALSE(text.empty()) << day << ' ' << second;
        }
    }
}

TEST(DateTimeParseTest, ReadsUpToSixNumbers) {
    constexpr Ymdhms kBefore{2010, 6, 15, 13, 14, 15};
    const struct {
        const char* text;
        Ymdhms expected;
    } cases[] = {
        {"2024 05 17 08 30 00", {2024, 5, 17, 8, 30, 0}},
        {"2024-05-17 08:30", {2024, 5, 17, 8, 30, 0}},
        {"2024/5/17", {2024, 5, 17, 0, 0, 0}},
        {"2024\t05\t17\t23\t59\t59", {2024, 5, 17, 23, 59, 59}},
        {"::2024,,05..17\\\\08//30--00", {2024, 5, 17, 8, 30, 0}},
        {"  2024 05 17  ", {2024, 5, 17, 0, 0, 0}},
        // A hyphen separates; it is never a minus sign.
        {"2024 -05 -17", {2024, 5, 17, 0, 0, 0}},
        {"+2024 +5 +17 +8", {2024, 5, 17, 8, 0, 0}},
        // Each token contributes its leading digits; a token without any gives 0.
        {"2024x 05y 17z 08h", {2024, 5, 17, 8, 0, 0}},
        {"2024 05 17 x 30", {2024, 5, 17, 0, 30, 0}},
        {"2024 05 17\r\n", {2024, 5, 17, 0, 0, 0}},
        // Text after the sixth number is ignored.
        {"2024 05 17 08 30 00 99 extra", {2024, 5, 17, 8, 30, 0}},
        // Years are literal; year 0 is a valid date.
        {"24 1 2", {24, 1, 2, 0, 0, 0}},
        {"0 1 1", {0, 1, 1, 0, 0, 0}},
        {"++2024 5 17", {0, 5, 17, 0, 0, 0}},
        {"5879611 7 11 23 59 59", {5879611, 7, 11, 23, 59, 59}},
        // Digit runs wrap in 32 bits: 4294969320 is 2^32 + 2024.
        {"4294969320 5 17", {2024, 5, 17, 0, 0, 0}},
        // Invalid dates change nothing.
        {"17.05.2024", kBefore},
        {"2024 02 30", kBefore},
        {"", kBefore},
        {"abc", kBefore},
        {" \t:.,-/\\", kBefore},
        {"2024", kBefore},
        {"2024 13 1", kBefore},
        {"5879611 7 12", kBefore},
        {"2147483648 1 1", kBefore},
        {"99999999999999999999 1 1", kBefore},
        // A valid date with an invalid time takes the date alone.
        {"2024 02 29 25 00 00", {2024, 2, 29, 13, 14, 15}},
        {"2024 02 29 12 60", {2024, 2, 29, 13, 14, 15}},
    };
    for (const auto& c : cases) {
        CDateTime value = Make(kBefore);
        value.ParseStorage(c.text);
        const CDateTime& v = value;
        EXPECT_EQ(v.GetYear(), c.expected.year) << '"' << c.text << '"';
        EXPECT_EQ(v.GetMonth(), c.expected.month) << '"' << c.text << '"';
        EXPECT_EQ(v.GetDay(), c.expected.day) << '"' << c.text << '"';
        EXPECT_EQ(v.GetHour(), c.expected.hour) << '"' << c.text << '"';
        EXPECT_EQ(v.GetMinute(), c.expected.minute) << '"' << c.text << '"';
        EXPECT_EQ(v.GetSecond(), c.expected.second) << '"' << c.text << '"';
    }
}

TEST(DateTimeParseTest, StorageFormSaysWhichPartItRefused) {
    const struct {
        const char* text;
        EStorageParse expected;
    } cases[] = {
        {"2024 05 17 08 30 00", EStorageParse::Valid},
        {"2024-05-17", EStorageParse::Valid},
        {"", EStorageParse::InvalidDate},
        {"08:30", EStorageParse::InvalidDate},
        {"2024 02 30 08 00 00", EStorageParse::InvalidDate},
        {"2024 02 29 24 00 00", EStorageParse::InvalidTime},
        {"2024 02 29 12 00 60", EStorageParse::InvalidTime},
    };
    for (const auto& c : cases) {
        CDateTime value;
        EXPECT_EQ(value.ParseStorage(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(DateTimeParseTest, StorageFormReadsBackToTheSameValue) {
    const Ymdhms values[] = {{1, 1, 1, 0, 0, 0},
                             {2024, 2, 29, 23, 59, 59},
                             {9999, 12, 31, 12, 0, 1},
                             {24, 7, 4, 1, 2, 3},
                             {5879611, 7, 11, 6, 6, 6}};
    for (const Ymdhms& v : values) {
        const CDateTime original = Make(v);
        CDateTime read;
        read.ParseStorage(original.FormatStorage());
        EXPECT_EQ(read, original) << original.FormatStorage();
        EXPECT_EQ(read.FormatStorage(), original.FormatStorage());
    }
}

}  // namespace
