// A component of an iCalendar text (VCALENDAR, VEVENT, VTIMEZONE, STANDARD, VALARM, ...) with
// its properties in file order and the components nested in it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ical/ContentLine.h"

class CIcalComponent {
public:
    std::string name;  // upper-case, e.g. "VEVENT"
    int line = 0;      // the line of its BEGIN
    std::vector<CContentLine> properties;
    std::vector<CIcalComponent> children;

    // The first property of that (upper-case) name, or nullptr.
    const CContentLine* Find(std::string_view propertyName) const;
    // Every property of that name, in file order.
    std::vector<const CContentLine*> FindAll(std::string_view propertyName) const;
};
