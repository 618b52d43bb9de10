// Reads an iCalendar text into its VCALENDAR components. Every VCALENDAR of the text is read.
// A text that ends inside a component, or whose BEGIN and END lines do not pair, is
// incomplete: a half-written or half-downloaded file, which the caller must not take for a
// calendar whose other events were deleted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ical/IcalComponent.h"

struct CIcalFinding {
    int line = 0;
    std::string text;
};

class CIcalReader {
public:
    enum EResult {
        kRead,        // every component closed; `calendars` holds them
        kIncomplete,  // BEGIN/END unpaired or the text ends inside a component
        kNoCalendar,  // no BEGIN:VCALENDAR at all
    };

    // Components nest at most this deep; deeper ones are skipped with a finding.
    static constexpr int kMostDepth = 16;

    // Reads `text` (UTF-8). Lines outside any VCALENDAR, malformed lines and too deep
    // components are skipped and reported in `findings` with their line numbers.
    static EResult Read(std::string_view text, std::vector<CIcalComponent>& calendars,
                        std::vector<CIcalFinding>& findings);
};
