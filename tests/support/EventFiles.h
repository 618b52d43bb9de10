// Event files for tests that look at what a sync left: an empty one to start from, and the
// feed's list of one read back in a line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CEventFiles {
public:
    // The bytes of an event file without entries.
    static std::vector<std::uint8_t> Empty();
    // "{GUID}=Description " for every entry of the second list (the one feeds fill) of the
    // event file at `path`, in order.
    static std::string Entries(const std::string& path);
    // The descriptions alone of the same entries, separated by spaces.
    static std::string Descriptions(const std::string& path);
};
