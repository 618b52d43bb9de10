#include "ical/TzifZone.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ical/VtimezoneWriter.h"
#include "platform/TzifText.h"

namespace {

IcalSeconds Utc(int year, int month, int day, int hour = 0, int minute = 0) {
    return CCivilTime::ToSeconds({year, month, day, hour, minute, 0});
}

std::int64_t Unix(IcalSeconds utc) {
    return utc - CCivilTime::DaysFromCivil(1970, 1, 1) * CCivilTime::kSecondsPerDay;
}

void Put(std::string& out, std::int64_t value, int size) {
    for (int i = size - 1; i >= 0; --i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A version 2 file as zic writes one: a version 1 block holding nothing, then the 64-bit block
// with `times` (each switching to type 1 and type 2 in turn: CEST +2, CET +1; type 0 is the
// LMT before them) and the footer.
std::string CentralEurope(const std::vector<IcalSeconds>& times, const std::string& footer) {
    auto header = [](std::string& out, std::int64_t timeCount, std::int64_t typeCount,
                     std::int64_t charCount) {
        out += "TZif2";
        out += std::string(15, '\0');
        for (const std::int64_t count :
             {0L, 0L, 0L, static_cast<long>(timeCount), static_cast<long>(typeCount),
              static_cast<long>(charCount)}) {
            Put(out, count, 4);
        }
    };
    std::string bytes;
    header(bytes, 0, 1, 1);
    Put(bytes, 0, 4);
    bytes += std::string(2, '\0');
    bytes += '\0';
    const std::string chars = std::string("LMT\0CEST\0CET\0", 13);
    header(bytes, static_cast<std::int64_t>(times.size()), 3,
           static_cast<std::int64_t>(chars.size()));
    for (const IcalSeconds t : times) Put(bytes, Unix(t), 8);
    for (std::size_t i = 0; i < times.size(); ++i)
        bytes.push_back(static_cast<char>(i % 2 == 0 ? 1 : 2));
    const struct {
        int offset;
        int daylight;
        int abbreviation;
    } types[] = {{3208, 0, 0}, {7200, 1, 4}, {3600, 0, 9}};
    for (const auto& type : types) {
        Put(bytes, type.offset, 4);
        bytes.push_back(static_cast<char>(type.daylight));
        bytes.push_back(static_cast<char>(type.abbreviation));
    }
    bytes += chars;
    bytes += "\n" + footer + "\n";
    return bytes;
}

// Changes of 2020 and 2021 (last Sunday of March, 01:00 UTC; of October, 01:00 UTC). A
// function: a constant would be computed before the civil-time code's own constants.
std::vector<IcalSeconds> Changes() {
    return {Utc(2020, 3, 29, 1), Utc(2020, 10, 25, 1), Utc(2021, 3, 28, 1), Utc(2021, 10, 31, 1)};
}

TEST(TzifZoneTest, OffsetsFromTheTableAndTheFooterRule) {
    const auto zone =
        CTzifZone::Parse("Test/Berlin", CentralEurope(Changes(), "CET-1CEST,M3.5.0,M10.5.0/3"));
    ASSERT_NE(zone, nullptr);
    EXPECT_EQ(zone->Name(), "Test/Berlin");
    const struct {
        IcalSeconds utc;
        int offset;
    } cases[] = {
        {Utc(2019, 6, 1), 3208},  // before the table: its first type
        {Utc(2020, 3, 29, 0, 59), 3208}, {Utc(2020, 3, 29, 1), 7200},
        {Utc(2020, 12, 1), 3600},        {Utc(2021, 10, 31, 0, 59), 7200},
        {Utc(2021, 10, 31, 1), 3600},     // the table's last change
        {Utc(2024, 3, 31, 0, 59), 3600},  // from here on the footer's rule
        {Utc(2024, 3, 31, 1), 7200},     {Utc(2024, 10, 27, 0, 59), 7200},
        {Utc(2024, 10, 27, 1), 3600},    {Utc(2030, 7, 1), 7200},
    };
    for (const auto& c : cases) EXPECT_EQ(zone->OffsetAtUtc(c.utc), c.offset) << c.utc;
    // A wall-clock time in the spring gap is read with the offset before it.
    EXPECT_EQ(zone->UtcFromLocal(Utc(2024, 3, 31, 2, 30)), Utc(2024, 3, 31, 1, 30));

    const std::vector<CTzifZone::STransition> changes =
        zone->Transitions(Utc(2021, 6, 1), Utc(2023, 1, 1));
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[0].utcSeconds, Utc(2021, 10, 31, 1));
    EXPECT_EQ(changes[1].utcSeconds, Utc(2022, 3, 27, 1));
    EXPECT_TRUE(changes[1].daylight);
    EXPECT_EQ(changes[1].abbreviation, "CEST");
    EXPECT_EQ(changes[2].utcSeconds, Utc(2022, 10, 30, 1));
}

TEST(TzifZoneTest, RefusesWhatIsNoZoneData) {
    const std::string good = CentralEurope(Changes(), "CET-1CEST,M3.5.0,M10.5.0/3");
    // Cut anywhere before the footer (which is optional), the data is refused.
    const std::size_t footer = good.rfind('\n', good.size() - 2);
    for (std::size_t length = 0; length < footer; ++length) {
        EXPECT_EQ(CTzifZone::Parse("x", good.substr(0, length)), nullptr) << length;
    }
    EXPECT_NE(CTzifZone::Parse("x", good.substr(0, footer)), nullptr);
    EXPECT_EQ(CTzifZone::Parse("x", "TZaf2" + good.substr(5)), nullptr);
    // A zone without daylight time keeps its offset after the table.
    const auto fixed = CTzifZone::Parse("x", CentralEurope(Changes(), "<+0330>-3:30"));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->OffsetAtUtc(Utc(2030, 7, 1)), 3 * 3600 + 1800);
}

TEST(TzifZoneTest, VtimezoneListsChangesThenTheYearlyRule) {
    const auto zone =
        CTzifZone::Parse("Test/Berlin", CentralEurope(Changes(), "CET-1CEST,M3.5.0,M10.5.0/3"));
    ASSERT_NE(zone, nullptr);
    const std::string text = CVtimezoneWriter::Write(*zone, Utc(2020, 1, 1), Utc(2030, 1, 1));
    // The table's changes of 2020 and 2021 follow the yearly rule, so it takes over in 2021,
    // after the offset of 2020-01-01 and the changes of 2020.
    EXPECT_EQ(text,
              "BEGIN:VTIMEZONE\r\nTZID:Test/Berlin\r\n"
              "BEGIN:STANDARD\r\nDTSTART:20200101T005328\r\nTZOFFSETFROM:+005328\r\n"
              "TZOFFSETTO:+005328\r\nEND:STANDARD\r\n"
              "BEGIN:DAYLIGHT\r\nDTSTART:20200329T015328\r\nTZOFFSETFROM:+005328\r\n"
              "TZOFFSETTO:+0200\r\nTZNAME:CEST\r\nEND:DAYLIGHT\r\n"
              "BEGIN:STANDARD\r\nDTSTART:20201025T030000\r\nTZOFFSETFROM:+0200\r\n"
              "TZOFFSETTO:+0100\r\nTZNAME:CET\r\nEND:STANDARD\r\n"
              "BEGIN:DAYLIGHT\r\nDTSTART:20210328T020000\r\n"
              "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nTZOFFSETFROM:+0100\r\n"
              "TZOFFSETTO:+0200\r\nTZNAME:CEST\r\nEND:DAYLIGHT\r\n"
              "BEGIN:STANDARD\r\nDTSTART:20211031T030000\r\n"
              "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nTZOFFSETFROM:+0200\r\n"
              "TZOFFSETTO:+0100\r\nTZNAME:CET\r\nEND:STANDARD\r\n"
              "END:VTIMEZONE\r\n");
}

// The zone data a platform without zoneinfo files hands out: its own changes, then a rule.
TEST(TzifZoneTest, ReadsTheChangesAPlatformWrites) {
    const IcalSeconds epoch = Utc(1970, 1, 1);
    const std::vector<CTzifText::SChange> changes = {
        {Utc(2005, 4, 3, 7) - epoch, -4 * 3600, true},
        {Utc(2005, 10, 30, 6) - epoch, -5 * 3600, false},
        {Utc(2006, 1, 1, 5) - epoch, -6 * 3600, false},
    };
    const auto zone = CTzifZone::Parse(
        "x", CTzifText::FromChanges(-5 * 3600, changes, "<STD>5<DST>4,M3.2.0,M11.1.0"));
    ASSERT_NE(zone, nullptr);
    const struct {
        IcalSeconds utc;
        int offset;
    } cases[] = {
        {Utc(1950, 7, 1), -5 * 3600},     {Utc(2005, 4, 3, 6, 59), -5 * 3600},
        {Utc(2005, 4, 3, 7), -4 * 3600},  {Utc(2005, 10, 30, 6), -5 * 3600},
        {Utc(2006, 1, 1, 5), -6 * 3600},  {Utc(2007, 3, 11, 6, 59), -5 * 3600},
        {Utc(2007, 3, 11, 7), -4 * 3600}, {Utc(2040, 12, 1), -5 * 3600},
    };
    for (const auto& c : cases) EXPECT_EQ(zone->OffsetAtUtc(c.utc), c.offset) << c.utc;
}

}  // namespace
