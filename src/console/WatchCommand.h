// `zelvarofeed watch [--shared P] [--feed P] [--mode add|replace] [--interval N]
// [--export FILE.ics]`: the control window's job in a terminal or as a service.
#pragma once

#include <optional>
#include <string>

#include "ConsoleCommand.h"

class CFeedController;

class CWatchCommand : public CConsoleCommand {
public:
    CLI::App* Declare(CLI::App& app) override;
    // Loads Settings.ini from the settings folder (writing the defaults when it is missing),
    // lets the options replace those settings (paths made absolute against the current
    // folder), and switches the feed on when both paths are set (an interval below 5
    // seconds becomes 5, below 60 for a feed address). A feed address is printed with its
    // password masked; -v also says when a download brought 304 and when failures make the
    // checks back off. Prints the settings it runs with, then runs one sync cycle per
    // interval, the first one interval after the start, and prints a line with the local
    // time whenever the outcome differs from the one before and after every successful sync
    // (failures on stderr); -v prints every status. A change of a feed file brings the
    // next check forward (CFeedChangeWatch) unless --no-notify; a folder that cannot be
    // watched leaves the timer alone and is reported once by -v. With --export, each successful
    // sync is followed by the export of the event file (CIcsPublisher), whose failure is one error
    // line and leaves the watch running. Runs until SIGINT, SIGTERM or SIGHUP
    // arrives; a cycle that is running then finishes first. At the end the timer stops and
    // the settings, options included, are saved as the window saves them at closing.
    // With several subscriptions (CFeedController) every enabled one is followed on its own
    // interval, a change of a file subscription bringing forward that subscription's check
    // alone, each outcome printed as "NAME: outcome"; --feed, --ca-file and --interval are
    // then refused (exit 2).
    // Exit 0 after a stop by signal; 78 when the feed could not be switched on because a
    // path is missing (the settings are saved all the same).
    int Run(CConsoleOutput& output) override;

private:
    void PrintSettings(const CFeedController& controller, CConsoleOutput& output) const;
    // Says so when the settings file holds a feed password and users other than its owner may
    // read it (and makes it its owner's alone).
    static void ReportExposedSecret(const CFeedController& controller, CConsoleOutput& output);

    std::optional<std::string> m_shared;
    std::optional<std::string> m_feed;
    std::optional<std::string> m_caFile;
    std::optional<std::string> m_mode;
    std::optional<int> m_interval;
    // Where each successful sync publishes the calendar as iCalendar; empty: nowhere.
    std::string m_export;
    // The timer alone, without change notifications.
    bool m_noNotify = false;
};
