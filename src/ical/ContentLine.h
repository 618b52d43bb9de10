// One logical line of an iCalendar text (RFC 5545 section 3.1): NAME *(";" PARAM) ":" VALUE,
// after unfolding. Names of the line and its parameters are kept upper-case; values as written
// (UTF-8), parameter values without their quotes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct CContentParameter {
    std::string name;
    // The comma-separated values of the parameter, quotes removed.
    std::vector<std::string> values;
};

class CContentLine {
public:
    std::string name;
    std::vector<CContentParameter> parameters;
    std::string value;
    // The physical line (counted from 1) on which the logical line begins.
    int line = 0;

    // The first value of the named parameter (upper-case name), or nullptr when absent.
    const std::string* Parameter(std::string_view parameterName) const;

    // Splits one unfolded line. False (line unchanged in part) when it has no ':' outside
    // quotes, an empty or invalid name, or a parameter without '='.
    static bool Parse(std::string_view text, CContentLine& line);
};
