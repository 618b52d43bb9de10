// `zelvarofeed sync --shared EVENTFILE [--feed FEEDFILE | --name NAME] [--mode add|replace]
// [--dry-run] [--force]`: one sync cycle, of one feed or of the subscriptions.
#pragma once

#include <string>

#include "ConsoleCommand.h"

namespace CLI {
class Option;
}
class CPlatform;

class CSyncCommand : public CConsoleCommand {
public:
    CLI::App* Declare(CLI::App& app) override;
    // With --feed: runs one sync cycle with the given paths and mode (default add), as a first
    // cycle: the feed counts as changed whatever its time. Settings.ini is neither read nor
    // written. A feed address is downloaded without validators and its body always imported;
    // a failed download exits 75 when it may pass (timeout, refused, 429, 5xx), 1 otherwise.
    // Ends with the summary ("Sync successful: 2 added, ...") on stdout, or the outcome and
    // its reason on stderr (see CSyncReport::Describe for the exit codes). With -v every
    // status of the cycle is printed as it comes.
    //
    // --dry-run: the same run on a CShadowPlatform, which keeps every write in memory: each
    // outcome is the one the real run would have, the removal state of earlier imports and
    // the ownership between subscriptions applied, and successes end with " (dry run: nothing
    // written)". No lock is taken; the event file, the state files and Settings.ini stay as
    // they are.
    //
    // Without --feed: the subscriptions of Settings.ini (every enabled one, or with --name the
    // one named), each synced once into EVENTFILE, one line "NAME: outcome" each; their state
    // (last sync, status, validators) and EVENTFILE as the calendar are saved. A file counts
    // as changed whatever its time. An address is asked with the validators of its last import
    // (a 304 or the same body: "Nothing changed, not syncing"), except with --force or when
    // the subscription's choices differ from those its last import applied: then it is
    // downloaded whole and imported. Exit 0 when all succeeded or had nothing new, 75 when
    // every failure may pass, else 1.
    int Run(CConsoleOutput& output) override;

private:
    int RunSubscriptions(CPlatform& platform, CConsoleOutput& output);
    // What follows a successful outcome's line: the dry run's note, or nothing.
    std::string DryRunNote() const;

    std::string m_shared;
    std::string m_feed;
    std::string m_caFile;
    std::string m_mode = "add";
    std::string m_name;
    bool m_dryRun = false;
    bool m_force = false;
    CLI::Option* m_modeOption = nullptr;
};
