// `zelvarofeed check-feed FEED`: lists what the feed reader would silently drop or turn
// into a default in a feed file.
#pragma once

#include "ConsoleCommand.h"

class CCheckFeedCommand : public CConsoleCommand {
public:
    // One line per problem on `out` ("Line N, section [S], key "K": ..."), then a count.
    // Exit 0 when nothing is found (nothing is printed), 1 when something is, 2 when the
    // file cannot be opened or read (one line on `err`) or the arguments do not fit.
    int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) override;
};
