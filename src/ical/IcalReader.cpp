#include "ical/IcalReader.h"

#include "ical/ContentLineReader.h"

namespace {

std::string Upper(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (c == ' ' || c == '\t') {
            continue;
        }
        result.push_back((c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c);
    }
    return result;
}

}  // namespace

CIcalReader::EResult CIcalReader::Read(std::string_view text,
                                       std::vector<CIcalComponent>& calendars,
                                       std::vector<CIcalFinding>& findings) {
    calendars.clear();
    CContentLineReader reader(text);
    // The open components, outermost first; components below the depth bound are counted,
    // not kept.
    std::vector<CIcalComponent> open;
    int skippedDepth = 0;
    bool sawCalendar = false;
    std::string_view raw;
    int lineNumber = 0;
    CContentLine line;
    while (reader.Next(raw, lineNumber)) {
        if (!CContentLine::Parse(raw, line)) {
            findings.push_back({lineNumber, "malformed line skipped"});
            continue;
        }
        if (line.name == "BEGIN") {
            const std::string name = Upper(line.value);
            if (skippedDepth > 0 || static_cast<int>(open.size()) >= kMostDepth) {
                if (skippedDepth == 0) {
                    findings.push_back({lineNumber, "component nested too deep skipped"});
                }
                ++skippedDepth;
                continue;
            }
            if (open.empty() && name != "VCALENDAR") {
                findings.push_back({lineNumber, "BEGIN:" + name + " outside VCALENDAR"});
                return kIncomplete;
            }
            sawCalendar = sawCalendar || name == "VCALENDAR";
            CIcalComponent component;
            component.name = name;
            component.line = lineNumber;
            open.push_back(std::move(component));
            continue;
        }
        if (line.name == "END") {
            const std::string name = Upper(line.value);
            if (skippedDepth > 0) {
                --skippedDepth;
                continue;
            }
            if (open.empty() || open.back().name != name) {
                findings.push_back({lineNumber, "END:" + name + " does not close " +
                                                    (open.empty() ? std::string("anything")
                                                                  : "BEGIN:" + open.back().name)});
                return kIncomplete;
            }
            CIcalComponent done = std::move(open.back());
            open.pop_back();
            if (open.empty()) {
                calendars.push_back(std::move(done));
            } else {
                open.back().children.push_back(std::move(done));
            }
            continue;
        }
        if (skippedDepth > 0) {
            continue;
        }
        if (open.empty()) {
            findings.push_back({lineNumber, "line outside VCALENDAR skipped"});
            continue;
        }
        line.line = lineNumber;
        open.back().properties.push_back(line);
    }
    if (!open.empty() || skippedDepth > 0) {
        findings.push_back({lineNumber, "the text ends inside BEGIN:" +
                                            (open.empty() ? std::string("?") : open.back().name)});
        return kIncomplete;
    }
    return sawCalendar ? kRead : kNoCalendar;
}
