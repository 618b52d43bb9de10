// `zelvarofeed watch [--shared P] [--feed P] [--mode add|replace] [--interval N]`: the
// control window's job in a terminal.
#pragma once

#include "ConsoleCommand.h"

class CWatchCommand : public CConsoleCommand {
public:
    // Loads Settings.ini from the settings folder (writing the defaults when it is missing),
    // lets the options replace those settings, and switches the feed on when both paths are
    // set (an interval below 5 seconds becomes 5). Then runs one sync cycle per interval, the
    // first one interval after the start, printing every status text with the local time on
    // `out`, until SIGINT or SIGTERM arrives; a cycle that is running then finishes first.
    // At the end the timer stops and the settings, options included, are saved as the window
    // saves them at closing. Exit 0 after a stop by signal; 1 when the feed could not be
    // switched on because a path is missing (the settings are saved all the same); 2 for
    // other arguments.
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) override;
};
