// `zelvarofeed sync --shared EVENTFILE --feed FEEDFILE [--mode add|replace] [--dry-run]`:
// one sync cycle.
#pragma once

#include <string>

#include "ConsoleCommand.h"

class CSyncCommand : public CConsoleCommand {
public:
    CLI::App* Declare(CLI::App& app) override;
    // Runs one sync cycle with the given paths and mode (default add), as a first cycle: the
    // feed counts as changed whatever its time. Settings.ini is neither read nor written. A
    // feed address is downloaded without validators and its body always imported; a failed
    // download exits 75 when it may pass (timeout, refused, 429, 5xx), 1 otherwise.
    // Ends with the summary ("Sync successful: 2 added, ...") on stdout, or the outcome and
    // its reason on stderr (see CSyncReport::Describe for the exit codes). With -v every
    // status of the cycle is printed as it comes.
    //
    // --dry-run: reads the feed and the event file (in add mode its content), merges in
    // memory and prints the same summary; takes no lock and writes nothing.
    int Run(CConsoleOutput& output) override;

private:
    int RunDry(CConsoleOutput& output);

    std::string m_shared;
    std::string m_feed;
    std::string m_caFile;
    std::string m_mode = "add";
    bool m_dryRun = false;
};
