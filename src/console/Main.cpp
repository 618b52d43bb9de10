// The Linux console program: `zelvarofeed COMMAND [ARGUMENTS]`.
#include <exception>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "CheckFeedCommand.h"
#include "ConsoleCommand.h"
#include "CopyCommand.h"
#include "DumpCommand.h"
#include "SyncCommand.h"
#include "WatchCommand.h"

namespace {

template <class TCommand>
std::unique_ptr<CConsoleCommand> MakeCommand() {
    return std::make_unique<TCommand>();
}

struct SCommandEntry {
    const char* name;
    const char* arguments;
    const char* summary;
    std::unique_ptr<CConsoleCommand> (*create)();
};

// One line per command.
const SCommandEntry kCommands[] = {
    {"dump", "FILE [--json]", "list every entry of an event file", &MakeCommand<CDumpCommand>},
    {"copy", "IN OUT", "load an event file and save it again", &MakeCommand<CCopyCommand>},
    {"sync", "--shared EVENTFILE --feed FEEDFILE [--mode add|replace]", "run one sync cycle",
     &MakeCommand<CSyncCommand>},
    {"watch", "[--shared P] [--feed P] [--mode add|replace] [--interval N]",
     "sync every interval until Ctrl-C or SIGTERM, keeping the settings",
     &MakeCommand<CWatchCommand>},
    {"check-feed", "FEED", "list what the feed reader would drop or default",
     &MakeCommand<CCheckFeedCommand>},
};

void PrintUsage(std::ostream& out) {
    out << "usage: zelvarofeed COMMAND [ARGUMENTS]\n\ncommands:\n";
    for (const SCommandEntry& command : kCommands) {
        out << "  " << command.name << ' ' << command.arguments << "\n      " << command.summary
            << '\n';
    }
}

int Run(const std::vector<std::string>& args) {
    if (args.empty()) {
        PrintUsage(std::cerr);
        return CConsoleCommand::kExitUsage;
    }
    if (args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
        PrintUsage(std::cout);
        return CConsoleCommand::kExitOk;
    }
    for (const SCommandEntry& command : kCommands) {
        if (args[0] != command.name) continue;
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        const int result = command.create()->Run(rest, std::cout, std::cerr);
        if (result == CConsoleCommand::kBadArguments) {
            std::cerr << "usage: zelvarofeed " << command.name << ' ' << command.arguments << '\n';
            return CConsoleCommand::kExitUsage;
        }
        return result;
    }
    std::cerr << "zelvarofeed: unknown command \"" << args[0] << "\"\n";
    PrintUsage(std::cerr);
    return CConsoleCommand::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    // Only the C++ streams are used; unsynchronised they are much faster for long listings.
    std::ios::sync_with_stdio(false);
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::bad_alloc&) {
        std::cerr << "zelvarofeed: out of memory\n";
    } catch (const std::exception& e) {
        std::cerr << "zelvarofeed: " << e.what() << '\n';
    }
    return CConsoleCommand::kExitFailed;
}
