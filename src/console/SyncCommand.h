// `zelvarofeed sync --shared EVENTFILE [--feed FEEDFILE | --name NAME] [--mode add|replace]
// [--dry-run]`: one sync cycle, of one feed or of the subscriptions.
#pragma once

#include <string>

#include "ConsoleCommand.h"

namespace CLI {
class Option;
}

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
    //
    // Without --feed: the subscriptions of Settings.ini (every enabled one, or with --name the
    // one named), each synced once into EVENTFILE as a first cycle of its own, one line
    // "NAME: outcome" each; their state (last sync, status, validators) and EVENTFILE as the
    // calendar are saved. Exit 0 when all succeeded, 75 when every failure may pass, else 1.
    int Run(CConsoleOutput& output) override;

private:
    int RunDry(CConsoleOutput& output);
    int RunSubscriptions(CConsoleOutput& output);

    std::string m_shared;
    std::string m_feed;
    std::string m_caFile;
    std::string m_mode = "add";
    std::string m_name;
    bool m_dryRun = false;
    CLI::Option* m_modeOption = nullptr;
};
