// `zelvarofeed check-feed FEED`: lists what the feed reader would silently drop or turn
// into a default in a feed file.
#pragma once

#include <string>

#include "ConsoleCommand.h"

class CCheckFeedCommand : public CConsoleCommand {
public:
    // As linters do: a finding is a failure, a file that cannot be checked is a usage error.
    static constexpr int kExitFindings = 1;
    static constexpr int kExitUncheckable = 2;

    CLI::App* Declare(CLI::App& app) override;
    // One line per problem on stdout ("Line N, section [S], key "K": ..."), then a count
    // (left out with -q). Exit 0 when nothing is found (nothing is printed), 1 when
    // something is, 2 when the file cannot be opened or read or memory runs out (one error
    // line). A feed address is downloaded first (75 when that fails for a reason that may
    // pass, 2 otherwise); its password never appears in the output. A feed that is a
    // subscription whose last import left events to an earlier subscription says so.
    int Run(CConsoleOutput& output) override;

private:
    void SayShared(CConsoleOutput& output) const;

    std::string m_path;
    std::string m_caFile;
};
