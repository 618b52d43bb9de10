// libical's parse of a whole iCalendar file, as one process: the reference the import's own
// whole-process time and peak memory are set against (the same file read, parsed into
// libical's component tree, its events counted, the tree freed).
//
// usage: LibicalParseFile CALENDAR.ics   prints the number of VEVENTs
#include <libical/ical.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CALENDAR.ics\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    icalcomponent* calendar = icalparser_parse_string(text.c_str());
    if (calendar == nullptr) {
        std::fprintf(stderr, "libical read no calendar\n");
        return 1;
    }
    std::printf("%d\n", icalcomponent_count_components(calendar, ICAL_VEVENT_COMPONENT));
    icalcomponent_free(calendar);
    return 0;
}
