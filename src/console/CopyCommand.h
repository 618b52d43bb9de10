// `zelvarofeed copy IN OUT`: loads an event file and saves it again, normalised as loading
// normalises it (current schemas, single-byte strings, Spare 0).
#pragma once

#include "ConsoleCommand.h"

class CCopyCommand : public CConsoleCommand {
public:
    // Loads IN completely before OUT is touched, then replaces OUT in one step; IN and OUT
    // may name the same file. Exit 0 on success; 1 when IN cannot be loaded (for damaged
    // content the line "cause N: <text>" on `err`) or OUT cannot be written, OUT then being
    // unchanged (or still absent); 2 for other arguments.
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) override;
};
