// `zelvarofeed sync --shared EVENTFILE --feed FEEDFILE [--mode add|replace]`: one sync cycle.
#pragma once

#include "ConsoleCommand.h"

class CSyncCommand : public CConsoleCommand {
public:
    // Runs one sync cycle with the given paths and mode (default add), as a first cycle: the
    // feed counts as changed whatever its time. Settings.ini is neither read nor written.
    // Prints the cycle's outcome text on `out`. Exit 0 for "Sync successful", 1 for every
    // other outcome ("Feed file is empty" included), 2 for other arguments.
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) override;
};
