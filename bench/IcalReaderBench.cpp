// The iCalendar reader over a generated 100,000-event text (a fifth of them weekly series,
// every event with a folded DESCRIPTION) beside libical's icalparser_parse_string of the same
// text, when libical is found: both build the whole component tree and free it again.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "ical/IcalReader.h"

#ifdef ZF_HAVE_LIBICAL
#include <libical/ical.h>
#endif

namespace {

constexpr int kEvents = 100000;
constexpr int kEveryRecurring = 5;
// Content lines are folded after this many octets (RFC 5545 section 3.1).
constexpr std::size_t kFoldWidth = 75;

void AppendFolded(std::string& text, const std::string& line) {
    std::size_t pos = 0;
    while (line.size() - pos > kFoldWidth) {
        text.append(line, pos, kFoldWidth);
        text.append("\r\n ");
        pos += kFoldWidth;
    }
    text.append(line, pos, std::string::npos);
    text.append("\r\n");
}

std::string TwoDigits(int value) {
    return std::string(1, static_cast<char>('0' + value / 10)) +
           static_cast<char>('0' + value % 10);
}

std::string MakeText() {
    std::string text =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Bench//Reader//EN\r\n"
        "BEGIN:VTIMEZONE\r\nTZID:Europe/Berlin\r\n"
        "BEGIN:DAYLIGHT\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nTZNAME:CEST\r\n"
        "DTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\nEND:DAYLIGHT\r\n"
        "BEGIN:STANDARD\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nTZNAME:CET\r\n"
        "DTSTART:19701025T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\nEND:STANDARD\r\n"
        "END:VTIMEZONE\r\n";
    text.reserve(static_cast<std::size_t>(kEvents) * 600);
    for (int i = 0; i < kEvents; ++i) {
        const std::string day = "2026" + TwoDigits(1 + i % 12) + TwoDigits(1 + i % 28);
        const std::string hour = TwoDigits(8 + i % 10);
        text.append("BEGIN:VEVENT\r\n");
        text.append("UID:event-" + std::to_string(i) + "@bench.example\r\n");
        text.append("DTSTAMP:20261201T120000Z\r\n");
        text.append("DTSTART;TZID=Europe/Berlin:" + day + "T" + hour + "0000\r\n");
        text.append("DTEND;TZID=Europe/Berlin:" + day + "T" + hour + "3000\r\n");
        text.append("SUMMARY:Event " + std::to_string(i) + " \\, team meeting\r\n");
        AppendFolded(text, "DESCRIPTION:Agenda for meeting " + std::to_string(i) +
                               ": review of the open items\\, the plan for the next "
                               "quarter\\; questions from the floor.\\nBring your notes.");
        text.append("LOCATION:Room " + std::to_string(i % 40) + "\\, Building B\r\n");
        text.append("CATEGORIES:Work,Meetings\r\n");
        text.append("ORGANIZER;CN=\"Doe, Jane\":mailto:jane@bench.example\r\n");
        if (i % kEveryRecurring == 0) {
            text.append("RRULE:FREQ=WEEKLY;BYDAY=MO,WE;UNTIL=20271231T230000Z\r\n");
            text.append("EXDATE;TZID=Europe/Berlin:" + day + "T" + hour + "0000\r\n");
        }
        text.append(
            "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\n"
            "TRIGGER:-PT15M\r\nEND:VALARM\r\n");
        text.append("END:VEVENT\r\n");
    }
    text.append("END:VCALENDAR\r\n");
    return text;
}

const std::string& Text() {
    static const std::string text = MakeText();
    return text;
}

void BM_IcalReader(benchmark::State& state) {
    const std::string& text = Text();
    for (auto _ : state) {
        std::vector<CIcalComponent> calendars;
        std::vector<CIcalFinding> findings;
        const CIcalReader::EResult result = CIcalReader::Read(text, calendars, findings);
        if (result != CIcalReader::kRead || calendars.size() != 1 ||
            calendars.front().children.size() != kEvents + 1) {
            state.SkipWithError("the generated text did not read back");
            break;
        }
        benchmark::DoNotOptimize(calendars.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_IcalReader)->Unit(benchmark::kMillisecond);

#ifdef ZF_HAVE_LIBICAL
void BM_LibicalParseString(benchmark::State& state) {
    const std::string& text = Text();
    for (auto _ : state) {
        icalcomponent* calendar = icalparser_parse_string(text.c_str());
        if (calendar == nullptr ||
            icalcomponent_count_components(calendar, ICAL_VEVENT_COMPONENT) != kEvents) {
            state.SkipWithError("libical did not read the generated text");
            if (calendar != nullptr) {
                icalcomponent_free(calendar);
            }
            break;
        }
        icalcomponent_free(calendar);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_LibicalParseString)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
