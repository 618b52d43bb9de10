// The iCalendar reader and the recurrence expansion: the tree read from any text, written out
// again line by line (parameters quoted), reads back into the same tree; every event's rule
// expands in increasing order within its bounds; every VTIMEZONE gives offsets within a day.
//
// Input: the text of an iCalendar file.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "ical/IcalDateTime.h"
#include "ical/IcalReader.h"
#include "ical/RecurrenceSet.h"
#include "ical/VTimeZone.h"

namespace {

void Write(const CIcalComponent& component, std::string& text) {
    text += "BEGIN:" + component.name + "\r\n";
    for (const CContentLine& line : component.properties) {
        text += line.name;
        for (const CContentParameter& parameter : line.parameters) {
            text += ";" + parameter.name + "=";
            for (size_t i = 0; i < parameter.values.size(); ++i) {
                text += (i > 0 ? ",\"" : "\"") + parameter.values[i] + "\"";
            }
        }
        text += ":" + line.value + "\r\n";
    }
    for (const CIcalComponent& child : component.children) {
        Write(child, text);
    }
    text += "END:" + component.name + "\r\n";
}

bool SameTree(const CIcalComponent& a, const CIcalComponent& b) {
    if (a.name != b.name || a.properties.size() != b.properties.size() ||
        a.children.size() != b.children.size()) {
        return false;
    }
    for (size_t i = 0; i < a.properties.size(); ++i) {
        const CContentLine& x = a.properties[i];
        const CContentLine& y = b.properties[i];
        if (x.name != y.name || x.value != y.value || x.parameters.size() != y.parameters.size()) {
            return false;
        }
        for (size_t j = 0; j < x.parameters.size(); ++j) {
            if (x.parameters[j].name != y.parameters[j].name ||
                x.parameters[j].values != y.parameters[j].values) {
                return false;
            }
        }
    }
    for (size_t i = 0; i < a.children.size(); ++i) {
        if (!SameTree(a.children[i], b.children[i])) {
            return false;
        }
    }
    return true;
}

// Whether the written form can hold the tree: a quote or a line break inside a value has no
// written form, and a value that ends in blanks loses them on reading.
bool Writable(const CIcalComponent& component) {
    for (const CContentLine& line : component.properties) {
        for (const CContentParameter& parameter : line.parameters) {
            for (const std::string& value : parameter.values) {
                if (value.find_first_of("\"\r\n") != std::string::npos) {
                    return false;
                }
            }
        }
        if (line.value.find_first_of("\r\n") != std::string::npos) {
            return false;
        }
    }
    for (const CIcalComponent& child : component.children) {
        if (!Writable(child)) {
            return false;
        }
    }
    return true;
}

void CheckEvents(const CIcalComponent& component) {
    for (const CIcalComponent& child : component.children) {
        if (child.name == "VTIMEZONE") {
            if (const auto zone = CVTimeZone::FromComponent(child, nullptr)) {
                // Every year of the calendar is answered, also past the zone's table.
                for (const int year : {1, 2026, 5000, 9999}) {
                    const IcalSeconds at = CCivilTime::ToSeconds(CCivilFields{year, 6, 1, 0, 0, 0});
                    const int offset = zone->OffsetAtUtc(at);
                    FUZZ_CHECK(offset > -400000 && offset < 400000);
                }
            }
        }
        if (child.name != "VEVENT") {
            continue;
        }
        const CContentLine* start = child.Find("DTSTART");
        CIcalDateTime dtstart;
        if (start == nullptr || !CIcalDateTime::Parse(start->value, dtstart)) {
            continue;
        }
        CRecurrenceSet set;
        set.dtstart = dtstart.fields;
        for (const CContentLine* rrule : child.FindAll("RRULE")) {
            CRecurrenceRule rule;
            if (CRecurrenceRule::Parse(rrule->value, rule, nullptr)) {
                FUZZ_CHECK(CRecurrenceRule::Parse(rule.ToText(), rule, nullptr));
                set.rules.push_back(rule);
            }
        }
        const IcalSeconds from = dtstart.Seconds();
        bool truncated = false;
        const std::vector<IcalSeconds> starts =
            set.Expand(from, from + 2 * 366 * CCivilTime::kSecondsPerDay, 2000, truncated);
        for (size_t i = 1; i < starts.size(); ++i) {
            FUZZ_CHECK(starts[i - 1] < starts[i]);
        }
        FUZZ_CHECK(starts.size() <= 2000);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<CIcalComponent> calendars;
    std::vector<CIcalFinding> findings;
    if (CIcalReader::Read(text, calendars, findings) != CIcalReader::kRead) {
        return 0;
    }
    std::string written;
    bool writable = true;
    for (const CIcalComponent& calendar : calendars) {
        writable = writable && Writable(calendar);
        Write(calendar, written);
        CheckEvents(calendar);
    }
    if (writable) {
        std::vector<CIcalComponent> again;
        FUZZ_CHECK(CIcalReader::Read(written, again, findings) == CIcalReader::kRead);
        FUZZ_CHECK(again.size() == calendars.size());
        for (size_t i = 0; i < again.size(); ++i) {
            FUZZ_CHECK(SameTree(calendars[i], again[i]));
        }
    }
    return 0;
}
