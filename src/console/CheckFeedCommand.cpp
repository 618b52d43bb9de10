#include "CheckFeedCommand.h"

#include <cerrno>
#include <new>

#include <CLI/CLI.hpp>

#include "ConsoleOutput.h"
#include "SystemReason.h"
#include "feed/FeedChecker.h"

CLI::App* CCheckFeedCommand::Declare(CLI::App& app) {
    CLI::App* command = app.add_subcommand(
        "check-feed", "List what the feed reader would drop or turn into a default.");
    command->add_option("FEED", m_path, "the feed file")->type_name("")->required();
    command->footer(
        "Exit codes: 0 nothing found, 1 problems found, 2 wrong usage or the feed could not\n"
        "            be checked (unreadable, out of memory).");
    return command;
}

int CCheckFeedCommand::Run(CConsoleOutput& output) {
    CFeedChecker checker;
    int result = CFeedChecker::kClean;
    try {
        errno = 0;
        result = checker.CheckFile(m_path);
    } catch (const std::bad_alloc&) {
        output.Error("not enough memory to check " + m_path);
        return kExitUncheckable;
    }
    if (result == CFeedChecker::kUnreadable) {
        const int failure = errno;
        std::string reason = CSystemReason::ForReading(m_path, failure);
        if (reason.empty()) reason = "another program may hold it open";
        output.Error("cannot read the feed file " + m_path + ": " + reason);
        return kExitUncheckable;
    }
    std::ostream& out = output.Out();
    for (const CFeedFinding& finding : checker.GetFindings()) out << finding.Format() << '\n';
    const std::size_t count = checker.GetFindings().size();
    if (count > 0)
        output.Info(std::to_string(count) + (count == 1 ? " problem" : " problems") + " found.");
    if (!output.FlushOut("cannot write the findings")) return kExitFailed;
    return result == CFeedChecker::kFindings ? kExitFindings : kExitOk;
}
