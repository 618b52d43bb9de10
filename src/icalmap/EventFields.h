// How the plain fields of an iCalendar event become a date entry's properties: the notes,
// the colour, the reminder. Texts are UTF-8 here; the conversion to the ANSI code page
// follows.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CEventFields {
public:
    // LOCATION and URL as lines of their own (when given), then DESCRIPTION; lines end in
    // CR LF, as the calendar shows them.
    static std::string Notes(const std::string& location, const std::string& url,
                             const std::string& description);

    // The BgColor (0x00BBGGRR) of a COLOR value (a CSS3 colour name, letter case ignored);
    // none for a name CSS3 lacks.
    static std::optional<std::int32_t> BgColor(const std::string& color);

    struct SForewarn {
        std::int32_t Span = 0;
        std::int32_t Unit = 0;  // ESpanUnit: 0 minutes, 1 hours, 2 days, 3 weeks
    };
    // The reminder of the earliest alarm among `leads`: each an alarm's lead time before the
    // start in seconds (0: at the start). Leads below 0 (after the start) and leads that are
    // no whole number of minutes cannot be a reminder and are skipped; none when no lead is
    // left. The span is given in the largest unit that holds it exactly.
    static std::optional<SForewarn> Forewarn(const std::vector<std::int64_t>& leads);
};
