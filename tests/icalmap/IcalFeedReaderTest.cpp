#include "icalmap/IcalFeedReader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ical/SystemZones.h"
#include "store/Agenda.h"
#include "store/EventData.h"
#include "store/OccurrenceTestSupport.h"
#include "support/FakePlatform.h"

namespace {

const char* const kBerlinZone =
    "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\n"
    "BEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nDTSTART:19700329T020000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\n"
    "BEGIN:STANDARD\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nDTSTART:19701025T030000\r\n"
    "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";

// A zone as some web calendars write it: only the changes of the two years they need.
std::string CutZone(const std::string& tzid) {
    return "BEGIN:VTIMEZONE\r\nTZID:" + tzid +
           "\r\n"
           "BEGIN:STANDARD\r\nDTSTART:20261025T030000\r\nTZOFFSETFROM:+0200\r\n"
           "TZOFFSETTO:+0100\r\nEND:STANDARD\r\n"
           "BEGIN:DAYLIGHT\r\nDTSTART:20270328T020000\r\nTZOFFSETFROM:+0100\r\n"
           "TZOFFSETTO:+0200\r\nEND:DAYLIGHT\r\n"
           "BEGIN:STANDARD\r\nDTSTART:20271031T030000\r\nTZOFFSETFROM:+0200\r\n"
           "TZOFFSETTO:+0100\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
}

std::string Calendar(const std::string& body, const std::string& zones = kBerlinZone) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Test//EN\r\n" + zones + body +
           "END:VCALENDAR\r\n";
}

class IcalFeedReaderTest : public ::testing::Test {
protected:
    struct SImport {
        std::vector<CDateEntry> entries;
        std::vector<std::string> findings;
    };

    SImport Import(const std::string& text, const char* zone = "Europe/Berlin") {
        const std::unique_ptr<CTimeZone> local = CSystemZones::Find(m_platform, zone);
        EXPECT_NE(local, nullptr) << zone;
        CDateEntryArray entries;
        std::vector<CIcalFeedFinding> findings;
        EXPECT_TRUE(CIcalFeedReader::Read(text, m_now, *local, m_platform, entries, findings));
        SImport result;
        for (int i = 0; i < entries.GetSize(); ++i) result.entries.push_back(entries[i]);
        for (const CIcalFeedFinding& finding : findings) {
            result.findings.push_back(std::to_string(finding.line) + ": " + finding.text);
        }
        return result;
    }

    // "start end description" of every occurrence in [from, to].
    static std::vector<std::string> Agenda(const std::vector<CDateEntry>& entries,
                                           const CDateTime& from, const CDateTime& to) {
        CEventData data;
        for (const CDateEntry& entry : entries) data.DateEntries2.Add(entry);
        std::vector<std::string> lines;
        for (const CAgenda::SItem& item : CAgenda::List(data, from, to)) {
            lines.push_back(Text(item.Start) + " " + Text(item.End) + " " + item.Description);
        }
        return lines;
    }

    static bool Has(const std::vector<std::string>& findings, const std::string& part) {
        for (const std::string& finding : findings) {
            if (finding.find(part) != std::string::npos) return true;
        }
        return false;
    }

    CFakePlatform m_platform;
    const CDateTime m_now = Dt(2026, 12, 1, 12);
};

// Each row a habit of some publisher, the occurrences it must give in Berlin within a window,
// and a finding that check-feed shows (empty: none asked for).
TEST_F(IcalFeedReaderTest, PublishersHabits) {
    const struct {
        const char* name;
        std::string text;
        CDateTime from;
        CDateTime to;
        std::vector<std::string> agenda;
        const char* finding;
    } rows[] = {
        {"an edited instance exported with its series' RRULE still on it",
         Calendar("BEGIN:VEVENT\r\nUID:choir\r\nDTSTAMP:20261205T071233Z\r\n"
                  "DTSTART;TZID=Europe/Berlin:20261103T183000\r\n"
                  "DTEND;TZID=Europe/Berlin:20261103T200000\r\n"
                  "RRULE:FREQ=WEEKLY;UNTIL=20270629T163000Z;BYDAY=TU\r\nSUMMARY:Choir\r\n"
                  "END:VEVENT\r\n"
                  "BEGIN:VEVENT\r\nUID:choir\r\nDTSTAMP:20261205T071233Z\r\n"
                  "RECURRENCE-ID;TZID=Europe/Berlin:20261110T183000\r\n"
                  "DTSTART;TZID=Europe/Berlin:20261112T193000\r\n"
                  "DTEND;TZID=Europe/Berlin:20261112T210000\r\n"
                  "RRULE:FREQ=WEEKLY;UNTIL=20270629T163000Z;BYDAY=TU\r\n"
                  "RDATE;TZID=Europe/Berlin:20261126T193000\r\nSUMMARY:Choir (church)\r\n"
                  "END:VEVENT\r\n"),
         Dt(2026, 11, 1),
         Dt(2026, 11, 30, 23, 59, 59),
         {"2026-11-03 18:30:00 2026-11-03 20:00:00 Choir",
          "2026-11-12 19:30:00 2026-11-12 21:00:00 Choir (church)",
          "2026-11-17 18:30:00 2026-11-17 20:00:00 Choir",
          "2026-11-24 18:30:00 2026-11-24 20:00:00 Choir"},
         "changed instance with RRULE or RDATE"},
        {"two versions: the higher SEQUENCE wins wherever it stands, nothing of the other stays",
         Calendar("BEGIN:VEVENT\r\nUID:plan\r\nSEQUENCE:2\r\nDTSTAMP:20261120T083000Z\r\n"
                  "DTSTART;TZID=Europe/Berlin:20270107T140000\r\n"
                  "DTEND;TZID=Europe/Berlin:20270107T153000\r\n"
                  "RRULE:FREQ=WEEKLY;COUNT=3\r\nSUMMARY:Planning (Thursday)\r\nEND:VEVENT\r\n"
                  "BEGIN:VEVENT\r\nUID:plan\r\nSEQUENCE:0\r\nDTSTAMP:20261215T101500Z\r\n"
                  "DTSTART;TZID=Europe/Berlin:20270106T100000\r\n"
                  "DTEND;TZID=Europe/Berlin:20270106T113000\r\n"
                  "RRULE:FREQ=WEEKLY\r\nRDATE;TZID=Europe/Berlin:20270115T100000\r\n"
                  "SUMMARY:Planning (Wednesday)\r\nEND:VEVENT\r\n"),
         Dt(2027, 1, 1),
         Dt(2027, 12, 31),
         {"2027-01-07 14:00:00 2027-01-07 15:30:00 Planning (Thursday)",
          "2027-01-14 14:00:00 2027-01-14 15:30:00 Planning (Thursday)",
          "2027-01-21 14:00:00 2027-01-21 15:30:00 Planning (Thursday)"},
         "older version"},
        {"versions without SEQUENCE: the later DTSTAMP wins, though earlier in the file",
         Calendar("BEGIN:VEVENT\r\nUID:hall\r\nDTSTAMP:20261128T170000Z\r\n"
                  "DTSTART;TZID=Europe/Berlin:20270116T180000\r\nSUMMARY:Hall (new)\r\n"
                  "END:VEVENT\r\n"
                  "BEGIN:VEVENT\r\nUID:hall\r\nDTSTAMP:20261102T120000Z\r\n"
                  "DTSTART;TZID=Europe/Berlin:20270109T180000\r\n"
                  "RDATE;TZID=Europe/Berlin:20270123T180000\r\nSUMMARY:Hall (old)\r\n"
                  "END:VEVENT\r\n"),
         Dt(2027, 1, 1),
         Dt(2027, 1, 31),
         {"2027-01-16 18:00:00 2027-01-16 18:00:00 Hall (new)"},
         "older version"},
        {"versions of one changed instance and equal ranks: the last in the file wins",
         Calendar("BEGIN:VEVENT\r\nUID:board\r\nDTSTAMP:20261110T100000Z\r\n"
                  "DTSTART;TZID=Europe/Berlin:20270105T170000\r\nRRULE:FREQ=WEEKLY;COUNT=3\r\n"
                  "SUMMARY:Board\r\nEND:VEVENT\r\n"
                  "BEGIN:VEVENT\r\nUID:board\r\nSEQUENCE:3\r\nDTSTAMP:20261110T100000Z\r\n"
                  "RECURRENCE-ID;TZID=Europe/Berlin:20270112T170000\r\n"
                  "DTSTART;TZID=Europe/Berlin:20270113T170000\r\nSUMMARY:Board (A)\r\n"
                  "END:VEVENT\r\n"
                  "BEGIN:VEVENT\r\nUID:board\r\nSEQUENCE:3\r\nDTSTAMP:20261110T100000Z\r\n"
                  "RECURRENCE-ID;TZID=Europe/Berlin:20270112T170000\r\n"
                  "DTSTART;TZID=Europe/Berlin:20270114T170000\r\nSUMMARY:Board (B)\r\n"
                  "END:VEVENT\r\n"),
         Dt(2027, 1, 1),
         Dt(2027, 1, 31),
         {"2027-01-05 17:00:00 2027-01-05 17:00:00 Board",
          "2027-01-14 17:00:00 2027-01-14 17:00:00 Board (B)",
          "2027-01-19 17:00:00 2027-01-19 17:00:00 Board"},
         "older version"},
        {"DTEND across the fall-back night keeps the exact length, DURATION of days the nominal",
         Calendar("BEGIN:VEVENT\r\nUID:night\r\nDTSTART;TZID=Europe/Berlin:20261017T220000\r\n"
                  "DTEND;TZID=Europe/Berlin:20261018T060000\r\nRRULE:FREQ=WEEKLY;COUNT=3\r\n"
                  "SUMMARY:Night shift\r\nEND:VEVENT\r\n"
                  "BEGIN:VEVENT\r\nUID:weekend\r\nDTSTART;TZID=Europe/Berlin:20261017T080000\r\n"
                  "DURATION:P1D\r\nRRULE:FREQ=WEEKLY;COUNT=2\r\nSUMMARY:Weekend duty\r\n"
                  "END:VEVENT\r\n"
                  "BEGIN:VEVENT\r\nUID:window\r\nDTSTART;TZID=Europe/Berlin:20261024T230000\r\n"
                  "DURATION:PT5H\r\nSUMMARY:Maintenance\r\nEND:VEVENT\r\n"),
         Dt(2026, 10, 1),
         Dt(2026, 11, 30),
         {"2026-10-17 08:00:00 2026-10-18 08:00:00 Weekend duty",
          "2026-10-17 22:00:00 2026-10-18 06:00:00 Night shift",
          "2026-10-24 08:00:00 2026-10-25 08:00:00 Weekend duty",
          "2026-10-24 22:00:00 2026-10-25 05:00:00 Night shift",
          "2026-10-24 23:00:00 2026-10-25 03:00:00 Maintenance",
          "2026-10-31 22:00:00 2026-11-01 06:00:00 Night shift"},
         ""},
        {"a VTIMEZONE cut to two years: the system's zone of its name beyond them",
         Calendar("BEGIN:VEVENT\r\nUID:run\r\nDTSTART;TZID=Europe/Berlin:20290610T093000\r\n"
                  "SUMMARY:City run\r\nEND:VEVENT\r\n"
                  "BEGIN:VEVENT\r\nUID:run2\r\nDTSTART;TZID=/citadel.org/20250101_1/Europe/Berlin:"
                  "20290617T093000\r\nSUMMARY:City run 2\r\nEND:VEVENT\r\n",
                  CutZone("Europe/Berlin") + CutZone("/citadel.org/20250101_1/Europe/Berlin")),
         Dt(2029, 6, 1),
         Dt(2029, 6, 30),
         {"2029-06-10 09:30:00 2029-06-10 09:30:00 City run",
          "2029-06-17 09:30:00 2029-06-17 09:30:00 City run 2"},
         ""},
        {"a cut VTIMEZONE the system does not know: its last offset goes on, and is reported",
         Calendar("BEGIN:VEVENT\r\nUID:club\r\nDTSTART;TZID=Club time:20290610T093000\r\n"
                  "SUMMARY:Club run\r\nEND:VEVENT\r\n",
                  CutZone("Club time")),
         Dt(2029, 6, 1),
         Dt(2029, 6, 30),
         {"2029-06-10 10:30:00 2029-06-10 10:30:00 Club run"},
         "time zone Club time does not cover every occurrence"},
        {"RDATE periods keep their ends; COUNT before UNTIL: COUNT ends the rule",
         Calendar("BEGIN:VEVENT\r\nUID:notes\r\nDTSTART:20270111T080000Z\r\n"
                  "DTEND:20270111T090000Z\r\n"
                  "RDATE;VALUE=PERIOD:20270118T080000Z/20270118T100000Z,20270125T080000Z/PT90M\r\n"
                  "SUMMARY:Round\r\nEND:VEVENT\r\n"
                  "BEGIN:VEVENT\r\nUID:course\r\nDTSTART:20270301T150000Z\r\n"
                  "RRULE:FREQ=WEEKLY;COUNT=2;UNTIL=20271231T000000Z\r\nSUMMARY:Course\r\n"
                  "END:VEVENT\r\n"),
         Dt(2027, 1, 1),
         Dt(2027, 12, 31),
         {"2027-01-11 09:00:00 2027-01-11 10:00:00 Round",
          "2027-01-18 09:00:00 2027-01-18 11:00:00 Round",
          "2027-01-25 09:00:00 2027-01-25 10:30:00 Round",
          "2027-03-01 16:00:00 2027-03-01 16:00:00 Course",
          "2027-03-08 16:00:00 2027-03-08 16:00:00 Course"},
         "both COUNT and UNTIL: UNTIL ignored"},
        {"UNTIL before COUNT: UNTIL ends the rule",
         Calendar("BEGIN:VEVENT\r\nUID:course\r\nDTSTART:20270301T150000Z\r\n"
                  "RRULE:FREQ=WEEKLY;UNTIL=20270308T150000Z;COUNT=10\r\nSUMMARY:Course\r\n"
                  "END:VEVENT\r\n"),
         Dt(2027, 1, 1),
         Dt(2027, 12, 31),
         {"2027-03-01 16:00:00 2027-03-01 16:00:00 Course",
          "2027-03-08 16:00:00 2027-03-08 16:00:00 Course"},
         "both COUNT and UNTIL: COUNT ignored"},
        {"events published years ahead, past the sync's horizon: a congress, a festival day, "
         "and a weekly course with a moved lesson",
         Calendar(
             "BEGIN:VEVENT\r\nUID:congress\r\nDTSTART;TZID=Europe/Berlin:20310605T090000\r\n"
             "DTEND;TZID=Europe/Berlin:20310605T170000\r\nSUMMARY:Congress\r\n"
             "END:VEVENT\r\n"
             "BEGIN:VEVENT\r\nUID:fest\r\nDTSTART;VALUE=DATE:20311224\r\n"
             "SUMMARY:Festival\r\nEND:VEVENT\r\n"
             "BEGIN:VEVENT\r\nUID:course\r\nRECURRENCE-ID;TZID=Europe/Berlin:20320309T180000\r\n"
             "DTSTART;TZID=Europe/Berlin:20320310T180000\r\n"
             "DTEND;TZID=Europe/Berlin:20320310T190000\r\nSUMMARY:Course (moved)\r\n"
             "END:VEVENT\r\n"
             "BEGIN:VEVENT\r\nUID:course\r\nDTSTART;TZID=Europe/Berlin:20320302T180000\r\n"
             "DTEND;TZID=Europe/Berlin:20320302T190000\r\nRRULE:FREQ=WEEKLY;COUNT=3\r\n"
             "SUMMARY:Course\r\nEND:VEVENT\r\n"),
         Dt(2031, 1, 1),
         Dt(2032, 12, 31),
         {"2031-06-05 09:00:00 2031-06-05 17:00:00 Congress",
          "2031-12-24 00:00:00 2031-12-24 23:59:59 Festival",
          "2032-03-02 18:00:00 2032-03-02 19:00:00 Course",
          "2032-03-10 18:00:00 2032-03-10 19:00:00 Course (moved)",
          "2032-03-16 18:00:00 2032-03-16 19:00:00 Course"},
         ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const SImport imported = Import(row.text);
        EXPECT_EQ(Agenda(imported.entries, row.from, row.to), row.agenda);
        if (*row.finding != '\0') {
            EXPECT_TRUE(Has(imported.findings, row.finding))
                << ::testing::PrintToString(imported.findings);
        } else {
            EXPECT_FALSE(Has(imported.findings, "time zone"))
                << ::testing::PrintToString(imported.findings);
        }
    }
}

// A daily event at a UTC time, as Google exports it, seen where the clocks change: one series
// per stretch between two changes, each exact, the last one going on past the horizon.
TEST_F(IcalFeedReaderTest, DailyUtcEventIsOneSeriesPerStretch) {
    const std::string text = Calendar(
        "BEGIN:VEVENT\r\nUID:deploy\r\nDTSTART:20260105T190000Z\r\nDTEND:20260105T193000Z\r\n"
        "RRULE:FREQ=DAILY\r\nSUMMARY:Deploy\r\nEND:VEVENT\r\n",
        "");
    const struct {
        const char* zone;
        const char* winter;
        const char* summer;
    } zones[] = {{"Europe/Berlin", "20:00:00", "21:00:00"},
                 {"America/New_York", "14:00:00", "15:00:00"}};
    for (const auto& zone : zones) {
        SCOPED_TRACE(zone.zone);
        const SImport imported = Import(text, zone.zone);
        // 2026 to the horizon: four springs and four autumns, nine stretches.
        EXPECT_LE(imported.entries.size(), 9u);
        EXPECT_GE(imported.entries.size(), 2u);
        for (const CDateEntry& entry : imported.entries) {
            EXPECT_EQ(entry.Properties.Repeat, kRepeatEvery);
            EXPECT_EQ(entry.GetDroppedOccurrenceCount(), 0);
        }
        EXPECT_EQ(imported.entries.back().Properties.RepeatEnd, kRepeatEndNever);
        const std::vector<std::string> days =
            Agenda(imported.entries, Dt(2026, 1, 1), Dt(2031, 12, 31, 23, 59, 59));
        // Every day once, from 5 January 2026 on, past the horizon too.
        EXPECT_EQ(days.size(), static_cast<std::size_t>(Dt(2032, 1, 1).GetDayNumber() -
                                                        Dt(2026, 1, 5).GetDayNumber()));
        std::vector<std::string> january, july;
        for (const std::string& day : days) {
            if (day.compare(0, 8, "2027-01-") == 0) january.push_back(day.substr(11, 8));
            if (day.compare(0, 8, "2028-07-") == 0) july.push_back(day.substr(11, 8));
        }
        EXPECT_EQ(january, std::vector<std::string>(31, zone.winter));
        EXPECT_EQ(july, std::vector<std::string>(31, zone.summer));
    }
}

}  // namespace
