// What a CIniDocument tells a tool that explains a file: the lines its parse skips or lets
// overwrite earlier ones, and the values its getters do not read as written.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "datetime/DateTime.h"

// Every method does nothing unless overridden. The document takes the reporter as an
// optional pointer and, given none, does no work for it.
class CIniReporter {
public:
    virtual ~CIniReporter() = default;

    // --- Parse: one call per non-blank line, in the order of the text. Line numbers count
    // from 1; CR LF, LF and a lone CR each end a line.

    // A section header. `replaces`: a section of this name was open before; its keys are lost.
    virtual void OnSection(std::size_t /*line*/, std::string_view /*name*/, bool /*replaces*/) {}
    // A key line of the open section, `stored` being the value as it stands (escaped).
    // `replaces`: the section had the key already; the earlier value is lost.
    virtual void OnKey(std::size_t /*line*/, std::string_view /*key*/, std::string_view /*stored*/,
                       bool /*replaces*/) {}
    // A key line before the first section header; no section holds it.
    virtual void OnKeyOutsideSection(std::size_t /*line*/, std::string_view /*key*/) {}
    // A line that is neither a section header nor a key line.
    virtual void OnIgnoredLine(std::size_t /*line*/) {}

    // --- Getters handed the reporter: a value that is present and not empty but does not
    // read as written.

    // An integer without digits, read as 0.
    virtual void OnIntegerWithoutDigits(const std::string& /*section*/,
                                        const std::string& /*key*/) {}
    // One of the first three items of a colour without digits, read as 0.
    virtual void OnColorItemWithoutDigits(const std::string& /*section*/,
                                          const std::string& /*key*/, std::string_view /*item*/) {}
    // A colour with fewer than three items, for which the default is returned.
    virtual void OnColorTooShort(const std::string& /*section*/, const std::string& /*key*/) {}
    // A date-time that CDateTime::ParseStorage refused in part; `result` is what the getter
    // returns.
    virtual void OnDateTimeRefused(const std::string& /*section*/, const std::string& /*key*/,
                                   EStorageParse /*refused*/, const CDateTime& /*result*/) {}
};
